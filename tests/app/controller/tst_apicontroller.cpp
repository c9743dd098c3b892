// The API controller over fakes: its settings, states and status lines, tokens and scene messages.

#include "app/controller/APIController.h"

#include "api/server/ReceiverAPIServer.h"
#include "support/ManualClock.h"

#include "../ControllerRig.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using namespace amplora;
using namespace amplora::app;
using namespace Qt::StringLiterals;

namespace {

// A keyring that is locked, as a missing or locked Secret Service is: it refuses its first `lockedReads` reads
// (every one while negative), then gives its token; it refuses every save while `savesFail`.
class LockedTokenStore final : public api::APITokenStore {
public:
    api::KeychainError error { 7, u"No keyring answered"_s };
    int lockedReads = -1;
    bool savesFail = true;

    QCoro::Task<Result<std::optional<QString>, api::KeychainError>> read() override
    {
        if (lockedReads == 0)
            co_return std::optional<QString>(u"tok"_s);
        lockedReads = std::max(-1, lockedReads - 1);
        co_return Failure { error };
    }
    QCoro::Task<Result<Done, api::KeychainError>> save(QString) override
    {
        if (savesFail)
            co_return Failure { error };
        co_return Done {};
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
    std::unique_ptr<test::ControllerRig> m_rig;

private Q_SLOTS:
    void init() { m_rig = std::make_unique<test::ControllerRig>(); }

    void storedValues_data()
    {
        QTest::addColumn<QVariant>("enabled"); // not written when invalid
        QTest::addColumn<QVariant>("port");
        QTest::addColumn<bool>("expectEnabled");
        QTest::addColumn<int>("expectPort");
        QTest::addRow("nothing saved") << QVariant() << QVariant() << false << 8765;
        QTest::addRow("written by this app") << QVariant(true) << QVariant(9000) << true << 9000;
        QTest::addRow("typed by hand") << QVariant(u"true"_s) << QVariant(u" 9001"_s) << true << 9001;
        QTest::addRow("wrong types read as defaults")
            << QVariant(u"yes please"_s) << QVariant(u"eighty"_s) << false << 8765;
    }

    void storedValues()
    {
        QFETCH(QVariant, enabled);
        QFETCH(QVariant, port);
        if (enabled.isValid()) {
            m_rig->settings.setValue(u"apiEnabled"_s, enabled);
            m_rig->settings.setValue(u"apiPort"_s, port);
        }
        auto controller = m_rig->make();
        QTEST(controller->enabled(), "expectEnabled");
        QTEST(controller->port(), "expectPort");
        QCOMPARE(controller->localhostOnly(), true);
    }

    void settersWriteThroughAndRestart()
    {
        auto controller = m_rig->make();
        const quint16 port = freePort();
        controller->setPort(port);
        controller->setEnabled(true);
        QTRY_COMPARE(controller->state().kind, APIController::State::Kind::running);
        QCOMPARE(m_rig->settings.value(u"apiEnabled"_s).toBool(), true);
        QCOMPARE(m_rig->settings.value(u"apiPort"_s).toInt(), int(port));
        const QString url = u"http://127.0.0.1:%1/api/v1"_s.arg(port);
        QCOMPARE(controller->baseURL(), url);
        QCOMPARE(controller->statusLine(), u"API running at "_s + url);

        // Listening on every address still shows the loopback address.
        controller->setLocalhostOnly(false);
        QTRY_COMPARE(controller->state().kind, APIController::State::Kind::running);
        QCOMPARE(controller->statusLine(), u"API running at "_s + url);
        QCOMPARE(m_rig->settings.value(u"apiLocalhostOnly"_s).toBool(), false);

        controller->setEnabled(false);
        QTRY_COMPARE(controller->statusLine(), u"API off"_s);
        QVERIFY(!controller->server().isRunning());
    }

    void portsThatCannotBeUsed_data()
    {
        QTest::addColumn<int>("port"); // -1: one another listener holds
        QTest::addColumn<QString>("statusLine"); // for a taken port, how it starts
        QTest::addRow("zero") << 0 << u"API error: Port must be between 1 and 65535."_s;
        QTest::addRow("above the range") << 70000 << u"API error: Port must be between 1 and 65535."_s;
        QTest::addRow("taken") << -1 << u"API error: Couldn't listen: "_s;
    }

    void portsThatCannotBeUsed()
    {
        QFETCH(int, port);
        QFETCH(QString, statusLine);
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress::LocalHost, 0));
        auto controller = m_rig->make();
        controller->setPort(port < 0 ? other.serverPort() : port);
        controller->setEnabled(true);
        QTRY_COMPARE(controller->state().kind, APIController::State::Kind::failed);
        const QString line = controller->statusLine(); // the listener's reason follows its prefix
        QVERIFY2(port < 0 ? line.startsWith(statusLine) && line.size() > statusLine.size() : line == statusLine,
            qPrintable(line));
        QVERIFY(!controller->server().isRunning());
    }

    void headlessRunIgnoresTheSwitchWithoutWritingIt()
    {
        auto controller = m_rig->make();
        controller->setPort(freePort());
        controller->enableForThisRun();
        QVERIFY(settled(controller->apply()));
        QCOMPARE(controller->state().kind, APIController::State::Kind::running);
        QVERIFY(!m_rig->settings.contains(u"apiEnabled"_s));
    }

    void tokenInMockModeIsKeptInTheSettings()
    {
        auto controller = m_rig->make(std::make_shared<api::InMemoryTokenStore>(), true);
        controller->setPort(freePort());
        controller->setEnabled(true);
        QTRY_VERIFY(controller->token().has_value());
        const QString made = *controller->token();
        QCOMPARE(m_rig->settings.value(u"apiMockToken"_s).toString(), made);

        QVERIFY(settled(controller->regenerateToken()));
        QVERIFY(*controller->token() != made);
        QCOMPARE(m_rig->settings.value(u"apiMockToken"_s).toString(), *controller->token());
    }

    void tokenFailureKeepsTheToken()
    {
        // A new token that cannot be saved leaves the one shown before in place.
        auto unsaved = std::make_shared<LockedTokenStore>();
        unsaved->lockedReads = 0;
        auto keeping = m_rig->make(unsaved);
        QVERIFY(settled(keeping->loadToken()));
        QVERIFY(settled(keeping->regenerateToken()));
        QCOMPARE(keeping->token(), std::optional<QString>(u"tok"_s));
        QCOMPARE(keeping->tokenError(), std::optional<QString>(u"Keychain error 7: No keyring answered"_s));

        auto refusing = m_rig->make(std::make_shared<LockedTokenStore>());
        QVERIFY(settled(refusing->regenerateToken()));
        QCOMPARE(refusing->tokenError(), std::optional<QString>(u"Keychain error 7: No keyring answered"_s));
        QVERIFY(!refusing->token());
        // Starting needs the token, so the state says why it could not.
        refusing->setPort(freePort());
        refusing->setEnabled(true);
        QTRY_COMPARE(refusing->state().kind, APIController::State::Kind::failed);
        QCOMPARE(refusing->statusLine(), u"API error: Keychain error 7: No keyring answered. Trying again in 10 s."_s);
    }

    void aTokenStoreFailureIsTriedAgainLater()
    {
        test::ManualClock clock;
        m_rig->clock = &clock;
        auto tokens = std::make_shared<LockedTokenStore>();
        tokens->error = { -2, u"The login keyring is locked."_s };
        tokens->lockedReads = 2;
        tokens->savesFail = false;
        auto controller = m_rig->make(tokens);
        controller->setPort(freePort());
        controller->setEnabled(true);
        QTRY_COMPARE(controller->state().kind, APIController::State::Kind::failed);
        QVERIFY(controller->state().retrying);
        QCOMPARE(controller->statusLine(),
            u"API error: Keychain error -2: The login keyring is locked. Trying again in 10 s."_s);

        clock.advance(std::chrono::seconds(9));
        QCOMPARE(controller->statusLine(),
            u"API error: Keychain error -2: The login keyring is locked. Trying again in 10 s."_s);
        clock.advance(std::chrono::seconds(1));
        QTRY_COMPARE(controller->statusLine(),
            u"API error: Keychain error -2: The login keyring is locked. Trying again in 20 s."_s);
        clock.advance(std::chrono::seconds(20));
        QTRY_COMPARE(controller->state().kind, APIController::State::Kind::running);
        QCOMPARE(controller->server().port().has_value(), true);

        // Stopping the API ends the retries (the switch stays on, so a retry that ran would start it).
        tokens->lockedReads = 1;
        controller->setPort(freePort());
        QTRY_VERIFY(controller->state().retrying);
        controller->stop();
        clock.advance(std::chrono::minutes(10));
        QCOMPARE(controller->state().kind, APIController::State::Kind::off);

        QList<qint64> delays;
        for (int failures = 0; failures < 7; ++failures)
            delays.append(APIController::tokenRetryDelay(failures).count());
        QCOMPARE(delays, (QList<qint64> { 10, 20, 40, 80, 160, 300, 300 }));
    }

    void sceneMessages()
    {
        m_rig->control->inputNames[0] = QStringList { u"HDMI 1"_s, u"TV"_s };
        auto controller = m_rig->make();
        api::ReceiverScene movie;
        movie.name = u"Movie"_s;
        movie.power = api::PowerState::on;
        movie.input = u"hdmi1"_s;
        movie.volumeDb = -35;

        QVERIFY(settled(controller->saveScene(movie)));
        QCOMPARE(controller->sceneMessage(), std::optional<QString>(u"Saved Movie."_s));
        QCOMPARE(controller->sceneNames(), QStringList { u"Movie"_s });
        // Stored as the receiver spells the input.
        QCOMPARE(controller->scenes().first().input, std::optional<QString>(u"HDMI 1"_s));

        QVERIFY(settled(controller->runScene(u"movie"_s)));
        QCOMPARE(controller->sceneMessage(), std::optional<QString>(u"Ran Movie: power, input, volumeDb."_s));
        QCOMPARE(m_rig->control->commands,
            (QStringList { u"setPower main on"_s, u"setInput main HDMI 1"_s, u"setVolume main -35"_s }));

        // A volume above the cap is refused by the same rules as the endpoint, before anything is sent.
        movie.name = u"Loud"_s;
        movie.volumeDb = -10;
        QVERIFY(settled(controller->saveScene(movie)));
        QCOMPARE(controller->sceneMessage(), std::optional<QString>(u"Volume -10 dB is above the cap of -20 dB."_s));
        QCOMPARE(controller->sceneNames(), QStringList { u"Movie"_s });

        QVERIFY(settled(controller->deleteScene(u"Movie"_s)));
        QCOMPARE(controller->sceneMessage(), std::optional<QString>(u"Deleted Movie."_s));
        QVERIFY(controller->scenes().isEmpty());

        QVERIFY(settled(controller->deleteScene(u"Movie"_s)));
        QCOMPARE(controller->sceneMessage(), std::optional<QString>(u"No scene called \"Movie\"."_s));
        QVERIFY(settled(controller->runScene(u"Movie"_s)));
        QCOMPARE(controller->sceneMessage(), std::optional<QString>(u"No scene called \"Movie\"."_s));

        m_rig->scenes->failure = api::SceneStoreError { u"The disk is full."_s };
        QVERIFY(settled(controller->refreshScenes()));
        QCOMPARE(
            controller->sceneMessage(), std::optional<QString>(u"Couldn't read or write scenes: The disk is full."_s));
    }
};

QTEST_GUILESS_MAIN(TestAPIController)
#include "tst_apicontroller.moc"
