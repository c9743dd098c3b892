#include "api/auth/InMemoryTokenStore.h"
#include "api/scenes/SceneService.h"
#include "api/server/ReceiverAPIServer.h"

#include "RawClient.h"
#include "support/FakeReceiverControl.h"
#include "support/MemorySceneStore.h"

#include <QTest>

#include "support/WaitFor.h"

using namespace amplora;
using namespace amplora::api;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kToken = "routing-token-0123456789abcdefghijklmnopqr";

using test::RawClient;

} // namespace

// The server with the real router behind it: what a home-automation client sees on the wire.
class TestServerRouting : public QObject {
    Q_OBJECT

    std::shared_ptr<test::FakeReceiverControl> m_control;
    std::shared_ptr<test::MemorySceneStore> m_scenes;
    std::unique_ptr<ReceiverAPIServer> m_server;

private Q_SLOTS:
    void init()
    {
        m_control = std::make_shared<test::FakeReceiverControl>();
        m_control->capDb = -20;
        m_control->inputNames = { QStringList { u"HDMI 1"_s, u"Tuner"_s }, QStringList { u"Tuner"_s } };
        m_scenes = std::make_shared<test::MemorySceneStore>();
        ReceiverAPIConfiguration configuration;
        configuration.port = 0;
        m_server = std::make_unique<ReceiverAPIServer>(
            configuration, m_control, std::make_shared<InMemoryTokenStore>(QString::fromLatin1(kToken)), m_scenes);
    }
    void cleanup() { m_server.reset(); }

    // What the router answers reaches the wire whole: the status phrase, the length and the error body. (The
    // router's headers are tst_apirouter's endpoint rows; their serialisation tst_httpresponse's.)
    void refusalOnTheWire()
    {
        const auto port = amplora::test::waitFor(m_server->start());
        QVERIFY(port);
        const QByteArray answer
            = RawClient::exchange(port.value(), test::rawRequest("POST", "/api/v1/volume", kToken, R"({"db": -19.5})"));
        QVERIFY2(answer.startsWith("HTTP/1.1 422 Unprocessable Content\r\n"), answer.constData());
        QVERIFY2(answer.contains("\r\nContent-Length: 116\r\n"), answer.constData());
        QVERIFY2(answer.endsWith(R"("message":"Volume -19.5 dB is above the cap of -20 dB.","status":422}})"),
            answer.constData());
    }

    void sceneRunsDoNotShareTheClientsRateLimit()
    {
        const auto port = amplora::test::waitFor(m_server->start());
        const QByteArray volume = test::rawRequest("POST", "/api/v1/volume", kToken, R"({"db": -40})");
        for (int i = 0; i < 5; ++i)
            QVERIFY(RawClient::exchange(port.value(), volume).startsWith("HTTP/1.1 200 OK"));
        QVERIFY(RawClient::exchange(port.value(), volume).startsWith("HTTP/1.1 429 Too Many Requests"));

        ReceiverScene scene;
        scene.name = u"Quiet"_s;
        scene.volumeDb = -50;
        QVERIFY(amplora::test::waitFor(m_server->scenes()->save(scene)));
        QVERIFY(amplora::test::waitFor(m_server->scenes()->run(u"Quiet"_s, Zone::main)));
    }
};

QTEST_GUILESS_MAIN(TestServerRouting)
#include "tst_serverrouting.moc"
