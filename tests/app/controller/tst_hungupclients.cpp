// The API server, the control adapter and a store against a fake receiver that answers slowly, all over loopback:
// a client that hangs up costs no receiver read that nobody else waits for. Which caller's leaving abandons a read
// is the store's rule (tst_receiverstore_fresh); here the hang-up must reach it through the server and the router.

#include "api/auth/InMemoryTokenStore.h"
#include "api/server/ReceiverAPIServer.h"

#include "../contract/DoorsRig.h"

#include <memory>
#include <vector>

using namespace amplora;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using test::FakeReceiver;

namespace {

const QByteArray token = "hung-up-token";

const QString presetRead = u"netusb/getPresetInfo"_s;

// A client on a plain socket, so that it can leave the way a timed-out client does: with a reset.
class LeavingClient {
public:
    LeavingClient(quint16 port, const QByteArray &bytes)
        : m_descriptor(test::connectedSocket(port))
    {
        m_sent = m_descriptor >= 0
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
    quint16 port = 0;

    Rig()
    {
        test::serveDoors(*receiver);
        receiver->answer(u"system/getDeviceInfo"_s, R"({"response_code":0,"model_name":"RX-V481"})");
        FakeReceiver::Route slow;
        slow.body = test::doorsPresets;
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
            clients.push_back(
                std::make_unique<LeavingClient>(rig.port, test::rawRequest("GET", "/api/v1/favourites", token)));
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
};

QTEST_GUILESS_MAIN(TestHungUpClients)
#include "tst_hungupclients.moc"
