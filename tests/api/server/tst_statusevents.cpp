// GET /api/v1/events over real sockets: the first events, changes as they are published (paced per zone on a
// manual clock), the keep-alive, the subscriber cap, a client that stops reading, and the ways a stream ends.

#include "api/auth/InMemoryTokenStore.h"
#include "api/server/ReceiverAPIServer.h"
#include "api/server/StatusEvents.h"

#include "../ErrorJSON.h"
#include "RawClient.h"
#include "support/FakeReceiverControl.h"
#include "support/ManualClock.h"
#include "support/MemorySceneStore.h"
#include "support/WaitFor.h"

#include <QTest>

#include <memory>
#include <vector>

using namespace amplora;
using namespace amplora::api;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kToken = "events-token-0123456789abcdefghijklmnopqrs";

using test::RawClient;

QByteArray subscribeRequest()
{
    return test::rawRequest("GET", "/api/v1/events", kToken, {}, "Accept: text/event-stream\r\n");
}

// The events a client has received, each as its wire text without the blank line that ends it.
QByteArrayList eventsOf(const RawClient &client)
{
    const qsizetype head = client.received.indexOf("\r\n\r\n");
    if (head < 0)
        return {};
    QByteArrayList events = client.received.mid(head + 4).split('\n');
    QByteArrayList joined;
    QByteArray current;
    for (const QByteArray &line : events) {
        if (line.isEmpty()) {
            if (!current.isEmpty())
                joined.append(current);
            current.clear();
        } else {
            current += (current.isEmpty() ? "" : "\n") + line;
        }
    }
    return joined;
}

QByteArray statusEvent(const QByteArray &json)
{
    return "event: status\ndata: " + json;
}

QByteArray zoneJSON(const char *zone, double volumeDb)
{
    return "{\"input\":\"HDMI 1\",\"mute\":false,\"power\":\"on\",\"volumeDb\":" + QByteArray::number(volumeDb)
        + ",\"zone\":\"" + zone + "\"}";
}

} // namespace

class TestStatusEvents : public QObject {
    Q_OBJECT

    std::shared_ptr<test::FakeReceiverControl> m_control;
    std::unique_ptr<test::ManualClock> m_clock;
    std::unique_ptr<ReceiverAPIServer> m_server;
    quint16 m_port = 0;
    std::vector<std::unique_ptr<RawClient>> m_clients;

    StatusEvents &events() { return m_server->statusEvents(); }

    void startServer(double requestTimeoutSeconds = 10.0)
    {
        ReceiverAPIConfiguration configuration;
        configuration.port = 0;
        configuration.requestTimeoutSeconds = requestTimeoutSeconds;
        m_server = std::make_unique<ReceiverAPIServer>(configuration, m_control,
            std::make_shared<InMemoryTokenStore>(QString::fromLatin1(kToken)),
            std::make_shared<test::MemorySceneStore>(), *m_clock);
        const auto port = test::waitFor(m_server->start());
        QVERIFY(port);
        m_port = port.value();
    }

    // A subscriber whose first events have arrived.
    RawClient &subscribe()
    {
        m_clients.push_back(std::make_unique<RawClient>(m_port, subscribeRequest()));
        RawClient &client = *m_clients.back();
        const qsizetype zones = m_control->zoneList.size();
        if (!QTest::qWaitFor([&] { return eventsOf(client).size() >= zones || client.closed; }, 5000))
            qWarning() << "no first events:" << client.received;
        return client;
    }

    // Waits for the event that ends with `json`; whatever was sent before it arrives first on the same stream.
    static bool arrives(const RawClient &client, const QByteArray &json)
    {
        return QTest::qWaitFor([&] { return eventsOf(client).contains(statusEvent(json)); }, 5000);
    }

private Q_SLOTS:
    void init()
    {
        m_control = std::make_shared<test::FakeReceiverControl>();
        m_clock = std::make_unique<test::ManualClock>();
    }
    void cleanup()
    {
        m_clients.clear();
        m_server.reset();
    }

    void firstEventPerZone_data()
    {
        QTest::addColumn<QList<Zone>>("zones");
        QTest::addRow("both zones") << QList<Zone> { Zone::main, Zone::zone2 };
        QTest::addRow("main only") << QList<Zone> { Zone::main };
    }
    void firstEventPerZone()
    {
        QFETCH(QList<Zone>, zones);
        m_control->zoneList = zones;
        m_control->zoneStatus(Zone::zone2).volumeDb = -55.5;
        startServer();
        RawClient &client = subscribe();

        QByteArrayList expected;
        for (const Zone zone : zones) {
            const QByteArray query = zone == Zone::main ? "main" : "zone2";
            RawClient status(m_port, test::rawRequest("GET", "/api/v1/status?zone=" + query, kToken));
            QTRY_VERIFY(status.closed);
            expected.append(statusEvent(status.body()));
        }
        QCOMPARE(eventsOf(client), expected);
        QVERIFY(!client.closed);
        const QByteArray head = client.received.left(client.received.indexOf("\r\n\r\n") + 2);
        QCOMPARE(head,
            "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-cache\r\nConnection: close\r\n");
    }

    // Per zone at most one event per 100 ms, carrying the latest JSON; nothing for JSON a subscriber has.
    void changesArrivePacedPerZone()
    {
        startServer();
        RawClient &client = subscribe();
        const QByteArrayList first = eventsOf(client);

        events().publish(Zone::main, zoneJSON("main", -40)); // what it has already
        events().publish(Zone::main, zoneJSON("main", -30));
        QVERIFY(arrives(client, zoneJSON("main", -30)));
        events().publish(Zone::main, zoneJSON("main", -29));
        events().publish(Zone::main, zoneJSON("main", -28));
        // Another zone has its own pace; its event also shows that main's waiting ones were not sent.
        events().publish(Zone::zone2, zoneJSON("zone2", -50));
        QVERIFY(arrives(client, zoneJSON("zone2", -50)));
        const QByteArrayList paced { statusEvent(zoneJSON("main", -30)), statusEvent(zoneJSON("zone2", -50)) };
        QCOMPARE(eventsOf(client), first + paced);

        m_clock->advance(std::chrono::milliseconds(99));
        events().publish(Zone::zone2, zoneJSON("zone2", -49));
        m_clock->advance(std::chrono::milliseconds(1));
        QVERIFY(arrives(client, zoneJSON("main", -28)));
        m_clock->advance(std::chrono::milliseconds(100));
        QVERIFY(arrives(client, zoneJSON("zone2", -49)));
        // Unchanged JSON sends nothing, even once its zone may send again.
        m_clock->advance(std::chrono::milliseconds(500));
        events().publish(Zone::main, zoneJSON("main", -28));
        events().publish(Zone::zone2, zoneJSON("zone2", -48));
        QVERIFY(arrives(client, zoneJSON("zone2", -48)));
        const QByteArrayList later { statusEvent(zoneJSON("main", -28)), statusEvent(zoneJSON("zone2", -49)),
            statusEvent(zoneJSON("zone2", -48)) };
        QCOMPARE(eventsOf(client), first + paced + later);
    }

    // The first statuses are read one zone after the other. A zone's change published before its first read
    // completed is older than that read and not sent; one published after it is sent.
    void changesWhileSubscribing()
    {
        startServer();
        m_control->hold = true;
        RawClient client(m_port, subscribeRequest());
        QTRY_COMPARE(m_control->heldCount(), 1); // zones
        m_control->releaseHeld();
        QCOMPARE(m_control->heldCount(), 1); // the main zone's status
        events().publish(Zone::main, zoneJSON("main", -45));
        m_control->releaseHeld();
        QCOMPARE(m_control->heldCount(), 1); // zone 2's status
        events().publish(Zone::main, zoneJSON("main", -35));
        m_control->hold = false;
        m_control->releaseHeld();
        QVERIFY(arrives(client, zoneJSON("zone2", -40)));
        const QByteArrayList expected { statusEvent(zoneJSON("main", -40)), statusEvent(zoneJSON("main", -35)),
            statusEvent(zoneJSON("zone2", -40)) };
        QCOMPARE(eventsOf(client), expected);
    }

    void keepAliveEvery15Seconds()
    {
        startServer();
        RawClient &client = subscribe();
        m_clock->advance(std::chrono::milliseconds(14999));
        events().publish(Zone::main, zoneJSON("main", -30));
        QVERIFY(arrives(client, zoneJSON("main", -30)));
        QVERIFY(!eventsOf(client).contains(": keep-alive"));
        m_clock->advance(std::chrono::milliseconds(1));
        QTRY_COMPARE(eventsOf(client).count(": keep-alive"), 1);
        m_clock->advance(std::chrono::seconds(15));
        QTRY_COMPARE(eventsOf(client).count(": keep-alive"), 2);
    }

    void seventeenthSubscriberIsRefused()
    {
        startServer();
        for (int i = 0; i < 16; ++i)
            QVERIFY(!subscribe().closed);
        const QByteArray refused = RawClient::exchange(m_port, subscribeRequest());
        QVERIFY2(refused.startsWith("HTTP/1.1 503 Service Unavailable\r\n"), refused.constData());
        QCOMPARE(refused.mid(refused.indexOf("\r\n\r\n") + 4),
            test::errorJSON(503, "too_many_subscribers", "Too many event subscribers (16)."));

        // A subscriber that leaves frees its place.
        m_clients.front()->socket.abort();
        QTRY_COMPARE(events().subscriberCount(), 15);
        QVERIFY(!subscribe().closed);
        QCOMPARE(events().subscriberCount(), 16);
    }

    // Each refused subscriber holds no place; when the first read fails the client hears why.
    void refusedRequests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("readFails");
        QTest::addColumn<QByteArray>("statusLine");
        QTest::addRow("no token") << test::rawRequest("GET", "/api/v1/events", {}, {}, "Accept: text/event-stream\r\n")
                                  << false << QByteArray("HTTP/1.1 401 Unauthorized");
        QTest::addRow("POST") << test::rawRequest("POST", "/api/v1/events", kToken) << false
                              << QByteArray("HTTP/1.1 405 Method Not Allowed");
        QTest::addRow("first read fails") << subscribeRequest() << true << QByteArray("HTTP/1.1 502 Bad Gateway");
    }
    void refusedRequests()
    {
        QFETCH(QByteArray, request);
        QFETCH(bool, readFails);
        QFETCH(QByteArray, statusLine);
        if (readFails)
            m_control->failOnReceiver(u"status"_s, u"timed out"_s);
        startServer();
        const QByteArray answer = RawClient::exchange(m_port, request);
        QVERIFY2(answer.startsWith(statusLine + "\r\n"), answer.constData());
        QCOMPARE(events().subscriberCount(), 0);
    }

    // The request's time-out is for the request; a stream outlives it.
    void streamOutlivesTheRequestTimeout()
    {
        startServer(0.05);
        RawClient &client = subscribe();
        QTest::qWait(300);
        QVERIFY(!client.closed);
        events().publish(Zone::main, zoneJSON("main", -30));
        QVERIFY(arrives(client, zoneJSON("main", -30)));
    }

    // A subscriber that stops reading is dropped once too much waits for it; the others get every event.
    void stalledReaderIsDroppedAlone()
    {
        startServer();
        const int stalled = test::connectedSocket(m_port, 4096);
        QVERIFY(stalled >= 0);
        const QByteArray request = subscribeRequest();
        QCOMPARE(::send(stalled, request.constData(), request.size(), 0), request.size());
        QTRY_COMPARE(events().subscriberCount(), 1);
        RawClient &reader = subscribe();
        QCOMPARE(events().subscriberCount(), 2);

        const QByteArray padding(64 * 1024, 'x');
        int published = 0;
        for (; published < 400 && events().subscriberCount() == 2; ++published) {
            const QByteArray json = "{\"n\":" + QByteArray::number(published) + ",\"pad\":\"" + padding + "\"}";
            m_clock->advance(std::chrono::milliseconds(100));
            events().publish(Zone::main, json);
            QVERIFY(arrives(reader, json));
        }
        QCOMPARE(events().subscriberCount(), 1);
        QVERIFY(!reader.closed);
        QCOMPARE(eventsOf(reader).size(), 2 + published);
        ::close(stalled);
    }

    void streamsEnd_data()
    {
        QTest::addColumn<bool>("regenerate"); // else stop
        QTest::addRow("token regenerated") << true;
        QTest::addRow("API stopped") << false;
    }
    void streamsEnd()
    {
        QFETCH(bool, regenerate);
        startServer();
        RawClient &first = subscribe();
        RawClient &second = subscribe();
        if (regenerate)
            QVERIFY(test::waitFor(m_server->regenerateToken()));
        else
            m_server->stop();
        QTRY_VERIFY(first.closed && second.closed);
        QCOMPARE(events().subscriberCount(), 0);
        if (regenerate) {
            const QByteArray answer = RawClient::exchange(m_port, subscribeRequest());
            QVERIFY2(answer.startsWith("HTTP/1.1 401 Unauthorized\r\n"), answer.constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestStatusEvents)
#include "tst_statusevents.moc"
