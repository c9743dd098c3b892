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

const QString kToken = u"routing-token-0123456789abcdefghijklmnopqr"_s;

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
            configuration, m_control, std::make_shared<InMemoryTokenStore>(kToken), m_scenes);
    }
    void cleanup() { m_server.reset(); }

    void wire_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("statusLine");
        QTest::addColumn<QByteArray>("header"); // one header line the answer must carry
        const QByteArray auth = "Authorization: Bearer " + kToken.toUtf8() + "\r\n";
        QTest::addRow("status") << "GET /api/v1/status HTTP/1.1\r\n" + auth + "\r\n"
                                << QByteArray("HTTP/1.1 200 OK")
                                << QByteArray("Content-Type: application/json; charset=utf-8");
        QTest::addRow("no token") << QByteArray("GET /api/v1/status HTTP/1.1\r\n\r\n")
                                  << QByteArray("HTTP/1.1 401 Unauthorized")
                                  << QByteArray("WWW-Authenticate: Bearer realm=\"Amplora\"");
        QTest::addRow("outside the API") << QByteArray("GET /health HTTP/1.1\r\n\r\n")
                                         << QByteArray("HTTP/1.1 404 Not Found") << QByteArray("Connection: close");
        QTest::addRow("volume above the cap")
            << "POST /api/v1/volume HTTP/1.1\r\n" + auth + "Content-Length: 13\r\n\r\n{\"db\": -19.5}"
            << QByteArray("HTTP/1.1 422 Unprocessable Content") << QByteArray("Content-Length: 116");
    }
    void wire()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, statusLine);
        QFETCH(QByteArray, header);
        const auto port = amplora::test::waitFor(m_server->start());
        QVERIFY(port);
        const QByteArray answer = RawClient::exchange(port.value(), request);
        QVERIFY2(answer.startsWith(statusLine + "\r\n"), answer.constData());
        QVERIFY2(answer.contains("\r\n" + header + "\r\n"), answer.constData());
    }

    void sceneRunsDoNotShareTheClientsRateLimit()
    {
        const auto port = amplora::test::waitFor(m_server->start());
        const QByteArray volume = "POST /api/v1/volume HTTP/1.1\r\nAuthorization: Bearer " + kToken.toUtf8()
            + "\r\nContent-Length: 11\r\n\r\n{\"db\": -40}";
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
