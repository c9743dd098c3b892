#include "api/auth/InMemoryTokenStore.h"
#include "api/server/ReceiverAPIServer.h"

#include <QCoroSignal>
#include <QCoroTask>
#include <QTcpServer>
#include <QTest>

#include "../ErrorJSON.h"
#include "RawClient.h"
#include "support/HeldTokenStore.h"
#include "support/WaitFor.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <vector>

using namespace amplora;
using namespace amplora::api;
using namespace Qt::StringLiterals;

namespace {

const QString kToken = u"test-token-0123456789abcdefghijklmnopqrstu"_s;

// Holds requests back until opened, so a test can act while a response is still being prepared.
class Gate : public QObject {
    Q_OBJECT

public:
    bool closed = false;
    void open() { Q_EMIT opened(); }

Q_SIGNALS:
    void opened();
};

QCoro::Task<HTTPResponse> echo(
    std::shared_ptr<TokenAuthenticator> authenticator, QPointer<Gate> gate, HTTPRequest request)
{
    if (gate && gate->closed)
        co_await qCoro(gate.data(), &Gate::opened);
    co_return HTTPResponse::json(200,
        JSONValue::Object {
            { u"authorized"_s, authenticator->authenticate(request) },
            { u"method"_s, request.method },
            { u"path"_s, request.pathSegments.join(u'/') },
            { u"body"_s, QString::fromUtf8(request.body) },
        });
}

using Client = test::RawClient;

// Takes every descriptor the process may still open, for as long as it lives.
class NoFreeDescriptors {
public:
    NoFreeDescriptors()
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        const int lowestFree = ::dup(0);
        ::close(lowestFree);
        rlimit lowered = m_saved;
        lowered.rlim_cur = static_cast<rlim_t>(lowestFree);
        ::setrlimit(RLIMIT_NOFILE, &lowered);
        // Should anything below the limit have been closed meanwhile, take it too.
        for (int fd; (fd = ::dup(0)) >= 0;)
            m_taken.push_back(fd);
    }
    ~NoFreeDescriptors()
    {
        ::setrlimit(RLIMIT_NOFILE, &m_saved);
        for (const int fd : m_taken)
            ::close(fd);
    }
    NoFreeDescriptors(const NoFreeDescriptors &) = delete;
    NoFreeDescriptors &operator=(const NoFreeDescriptors &) = delete;

private:
    rlimit m_saved {};
    std::vector<int> m_taken;
};

// Reads what has arrived on a plain socket without waiting; true once the peer has closed.
bool readUntilClosed(int descriptor, QByteArray &received)
{
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::recv(descriptor, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count > 0)
            received.append(buffer, count);
        else
            return count == 0;
    }
}

QByteArray authorizedGet(const QByteArray &path)
{
    return test::rawRequest("GET", path, kToken.toUtf8());
}

} // namespace

// Real time, and timers that run only when the test runs them.
class RecordingClock final : public Clock {
public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    void callAfter(Duration delay, QObject *, std::function<void()> action) override
    {
        timers.emplace_back(delay, std::move(action));
    }

    std::vector<std::pair<Clock::Duration, std::function<void()>>> timers;
};

class TestReceiverAPIServer : public QObject {
    Q_OBJECT

    RecordingClock m_clock;
    std::shared_ptr<InMemoryTokenStore> m_tokens;
    QPointer<Gate> m_gate;
    std::unique_ptr<Gate> m_gateOwner;
    std::unique_ptr<ReceiverAPIServer> m_server;

    std::shared_ptr<TokenAuthenticator> m_authenticator; // the running server's

    ReceiverAPIServer &makeServer(double timeoutSeconds = 10.0, std::optional<QString> token = kToken)
    {
        m_tokens = std::make_shared<InMemoryTokenStore>(std::move(token));
        return makeServerOver(m_tokens, timeoutSeconds);
    }

    ReceiverAPIServer &makeServerOver(std::shared_ptr<APITokenStore> tokens, double timeoutSeconds = 10.0)
    {
        ReceiverAPIConfiguration configuration;
        configuration.port = 0; // any free port
        configuration.requestTimeoutSeconds = timeoutSeconds;
        m_gateOwner = std::make_unique<Gate>();
        m_gate = m_gateOwner.get();
        QPointer<Gate> gate = m_gate;
        m_clock.timers.clear();
        m_server = std::make_unique<ReceiverAPIServer>(
            configuration, std::move(tokens),
            [this, gate](std::shared_ptr<TokenAuthenticator> authenticator) -> RequestHandler {
                m_authenticator = authenticator;
                return [authenticator, gate](
                           HTTPRequest request, Cancellation) { return echo(authenticator, gate, std::move(request)); };
            },
            m_clock);
        return *m_server;
    }

    bool accepts(const QString &token) const
    {
        HTTPRequest request;
        request.headers.insert(u"authorization"_s, u"Bearer "_s + token);
        return m_authenticator && m_authenticator->authenticate(request);
    }

    quint16 startServer(ReceiverAPIServer &server)
    {
        const auto started = amplora::test::waitFor(server.start());
        if (!started)
            qFatal("start failed: %s", qPrintable(started.error().description()));
        return started.value();
    }

private Q_SLOTS:
    void cleanup()
    {
        m_server.reset();
        m_gateOwner.reset();
        m_authenticator.reset();
    }

    void answersOneRequestAndCloses()
    {
        auto &server = makeServer();
        const quint16 port = startServer(server);
        // A second request on the same connection is never read.
        Client client(port, authorizedGet("/api/v1/status?zone=main") + authorizedGet("/api/v1/inputs"));
        QTRY_VERIFY(client.closed);
        QCOMPARE(client.statusLine(), QByteArrayLiteral("HTTP/1.1 200 OK"));
        QVERIFY(client.received.contains("\r\nConnection: close\r\n\r\n"));
        QCOMPARE(client.received.count("HTTP/1.1"), 1);
        QCOMPARE(client.body(),
            QByteArrayLiteral("{\"authorized\":true,\"body\":\"\",\"method\":\"GET\",\"path\":\"api/v1/status\"}"));
        QTRY_COMPARE(server.openConnectionCount(), 0);
    }

    void bodyArrivingInPieces()
    {
        auto &server = makeServer();
        const quint16 port = startServer(server);
        Client client(port, "post /api/v1/volume HTTP/1.1\r\nContent-Length: 11\r\n\r\n{\"db\":");
        QTest::qWait(50);
        QVERIFY(client.received.isEmpty());
        client.socket.write(" -30}");
        QTRY_VERIFY(client.closed);
        QCOMPARE(client.body(),
            QByteArrayLiteral("{\"authorized\":false,\"body\":\"{\\\"db\\\": "
                              "-30}\",\"method\":\"POST\",\"path\":\"api/v1/volume\"}"));
    }

    void refusedRequests_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("statusLine");
        QTest::addColumn<QByteArray>("body");
        const auto row = [](const char *name, const QByteArray &bytes, const char *statusLine, const char *code,
                             const char *message) {
            const int status = QByteArray(statusLine).mid(9, 3).toInt();
            QTest::newRow(name) << bytes << QByteArray(statusLine) << test::errorJSON(status, code, message);
        };
        row("headers too large, no blank line yet", "GET / HTTP/1.1\r\nX: " + QByteArray(16384, 'a'),
            "HTTP/1.1 431 Request Header Fields Too Large", "headers_too_large", "Request headers are too large.");
        row("body too large, before the body", "POST / HTTP/1.1\r\nContent-Length: 65537\r\n\r\n",
            "HTTP/1.1 413 Content Too Large", "body_too_large", "Request body is larger than 65536 bytes.");
    }
    void refusedRequests()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, statusLine);
        QFETCH(QByteArray, body);
        auto &server = makeServer();
        Client client(startServer(server), bytes);
        QTRY_VERIFY(client.closed);
        QCOMPARE(client.statusLine(), statusLine);
        QCOMPARE(client.body(), body);
    }

    void slowClientsDoNotHoldUpOthers()
    {
        auto &server = makeServer(3.0);
        const quint16 port = startServer(server);
        std::vector<std::unique_ptr<Client>> slow;
        for (int i = 0; i < 200; ++i)
            slow.push_back(std::make_unique<Client>(port, "GET /api/v1/status HTTP/1.1\r\nAuthoriz"));
        QTRY_COMPARE(server.openConnectionCount(), 200);

        Client normal(port, authorizedGet("/api/v1/status"));
        QTRY_VERIFY(normal.closed);
        QCOMPARE(normal.statusLine(), QByteArrayLiteral("HTTP/1.1 200 OK"));
        // Served while every slow client was still waiting for its time-out.
        for (const auto &client : slow)
            QVERIFY(client->received.isEmpty() && !client->closed);

        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(slow.begin(), slow.end(), [](const auto &c) { return c->closed; }), 15000);
        for (const auto &client : slow)
            QCOMPARE(client->statusLine(), QByteArrayLiteral("HTTP/1.1 408 Request Timeout"));
        QCOMPARE(slow.front()->body(), test::errorJSON(408, "timeout", "The request took too long to arrive."));
        QTRY_COMPARE(server.openConnectionCount(), 0);
    }

    void connectionsBeyondTheCapAreClosedAtOnce()
    {
        auto &server = makeServer();
        const int cap = server.configuration().maxConnections;
        QCOMPARE(cap, 256);
        const quint16 port = startServer(server);
        std::vector<std::unique_ptr<Client>> idle;
        for (int i = 0; i < 300; ++i)
            idle.push_back(std::make_unique<Client>(port, "GET /api/v1/status HTTP/1.1\r\nAuthoriz"));
        const auto closedCount
            = [&idle] { return std::count_if(idle.begin(), idle.end(), [](const auto &c) { return c->closed; }); };
        QTRY_COMPARE(server.openConnectionCount(), cap);
        QTRY_COMPARE(closedCount(), 300 - cap);
        for (const auto &client : idle)
            QVERIFY(client->received.isEmpty()); // closed without an answer, or still waiting

        Client whileFull(port, authorizedGet("/api/v1/status"));
        QTRY_VERIFY(whileFull.closed);
        QVERIFY(whileFull.received.isEmpty());

        // Once some idle clients have gone, there is room again.
        int left = 0;
        for (const auto &client : idle) {
            if (!client->closed && left < 10) {
                client->socket.abort();
                ++left;
            }
        }
        QTRY_COMPARE(server.openConnectionCount(), cap - 10);
        Client normal(port, authorizedGet("/api/v1/status"));
        QTRY_VERIFY(normal.closed);
        QCOMPARE(normal.statusLine(), QByteArrayLiteral("HTTP/1.1 200 OK"));
        QCOMPARE(closedCount(), 300 - cap + 10); // the idle ones still wait for their time-out
    }

    // Out of descriptors, accept() fails and QTcpServer stops accepting; the server must start again by itself.
    void acceptingResumesAfterAnAcceptError()
    {
        auto &server = makeServer();
        auto &timers = m_clock.timers;
        const quint16 port = startServer(server);
        // Connected before the descriptors run out; the server accepts only once the event loop turns.
        const int client = test::connectedSocket(port);
        QVERIFY(client >= 0);
        const QByteArray request = authorizedGet("/api/v1/status");
        {
            NoFreeDescriptors exhausted;
            QCOMPARE(::send(client, request.constData(), request.size(), MSG_NOSIGNAL), request.size());
            QTRY_COMPARE(timers.size(), size_t(1));
            QVERIFY(timers.front().first <= std::chrono::seconds(1));
            // Paused, not spinning on the descriptor that cannot be accepted.
            QTest::qWait(50);
            QCOMPARE(timers.size(), size_t(1));
        }
        QCOMPARE(server.openConnectionCount(), 0);
        timers.front().second();
        QByteArray received;
        QTRY_VERIFY(readUntilClosed(client, received));
        ::close(client);
        QVERIFY2(received.startsWith("HTTP/1.1 200 OK\r\n"), received.constData());
        // Back to normal: the end of each round of accepting is no error.
        for (int i = 0; i < 3; ++i) {
            Client next(port, authorizedGet("/api/v1/status"));
            QTRY_VERIFY(next.closed);
            QCOMPARE(next.statusLine(), QByteArrayLiteral("HTTP/1.1 200 OK"));
        }
        QCOMPARE(timers.size(), size_t(1));
    }

    // A client that leaves gets nothing and costs nothing. One that leaves while its answer is prepared may have
    // closed only its sending side, so the answer is still tried: it reaches a client that only stopped sending,
    // and finds one that has gone.
    void clientLeaving_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("how");
        QTest::addRow("before its request is complete") << QByteArray("GET /api/v1/status HT") << u"close"_s;
        QTest::addRow("while the answer is prepared") << authorizedGet("/api/v1/status") << u"abort"_s;
        QTest::addRow("stops sending while the answer is prepared") << authorizedGet("/api/v1/status") << u"shutdown"_s;
    }
    void clientLeaving()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, how);
        auto &server = makeServer();
        m_gate->closed = true;
        Client client(startServer(server), bytes);
        QTRY_VERIFY(client.socket.bytesToWrite() == 0 && client.socket.state() == QAbstractSocket::ConnectedState);
        QTRY_COMPARE(server.openConnectionCount(), 1);
        QTest::qWait(20);
        if (how == u"shutdown"_s)
            QCOMPARE(::shutdown(static_cast<int>(client.socket.socketDescriptor()), SHUT_WR), 0);
        else
            how == u"abort"_s ? client.socket.abort() : client.socket.disconnectFromHost();
        QTest::qWait(20);
        m_gate->open();
        QTRY_COMPARE(server.openConnectionCount(), 0);
        if (how == u"shutdown"_s)
            QTRY_COMPARE(client.statusLine(), QByteArrayLiteral("HTTP/1.1 200 OK"));
        else
            QVERIFY(client.received.isEmpty());
    }

    void startStopAndRestart()
    {
        auto &server = makeServer();
        const quint16 port = startServer(server);
        QCOMPARE(server.port(), std::optional(port));

        const auto again = amplora::test::waitFor(server.start());
        QVERIFY(!again);
        QCOMPARE(again.error().kind(), ServerError::Kind::AlreadyRunning);
        QCOMPARE(again.error().description(), u"The API is already running."_s);

        Client waiting(port, "GET /api/v1/sta");
        QTRY_COMPARE(server.openConnectionCount(), 1);
        server.stop();
        QCOMPARE(server.port(), std::nullopt);
        QTRY_VERIFY(waiting.closed);
        QVERIFY(waiting.received.isEmpty());

        Client refused(port, authorizedGet("/api/v1/status"));
        QTRY_VERIFY(refused.closed || refused.socket.state() == QAbstractSocket::UnconnectedState);
        QVERIFY(refused.received.isEmpty());

        const auto restarted = amplora::test::waitFor(server.start(port, true));
        QVERIFY(restarted);
        QCOMPARE(restarted.value(), port);
        Client served(port, authorizedGet("/api/v1/status"));
        QTRY_VERIFY(served.closed);
        QCOMPARE(served.statusLine(), QByteArrayLiteral("HTTP/1.1 200 OK"));
    }

    void portInUse()
    {
        QTcpServer occupant;
        QVERIFY(occupant.listen(QHostAddress::LocalHost, 0));
        auto &server = makeServer();
        const auto started = amplora::test::waitFor(server.start(occupant.serverPort(), true));
        QVERIFY(!started);
        QCOMPARE(started.error().kind(), ServerError::Kind::ListenerFailed);
        QVERIFY(!started.error().description().isEmpty());
        QVERIFY(!server.isRunning());
        // The failed start leaves the server ready to try again.
        QVERIFY(amplora::test::waitFor(server.start(0, true)));
    }

    void tokenIsCreatedOnceAndRegenerated()
    {
        auto &server = makeServer(10.0, std::nullopt);
        const quint16 port = startServer(server);
        const auto created = amplora::test::waitFor(m_tokens->read()).value();
        QVERIFY(created);
        QCOMPARE(amplora::test::waitFor(server.currentToken()).value(), *created);

        const auto withToken = [port](const QString &token) {
            return std::make_unique<Client>(port, test::rawRequest("GET", "/", token.toUtf8()));
        };
        auto first = withToken(*created);
        QTRY_VERIFY(first->closed);
        QVERIFY(first->body().contains("\"authorized\":true"));

        const auto regenerated = amplora::test::waitFor(server.regenerateToken());
        QVERIFY(regenerated);
        QVERIFY(regenerated.value() != *created);
        QCOMPARE(amplora::test::waitFor(m_tokens->read()).value(), std::optional(regenerated.value()));
        auto old = withToken(*created);
        auto fresh = withToken(regenerated.value());
        QTRY_VERIFY(old->closed && fresh->closed);
        QVERIFY(old->body().contains("\"authorized\":false"));
        QVERIFY(fresh->body().contains("\"authorized\":true"));

        // A restart reuses the stored token.
        server.stop();
        startServer(server);
        QCOMPARE(amplora::test::waitFor(server.currentToken()).value(), regenerated.value());
    }

    // The settings window asking for the token while the server starts: with no token stored, both must end
    // with the one token that is stored and accepted, not one each.
    void concurrentFirstUsesShareOneToken()
    {
        auto tokens = std::make_shared<test::HeldTokenStore>();
        auto &server = makeServerOver(tokens);
        auto starting = server.start();
        auto shown = server.currentToken();
        auto shownAgain = server.currentToken();
        tokens->answerAllLatestFirst();
        QVERIFY(amplora::test::waitFor(std::move(starting)));
        const auto first = amplora::test::waitFor(std::move(shown));
        const auto second = amplora::test::waitFor(std::move(shownAgain));
        QVERIFY(first && second);
        QCOMPARE(second.value(), first.value());
        QCOMPARE(tokens->stored, std::optional(first.value()));
        QCOMPARE(tokens->saves, 1);
        QVERIFY(accepts(first.value()));
    }

    // A regeneration asked for while the start still waits for the stored token: the start must not put the
    // replaced token back, however late its answer comes.
    void regenerationDuringStartWins()
    {
        const QString old = u"old-token"_s;
        auto tokens = std::make_shared<test::HeldTokenStore>(old);
        auto &server = makeServerOver(tokens);
        auto starting = server.start();
        auto regenerating = server.regenerateToken();
        tokens->answerAllLatestFirst();
        QVERIFY(amplora::test::waitFor(std::move(starting)));
        const auto regenerated = amplora::test::waitFor(std::move(regenerating));
        QVERIFY(regenerated);
        QVERIFY(regenerated.value() != old);
        QCOMPARE(tokens->stored, std::optional(regenerated.value()));
        QVERIFY(accepts(regenerated.value()));
        QVERIFY(!accepts(old));

        // What the settings window reads afterwards is the accepted token too.
        auto shown = server.currentToken();
        tokens->answerAllLatestFirst();
        QCOMPARE(amplora::test::waitFor(std::move(shown)).value(), regenerated.value());
    }

    void loopbackAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("loopback");
        QTest::addRow("127.0.0.1") << u"127.0.0.1"_s << true;
        QTest::addRow("127.255.0.9") << u"127.255.0.9"_s << true;
        QTest::addRow("::1") << u"::1"_s << true;
        QTest::addRow("mapped 127.0.0.1") << u"::ffff:127.0.0.1"_s << true;
        QTest::addRow("LAN address") << u"192.168.1.20"_s << false;
        QTest::addRow("mapped LAN address") << u"::ffff:192.168.1.20"_s << false;
        QTest::addRow("128.0.0.1") << u"128.0.0.1"_s << false;
        QTest::addRow("any") << u"0.0.0.0"_s << false;
        QTest::addRow("IPv6 link-local") << u"fe80::1"_s << false;
        QTest::addRow("compatible ::127.0.0.1") << u"::7f00:1"_s << false;
        QTest::addRow("no address") << QString() << false;
    }
    void loopbackAddresses()
    {
        QFETCH(QString, address);
        QFETCH(bool, loopback);
        QCOMPARE(ReceiverAPIServer::isLoopback(QHostAddress(address)), loopback);
    }
};

QTEST_GUILESS_MAIN(TestReceiverAPIServer)
#include "tst_receiverapiserver.moc"
