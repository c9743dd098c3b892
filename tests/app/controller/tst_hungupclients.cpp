// The API server, the control adapter and a store against a fake receiver that answers slowly, all over loopback:
// a client that hangs up costs no receiver read that nobody else waits for, and what a client changes reaches the
// event stream from the change the receiver accepted, not from a read after it.

#include "api/auth/InMemoryTokenStore.h"
#include "api/server/ReceiverAPIServer.h"
#include "app/controller/ReceiverControlAdapter.h"
#include "app/controller/StatusEventFeed.h"
#include "core/protocol/YXCClient.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"
#include "support/FakeReceiver.h"
#include "support/ManualClock.h"
#include "support/MemorySceneStore.h"
#include "support/WaitFor.h"

#include "../../api/server/RawClient.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace amplora;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using test::FakeReceiver;

namespace {

const QByteArray token = "hung-up-token";

const QByteArray features = R"({"response_code":0,
  "system":{"func_list":[],"input_list":[{"id":"hdmi1","play_info_type":"none"}]},
  "zone":[{"id":"main","func_list":["power","volume","mute","actual_volume"],"input_list":["hdmi1"],
    "range_step":[{"id":"volume","min":0,"max":161,"step":1},{"id":"actual_volume_db","min":-80.5,"max":16.5,"step":0.5}]}],
  "netusb":{"func_list":[],"preset":{"num":4}}})";

const QByteArray mainStatus = R"({"response_code":0,"power":"on","volume":121,"mute":false,"input":"hdmi1",
  "actual_volume":{"mode":"db","value":-20.0,"unit":"dB"}})";

const QByteArray presets = R"({"response_code":0,"preset_info":[
  {"input":"net_radio","text":"Harbour FM"},{"input":"unknown","text":""},
  {"input":"spotify","text":"Morning Jazz"},{"input":"unknown","text":""}]})";

const QString presetRead = u"netusb/getPresetInfo"_s;

QByteArray request(const QByteArray &method, const QByteArray &path, const QByteArray &body = {})
{
    QByteArray bytes = method + ' ' + path + " HTTP/1.1\r\nHost: localhost\r\nAuthorization: Bearer " + token + "\r\n";
    if (path.endsWith("/events"))
        bytes += "Accept: text/event-stream\r\n";
    if (!body.isEmpty())
        bytes += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    return bytes + "\r\n" + body;
}

// A client on a plain socket, so that it can leave the way a timed-out client does: with a reset.
class LeavingClient {
public:
    LeavingClient(quint16 port, const QByteArray &bytes)
        : m_descriptor(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_sent = ::connect(m_descriptor, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0
            && ::send(m_descriptor, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }
    ~LeavingClient() { reset(); }
    LeavingClient(const LeavingClient &) = delete;
    LeavingClient &operator=(const LeavingClient &) = delete;

    bool sent() const { return m_sent; }
    void reset()
    {
        if (m_descriptor < 0)
            return;
        const linger abort { 1, 0 };
        ::setsockopt(m_descriptor, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        ::close(m_descriptor);
        m_descriptor = -1;
    }

private:
    int m_descriptor;
    bool m_sent = false;
};

qsizetype count(const FakeReceiver &receiver, const QString &target)
{
    return std::ranges::count_if(receiver.requests(), [&](const auto &request) { return request.target() == target; });
}

// The whole path of a request: server, router, adapter, store, client, receiver. The store is connected, its
// polling stopped, and nothing it read while connecting is fresh any more.
struct Rig {
    std::unique_ptr<FakeReceiver> receiver = std::make_unique<FakeReceiver>();
    QTemporaryDir dir;
    test::ManualClock clock;
    AppSettings settings { std::make_unique<QSettings>(dir.filePath(u"a.conf"_s), QSettings::IniFormat) };
    std::unique_ptr<ReceiverStore> store;
    std::shared_ptr<app::ReceiverControlAdapter> control;
    std::unique_ptr<api::ReceiverAPIServer> server;
    std::unique_ptr<app::StatusEventFeed> feed;
    quint16 port = 0;

    Rig()
    {
        receiver->answer(u"system/getDeviceInfo"_s, R"({"response_code":0,"model_name":"RX-V481"})");
        receiver->answer(u"system/getFeatures"_s, features);
        receiver->answer(u"system/getNameText"_s, R"({"response_code":0,"zone_list":[],"input_list":[]})");
        receiver->answer(u"system/getNetworkStatus"_s, R"({"response_code":0,"network_name":"Den"})");
        receiver->answer(u"netusb/getPlayInfo"_s, R"({"response_code":0,"input":"hdmi1","playback":"stop"})");
        receiver->answer(u"main/getStatus"_s, mainStatus);
        receiver->answerOk(u"main/setActualVolume"_s);
        FakeReceiver::Route slow;
        slow.body = presets;
        slow.delay = 1500ms;
        receiver->setRoute(presetRead, slow);

        settings.setHost(receiver->host());
        store = std::make_unique<ReceiverStore>(settings, LaunchOptions { .isRunningTests = true },
            ReceiverStoreParts { std::make_shared<YXCClient>(receiver->host()), {}, {}, {}, &clock,
                QHostAddress(QHostAddress::LocalHost), 0 });
        control = std::make_shared<app::ReceiverControlAdapter>(*store);
        api::ReceiverAPIConfiguration configuration;
        configuration.port = 0;
        server = std::make_unique<api::ReceiverAPIServer>(configuration, control,
            std::make_shared<api::InMemoryTokenStore>(QString::fromLatin1(token)),
            std::make_shared<test::MemorySceneStore>());
        feed = std::make_unique<app::StatusEventFeed>(*store, server->statusEvents());

        QCoro::waitFor(store->start());
        // The favourites read while connecting, slow as every one.
        const bool connected = QTest::qWaitFor([this] { return store->state().favourites().size() == 2; }, 5000);
        store->stopTasks();
        clock.advance(1s);
        const auto started = test::waitFor(server->start());
        if (started && connected)
            port = started.value();
        receiver->clearRequests();
    }

    ~Rig()
    {
        feed.reset();
        server.reset();
        // Requests the receiver still holds end when it goes; their coroutines finish before the store does.
        receiver.reset();
        QTest::qWait(200);
    }
};

} // namespace

class TestHungUpClients : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Forty clients ask for the favourites and reset their connections while the receiver is still answering:
    // they share one read, and once the last of them is gone that read is abandoned.
    void hungUpClientsCostOneAbandonedRead()
    {
        Rig rig;
        QVERIFY(rig.port);
        std::vector<std::unique_ptr<LeavingClient>> clients;
        for (int i = 0; i < 40; ++i) {
            clients.push_back(std::make_unique<LeavingClient>(rig.port, request("GET", "/api/v1/favourites")));
            QVERIFY(clients.back()->sent());
        }
        QTRY_COMPARE_WITH_TIMEOUT(count(*rig.receiver, presetRead), 1, 5000);
        QTRY_COMPARE(rig.server->openConnectionCount(), 40);
        for (auto &client : clients)
            client->reset();

        QTRY_COMPARE_WITH_TIMEOUT(rig.receiver->abandoned(), QStringList { presetRead }, 5000);
        QTRY_COMPARE(rig.server->openConnectionCount(), 0);
        QVERIFY(count(*rig.receiver, presetRead) <= 4);
        QVERIFY(!rig.store->lastError());
    }

    // Clients that arrive and leave one after the other, each while the read it started is on its way: each
    // leaves alone, so each read is abandoned, and none is answered to nobody.
    void aSoleCallerThatHangsUpAbandonsItsRead()
    {
        Rig rig;
        QVERIFY(rig.port);
        for (qsizetype i = 1; i <= 3; ++i) {
            LeavingClient client(rig.port, request("GET", "/api/v1/favourites"));
            QVERIFY(client.sent());
            QTRY_COMPARE_WITH_TIMEOUT(count(*rig.receiver, presetRead), i, 5000);
            client.reset();
            QTRY_COMPARE_WITH_TIMEOUT(rig.receiver->abandoned().size(), i, 5000);
        }
        QCOMPARE(rig.receiver->abandoned(), QStringList(3, presetRead));
    }

    void aSharedReadSurvivesOneCallerHangingUp()
    {
        Rig rig;
        QVERIFY(rig.port);
        LeavingClient leaving(rig.port, request("GET", "/api/v1/favourites"));
        test::RawClient staying(rig.port, request("GET", "/api/v1/favourites"));
        QTRY_COMPARE_WITH_TIMEOUT(count(*rig.receiver, presetRead), 1, 5000);
        QTRY_COMPARE(rig.server->openConnectionCount(), 2);
        leaving.reset();

        QTRY_VERIFY_WITH_TIMEOUT(staying.closed, 10000);
        QCOMPARE(staying.statusLine(), "HTTP/1.1 200 OK");
        QVERIFY2(staying.body().contains("Morning Jazz"), staying.body().constData());
        QVERIFY(rig.receiver->abandoned().isEmpty());
        QCOMPARE(count(*rig.receiver, presetRead), 1);
    }

    // The receiver no longer answers status reads once the subscriber has its first event: the event for the
    // change can only come from the change the receiver accepted.
    void acceptedVolumeReachesTheEventStreamWithoutARead()
    {
        Rig rig;
        QVERIFY(rig.port);
        test::RawClient subscriber(rig.port, request("GET", "/api/v1/events"));
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.received.contains("\"volumeDb\":-20"), 5000);
        rig.receiver->neverAnswer(u"main/getStatus"_s);

        const QByteArray answer
            = test::RawClient::exchange(rig.port, request("POST", "/api/v1/volume", R"({"db":-30})"));
        QVERIFY2(answer.startsWith("HTTP/1.1 200 OK"), answer.constData());
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.received.contains("\"volumeDb\":-30"), 5000);
        QCOMPARE(subscriber.received.count("event: status"), 2);
    }
};

QTEST_GUILESS_MAIN(TestHungUpClients)
#include "tst_hungupclients.moc"
