// The client's requests over real loopback sockets against the in-process fake receiver: what goes on the wire,
// every failure text, deadlines against a dripping peer, redirects, cut-off and encoded answers, and a client
// destroyed mid-request (run under ASan).

#include "core/protocol/YXCClient.h"

#include "ClientRig.h"
#include "RawPeer.h"

#include "support/FakeReceiver.h"

#include <QTest>

using namespace amplora;
using namespace std::chrono_literals;
using amplora::test::encodedPicture;
using amplora::test::FakeReceiver;
using amplora::test::fastOptions;
using amplora::test::gzipped;
using amplora::test::httpAnswer;
using amplora::test::RawPeer;
using amplora::test::wait;

Q_DECLARE_METATYPE(amplora::YXCCommand)

namespace {

QString failureText(const Result<Done, YXCError> &result)
{
    return result ? QStringLiteral("ok") : result.error().description();
}

// A port on loopback with nothing listening.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

} // namespace

class TestYXCClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A reply aborted by the last test is still being wound down on the network thread; leaving at once would
    // cut that short and leave its objects behind (LeakSanitizer reports them).
    void cleanupTestCase() { QTest::qWait(200); }

    void invalidHost_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("shown");

        const auto row = [](const char *name, const char *host, const char *shown) {
            QTest::addRow("%s", name) << QString::fromUtf8(host) << QString::fromUtf8(shown);
        };
        row("empty", "", "");
        row("only blanks", " \t ", "");
        row("pasted URL", "http://192.168.1.20/", "http://192.168.1.20/");
        row("trailing slash", " receiver.local/ ", "receiver.local/");
        row("user name", "admin@127.0.0.1", "admin@127.0.0.1");
        row("inner space", "rx v6", "rx v6");
        row("query", "127.0.0.1?x=1", "127.0.0.1?x=1");
        row("line break is no blank", "\n127.0.0.1", "\n127.0.0.1");
    }

    void invalidHost()
    {
        QFETCH(QString, host);
        QFETCH(QString, shown);
        YXCClient client(host, false, fastOptions());
        const auto result = wait(client.send(YXCCommand::getDeviceInfo()));
        QVERIFY(!result);
        QCOMPARE(result.error(), YXCError::invalidHost(shown));
        QCOMPARE(result.error().description(),
            QStringLiteral("\u201C") + shown + QStringLiteral("\u201D is not a valid receiver address."));
    }

    void invalidHostSendsNothing()
    {
        FakeReceiver receiver;
        YXCClient client(receiver.host() + QStringLiteral("/"), false, fastOptions());
        QVERIFY(!wait(client.fetch<DeviceInfo>(YXCCommand::getDeviceInfo())));
        QTest::qWait(20);
        QCOMPARE(receiver.requests().size(), 0);
    }

    void readOnly()
    {
        FakeReceiver receiver;
        receiver.answer(QStringLiteral("main/getStatus"), R"({"response_code":0,"power":"on"})");
        YXCClient client(receiver.host(), true, fastOptions());
        QVERIFY(client.isReadOnly());
        QCOMPARE(failureText(wait(client.send(YXCCommand::setVolume(Zone::main, 50)))),
            QStringLiteral("Read-only mode blocked main/setVolume."));
        QCOMPARE(failureText(wait(client.send(YXCCommand::setPlayback(PlaybackAction::next)))),
            QStringLiteral("Read-only mode blocked netusb/setPlayback."));
        QCOMPARE(receiver.requests().size(), 0);
        const auto status = wait(client.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main)));
        QVERIFY(status);
        QCOMPARE(status->power, std::optional(QStringLiteral("on")));
        QCOMPARE(receiver.requests().size(), 1);
    }

    void wire_data()
    {
        QTest::addColumn<YXCCommand>("command");
        QTest::addColumn<QString>("target");

        QTest::addRow("several pairs") << YXCCommand::setActualVolume(Zone::zone2, -35.5)
                                       << "zone2/setActualVolume?mode=db&value=-35.5";
        QTest::addRow("id with reserved characters")
            << YXCCommand::setInput(Zone::main, QStringLiteral("a&b c")) << "main/setInput?input=a%26b%20c";
    }

    void wire()
    {
        QFETCH(YXCCommand, command);
        QFETCH(QString, target);
        FakeReceiver receiver;
        receiver.answerOk(command.path());
        // Blanks around a pasted host are dropped.
        YXCClient client(QStringLiteral(" \t") + receiver.host() + QStringLiteral("\t "), false, fastOptions());
        QCOMPARE(client.host(), receiver.host());
        QCOMPARE(failureText(wait(client.send(command))), QStringLiteral("ok"));
        QCOMPARE(receiver.requests().size(), 1);
        QCOMPARE(receiver.requests().at(0).method, QByteArray("GET"));
        QCOMPARE(receiver.requests().at(0).target(), target);
        QVERIFY(receiver.requests().at(0).header("X-AppName").isEmpty());
    }

    void failures_data()
    {
        QTest::addColumn<YXCCommand>("command");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");

        QTest::addRow("HTTP 404 with JSON")
            << YXCCommand::setMute(Zone::main, true) << 404 << QByteArray(R"({"response_code":0})")
            << "The receiver answered with HTTP 404.";
        QTest::addRow("HTTP 503") << YXCCommand::getStatus(Zone::main) << 503 << QByteArray()
                                  << "The receiver answered with HTTP 503.";
        QTest::addRow("response code") << YXCCommand::setInput(Zone::main, QStringLiteral("hdmi9")) << 200
                                       << QByteArray(R"({"response_code":4})")
                                       << "main/setInput failed (response code 4).";
        QTest::addRow("response code on a read")
            << YXCCommand::getStatus(Zone::zone2) << 200 << QByteArray(R"({"response_code":3,"power":"on"})")
            << "zone2/getStatus failed (response code 3).";
        QTest::addRow("no envelope") << YXCCommand::setMute(Zone::main, false) << 200 << QByteArray(R"({"ok":true})")
                                     << QString::fromUtf8("Couldn’t read main/setMute: missing 'response_code'");
        QTest::addRow("status without power")
            << YXCCommand::getStatus(Zone::main) << 200 << QByteArray(R"({"response_code":0})")
            << QString::fromUtf8("Couldn’t read main/getStatus: missing 'power'");
        QTest::addRow("device without model")
            << YXCCommand::getDeviceInfo() << 200 << QByteArray(R"({"response_code":0,"device_id":"X"})")
            << QString::fromUtf8("Couldn’t read system/getDeviceInfo: missing 'model_name'");
    }

    void failures()
    {
        QFETCH(YXCCommand, command);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        FakeReceiver receiver;
        receiver.answer(command.path(), body, status);
        YXCClient client(receiver.host(), false, fastOptions());
        if (const auto type = command.answerType()) {
            const auto result = wait(client.fetchPayload(command, *type, Cancellation()));
            QVERIFY(!result);
            QCOMPARE(result.error().description(), text);
        } else {
            QCOMPARE(failureText(wait(client.send(command))), text);
        }
    }

    // A send only checks the envelope: a status answer without power is still an accepted command.
    void sendIgnoresPayload()
    {
        FakeReceiver receiver;
        receiver.answer(QStringLiteral("main/getStatus"), R"({"response_code":0})");
        YXCClient client(receiver.host(), false, fastOptions());
        QCOMPARE(failureText(wait(client.send(YXCCommand::getStatus(Zone::main)))), QStringLiteral("ok"));
    }

    void registration()
    {
        FakeReceiver receiver;
        receiver.answer(QStringLiteral("system/getDeviceInfo"), R"({"response_code":0})");
        YXCClient client(receiver.host(), true, fastOptions());
        QCOMPARE(failureText(wait(client.registerForEvents(41100))), QStringLiteral("ok"));
        QCOMPARE(receiver.requests().size(), 1);
        const auto &request = receiver.requests().at(0);
        QCOMPARE(request.target(), QStringLiteral("system/getDeviceInfo"));
        QCOMPARE(request.header("X-AppName"), QByteArray("MusicCast/1"));
        QCOMPARE(request.header("X-AppPort"), QByteArray("41100"));
    }

    void transportFailures_data()
    {
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<QString>("text"); // empty: any text

        QTest::addRow("never answers") << int(FakeReceiver::Behaviour::neverAnswer) << "The request timed out.";
        QTest::addRow("closes mid-answer") << int(FakeReceiver::Behaviour::closeMidAnswer) << "";
        QTest::addRow("closes at once") << int(FakeReceiver::Behaviour::closeAtOnce) << "";
        QTest::addRow("not HTTP") << int(FakeReceiver::Behaviour::raw) << "";
    }

    void transportFailures()
    {
        QFETCH(int, behaviour);
        QFETCH(QString, text);
        FakeReceiver receiver;
        FakeReceiver::Route route;
        route.behaviour = FakeReceiver::Behaviour(behaviour);
        route.body = R"({"response_code":0,"power":"on","volume":80,"input":"hdmi1","sound_program":"straight"})";
        if (route.behaviour == FakeReceiver::Behaviour::raw) {
            route.body = "SSH-2.0-OpenSSH_9.2\r\n";
        }
        receiver.setRoute(QStringLiteral("main/getStatus"), route);
        YXCClient client(receiver.host(), false, fastOptions());
        const auto result = wait(client.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main)));
        QVERIFY(!result);
        QCOMPARE(result.error().kind(), YXCError::Kind::transport);
        QVERIFY(!result.error().description().isEmpty());
        if (!text.isEmpty()) {
            QCOMPARE(result.error().description(), text);
        }
    }

    void refused()
    {
        YXCClient client(QStringLiteral("127.0.0.1:%1").arg(closedPort()), false, fastOptions());
        const auto result = wait(client.send(YXCCommand::getDeviceInfo()));
        QVERIFY(!result);
        QCOMPARE(result.error().kind(), YXCError::Kind::transport);
        QCOMPARE(result.error().description(), QStringLiteral("Connection refused"));
    }

    void oversizeAnswer()
    {
        FakeReceiver receiver;
        receiver.answer(QStringLiteral("system/getNameText"), QByteArray(4096, ' ') + R"({"response_code":0})");
        YXCClient::Options options = fastOptions();
        options.maxAnswerBytes = 1024;
        YXCClient client(receiver.host(), false, options);
        const auto result = wait(client.fetch<NameText>(YXCCommand::getNameText()));
        QVERIFY(!result);
        QCOMPARE(result.error(), YXCError::transport(QStringLiteral("The answer is larger than 1024 bytes.")));
    }

    void overlappingRequests()
    {
        FakeReceiver receiver;
        FakeReceiver::Route slow;
        slow.body = R"({"response_code":0,"power":"standby"})";
        slow.delay = 50ms;
        receiver.setRoute(QStringLiteral("zone2/getStatus"), slow);
        receiver.answer(QStringLiteral("main/getStatus"), R"({"response_code":0,"power":"on"})");
        YXCClient client(receiver.host(), false, fastOptions());
        auto first = client.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::zone2));
        auto second = client.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main));
        const auto secondResult = wait(std::move(second));
        const auto firstResult = wait(std::move(first));
        QVERIFY(firstResult && secondResult);
        QCOMPARE(firstResult->power, std::optional(QStringLiteral("standby")));
        QCOMPARE(secondResult->power, std::optional(QStringLiteral("on")));
    }

    // A peer that answers one byte at a time never resets a deadline: the whole request is bounded from its start.
    void drippingPeerHitsTheDeadline()
    {
        RawPeer peer(httpAnswer("application/json", R"({"response_code":0,"power":"on","input":"hdmi1"})"), 100ms);
        YXCClient client(peer.host(), false, fastOptions());
        const auto result = wait(client.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main)));
        QVERIFY(!result);
        QCOMPARE(result.error().description(), QStringLiteral("The request timed out."));

        RawPeer artPeer(httpAnswer("image/png", encodedPicture(2, 2)), 100ms);
        YXCClient artClient(artPeer.host(), false, fastOptions());
        QCOMPARE(wait(artClient.albumArt(QStringLiteral("/art.png"))), std::nullopt);
        QCOMPARE(artPeer.hits(), 1);
    }

    // A redirect is an answer like any other and is never followed, wherever it points.
    void redirectsNotFollowed_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("albumArt");

        QTest::addRow("302 on a read") << 302 << false;
        QTest::addRow("307") << 307 << false;
        QTest::addRow("308") << 308 << false;
        QTest::addRow("302 on album art") << 302 << true;
    }

    void redirectsNotFollowed()
    {
        QFETCH(int, status);
        QFETCH(bool, albumArt);
        RawPeer elsewhere(httpAnswer("image/png", encodedPicture(2, 2)));
        const QString target
            = QStringLiteral("http://%1/YamahaExtendedControl/v1/main/getStatus").arg(elsewhere.host());
        FakeReceiver receiver;
        FakeReceiver::Route route;
        route.behaviour = FakeReceiver::Behaviour::raw;
        route.body = "HTTP/1.1 " + QByteArray::number(status) + " Moved\r\nLocation: " + target.toLatin1()
            + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        receiver.setRoute(albumArt ? QStringLiteral("/art.png") : QStringLiteral("main/getStatus"), route);
        YXCClient client(receiver.host(), false, fastOptions());
        if (albumArt) {
            QCOMPARE(wait(client.albumArt(QStringLiteral("/art.png"))), std::nullopt);
        } else {
            const auto result = wait(client.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main)));
            QVERIFY(!result);
            QCOMPARE(result.error(), YXCError::http(status));
            QCOMPARE(result.error().description(), QStringLiteral("The receiver answered with HTTP %1.").arg(status));
        }
        QCOMPARE(receiver.requests().size(), 1);
        QTest::qWait(20);
        QCOMPARE(elsewhere.hits(), 0);
    }

    // The client goes away while its request hangs; the request still ends with its time-out and touches nothing
    // of the client (AddressSanitizer would report it).
    void destroyedMidRequest()
    {
        FakeReceiver receiver;
        receiver.neverAnswer(QStringLiteral("main/getStatus"));
        auto client = std::make_unique<YXCClient>(receiver.host(), false, fastOptions());
        auto task = client->fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main));
        QVERIFY(receiver.waitForRequests(1));
        client.reset();
        const auto result = wait(std::move(task));
        QVERIFY(!result);
        QCOMPARE(result.error(), YXCError::transport(QStringLiteral("The request timed out.")));
    }

    // An answer the receiver encoded (compressed) is refused, with the reason in its failure text.
    void encodedAnswerRefused()
    {
        FakeReceiver receiver;
        FakeReceiver::Route route;
        route.body = gzipped(R"({"response_code":0,"power":"on"})");
        route.headers.append(std::pair<QByteArray, QByteArray>("Content-Encoding", "gzip"));
        receiver.setRoute(QStringLiteral("main/getStatus"), route);
        YXCClient client(receiver.host(), false, fastOptions());
        const auto result = wait(client.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main)));
        QVERIFY(!result);
        QCOMPARE(result.error(),
            YXCError::transport(
                QStringLiteral("The answer is encoded as \u201Cgzip\u201D instead of being sent as it is.")));
    }
};

QTEST_GUILESS_MAIN(TestYXCClient)
#include "tst_yxcclient.moc"
