// The API controller over fakes: its settings, states and status lines, tokens and scene messages.

#include "app/controller/APIController.h"

#include "api/auth/InMemoryTokenStore.h"
#include "api/server/ReceiverAPIServer.h"
#include "support/CompletedTask.h"
#include "support/FakeReceiverControl.h"
#include "support/MemorySceneStore.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace amplora;
using namespace amplora::app;

namespace {

// A keyring that refuses every call, as a locked or missing Secret Service does.
class RefusingTokenStore final : public api::APITokenStore {
public:
    QCoro::Task<Result<std::optional<QString>, api::KeychainError>> read() override
    {
        co_return Failure { api::KeychainError { 7, QStringLiteral("No keyring answered") } };
    }
    QCoro::Task<Result<Done, api::KeychainError>> save(QString) override
    {
        co_return Failure { api::KeychainError { 7, QStringLiteral("No keyring answered") } };
    }
};

// Runs the operation to its end; every collaborator here answers at once, so this never needs an event loop.
template<class T> bool settled(QCoro::Task<T> task)
{
    bool done = false;
    const auto drive = [](QCoro::Task<T> inner, bool *into) -> QCoro::Task<> {
        co_await std::move(inner);
        *into = true;
    };
    auto driven = drive(std::move(task), &done);
    Q_UNUSED(driven);
    return done;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TestAPIController : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::shared_ptr<test::FakeReceiverControl> m_control;
    std::shared_ptr<test::MemorySceneStore> m_scenes;

    std::unique_ptr<APIController> makeController(
        std::shared_ptr<api::APITokenStore> tokens = nullptr, bool keepToken = false)
    {
        APIController::Parts parts;
        parts.control = m_control;
        parts.sceneStore = m_scenes;
        parts.tokenStore = tokens ? tokens : std::make_shared<api::InMemoryTokenStore>(QStringLiteral("tok"));
        parts.keepTokenInSettings = keepToken;
        return std::make_unique<APIController>(*m_settings, std::move(parts));
    }

private Q_SLOTS:
    void init()
    {
        QFile::remove(m_dir.filePath(QStringLiteral("api.conf")));
        m_settings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("api.conf")), QSettings::IniFormat);
        m_control = std::make_shared<test::FakeReceiverControl>();
        m_control->capDb = -20;
        m_scenes = std::make_shared<test::MemorySceneStore>();
    }

    void defaultsWithoutSavedSettings()
    {
        auto controller = makeController();
        QCOMPARE(controller->enabled(), false);
        QCOMPARE(controller->port(), 8765);
        QCOMPARE(controller->localhostOnly(), true);
        QVERIFY(settled(controller->apply()));
        QCOMPARE(controller->statusLine(), QStringLiteral("API off"));
        QVERIFY(!controller->server().isRunning());
    }

    void storedValues_data()
    {
        QTest::addColumn<QVariant>("enabled");
        QTest::addColumn<QVariant>("port");
        QTest::addColumn<bool>("expectEnabled");
        QTest::addColumn<int>("expectPort");
        QTest::addRow("written by this app") << QVariant(true) << QVariant(9000) << true << 9000;
        QTest::addRow("typed by hand") << QVariant(QStringLiteral("true")) << QVariant(QStringLiteral(" 9001")) << true
                                       << 9001;
        QTest::addRow("wrong types read as defaults")
            << QVariant(QStringLiteral("yes please")) << QVariant(QStringLiteral("eighty")) << false << 8765;
    }

    void storedValues()
    {
        QFETCH(QVariant, enabled);
        QFETCH(QVariant, port);
        m_settings->setValue(QStringLiteral("apiEnabled"), enabled);
        m_settings->setValue(QStringLiteral("apiPort"), port);
        auto controller = makeController();
        QTEST(controller->enabled(), "expectEnabled");
        QTEST(controller->port(), "expectPort");
    }

    void settersWriteThroughAndRestart()
    {
        auto controller = makeController();
        const quint16 port = freePort();
        controller->setPort(port);
        controller->setEnabled(true);
        QTRY_COMPARE(controller->state().kind, APIController::State::Kind::running);
        QCOMPARE(m_settings->value(QStringLiteral("apiEnabled")).toBool(), true);
        QCOMPARE(m_settings->value(QStringLiteral("apiPort")).toInt(), int(port));
        const QString url = QStringLiteral("http://127.0.0.1:%1/api/v1").arg(port);
        QCOMPARE(controller->baseURL(), url);
        QCOMPARE(controller->statusLine(), QStringLiteral("API running at ") + url);

        // Listening on every address still shows the loopback address.
        controller->setLocalhostOnly(false);
        QTRY_COMPARE(controller->state().kind, APIController::State::Kind::running);
        QCOMPARE(controller->statusLine(), QStringLiteral("API running at ") + url);
        QCOMPARE(m_settings->value(QStringLiteral("apiLocalhostOnly")).toBool(), false);

        controller->setEnabled(false);
        QTRY_COMPARE(controller->statusLine(), QStringLiteral("API off"));
        QVERIFY(!controller->server().isRunning());
    }

    void invalidPort_data()
    {
        QTest::addColumn<int>("port");
        QTest::addRow("zero") << 0;
        QTest::addRow("above the range") << 70000;
        QTest::addRow("negative") << -1;
    }

    void invalidPort()
    {
        QFETCH(int, port);
        auto controller = makeController();
        controller->setPort(port);
        controller->setEnabled(true);
        QTRY_COMPARE(controller->state().kind, APIController::State::Kind::failed);
        QCOMPARE(controller->statusLine(), QStringLiteral("API error: Port must be between 1 and 65535."));
        QVERIFY(!controller->server().isRunning());
    }

    void portAlreadyTaken()
    {
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress::LocalHost, 0));
        auto controller = makeController();
        controller->setPort(other.serverPort());
        controller->setEnabled(true);
        QTRY_COMPARE(controller->state().kind, APIController::State::Kind::failed);
        QVERIFY2(controller->statusLine().startsWith(QStringLiteral("API error: Couldn't listen: ")),
            qPrintable(controller->statusLine()));
        QVERIFY(controller->statusLine().size() > QStringLiteral("API error: Couldn't listen: ").size());
    }

    void headlessRunIgnoresTheSwitchWithoutWritingIt()
    {
        auto controller = makeController();
        controller->setPort(freePort());
        controller->enableForThisRun();
        QVERIFY(settled(controller->apply()));
        QCOMPARE(controller->state().kind, APIController::State::Kind::running);
        QVERIFY(!m_settings->contains(QStringLiteral("apiEnabled")));
    }

    void tokenInMockModeIsKeptInTheSettings()
    {
        auto controller = makeController(std::make_shared<api::InMemoryTokenStore>(), true);
        controller->setPort(freePort());
        controller->setEnabled(true);
        QTRY_VERIFY(controller->token().has_value());
        const QString made = *controller->token();
        QCOMPARE(m_settings->value(QStringLiteral("apiMockToken")).toString(), made);

        QVERIFY(settled(controller->regenerateToken()));
        QVERIFY(*controller->token() != made);
        QCOMPARE(m_settings->value(QStringLiteral("apiMockToken")).toString(), *controller->token());
    }

    void tokenFailureKeepsTheToken()
    {
        auto controller = makeController();
        QVERIFY(settled(controller->loadToken()));
        QCOMPARE(controller->token(), std::optional<QString>(QStringLiteral("tok")));
        QVERIFY(!controller->tokenError());

        auto refusing = makeController(std::make_shared<RefusingTokenStore>());
        QVERIFY(settled(refusing->regenerateToken()));
        QCOMPARE(
            refusing->tokenError(), std::optional<QString>(QStringLiteral("Keychain error 7: No keyring answered")));
        QVERIFY(!refusing->token());
        // Starting needs the token, so the state says why it could not.
        refusing->setPort(freePort());
        refusing->setEnabled(true);
        QTRY_COMPARE(refusing->state().kind, APIController::State::Kind::failed);
        QCOMPARE(refusing->statusLine(), QStringLiteral("API error: Keychain error 7: No keyring answered"));
    }

    void sceneMessages()
    {
        m_control->inputNames[0] = QStringList { QStringLiteral("HDMI 1"), QStringLiteral("TV") };
        auto controller = makeController();
        api::ReceiverScene movie;
        movie.name = QStringLiteral("Movie");
        movie.power = api::PowerState::on;
        movie.input = QStringLiteral("hdmi1");
        movie.volumeDb = -35;

        QVERIFY(settled(controller->saveScene(movie)));
        QCOMPARE(controller->sceneMessage(), std::optional<QString>(QStringLiteral("Saved Movie.")));
        QCOMPARE(controller->sceneNames(), QStringList { QStringLiteral("Movie") });
        // Stored as the receiver spells the input.
        QCOMPARE(controller->scenes().first().input, std::optional<QString>(QStringLiteral("HDMI 1")));

        QVERIFY(settled(controller->runScene(QStringLiteral("movie"))));
        QCOMPARE(
            controller->sceneMessage(), std::optional<QString>(QStringLiteral("Ran Movie: power, input, volumeDb.")));
        QCOMPARE(m_control->commands,
            (QStringList { QStringLiteral("setPower main on"), QStringLiteral("setInput main HDMI 1"),
                QStringLiteral("setVolume main -35") }));

        // A volume above the cap is refused by the same rules as the endpoint, before anything is sent.
        movie.name = QStringLiteral("Loud");
        movie.volumeDb = -10;
        QVERIFY(settled(controller->saveScene(movie)));
        QCOMPARE(controller->sceneMessage(),
            std::optional<QString>(QStringLiteral("Volume -10 dB is above the cap of -20 dB.")));
        QCOMPARE(controller->sceneNames(), QStringList { QStringLiteral("Movie") });

        QVERIFY(settled(controller->deleteScene(QStringLiteral("Movie"))));
        QCOMPARE(controller->sceneMessage(), std::optional<QString>(QStringLiteral("Deleted Movie.")));
        QVERIFY(controller->scenes().isEmpty());

        QVERIFY(settled(controller->deleteScene(QStringLiteral("Movie"))));
        QCOMPARE(controller->sceneMessage(), std::optional<QString>(QStringLiteral("No scene called \"Movie\".")));
        QVERIFY(settled(controller->runScene(QStringLiteral("Movie"))));
        QCOMPARE(controller->sceneMessage(), std::optional<QString>(QStringLiteral("No scene called \"Movie\".")));

        m_scenes->failure = api::SceneStoreError { QStringLiteral("The disk is full.") };
        QVERIFY(settled(controller->refreshScenes()));
        QCOMPARE(controller->sceneMessage(),
            std::optional<QString>(QStringLiteral("Couldn't read or write scenes: The disk is full.")));
    }

    void processWideReferenceFollowsTheController()
    {
        auto controller = makeController();
        APIController::setCurrent(controller.get());
        QCOMPARE(APIController::current(), controller.get());
        controller.reset();
        QCOMPARE(APIController::current(), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestAPIController)
#include "tst_apicontroller.moc"
