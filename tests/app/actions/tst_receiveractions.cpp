// The actions over the fake control (texts, rounding, name matching, queries), and the same actions through the
// session bus in a private D-Bus session.

#include "app/actions/ReceiverActions.h"
#include "app/controller/APIController.h"
#include "app/dbus/ActionService.h"
#include "app/dbus/RunningInstance.h"

#include "api/auth/InMemoryTokenStore.h"
#include "support/FakeReceiverControl.h"
#include "support/MemorySceneStore.h"
#include "support/WaitFor.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace amplora;
using namespace amplora::app;

class TestReceiverActions : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::shared_ptr<test::FakeReceiverControl> m_control;
    std::shared_ptr<test::MemorySceneStore> m_scenes;
    std::unique_ptr<APIController> m_controller;

    ReceiverActions actions()
    {
        APIController *controller = m_controller.get();
        return ReceiverActions([controller] { return controller; });
    }

    template<class T> static QString outcome(const Result<T, ActionError> &result)
    {
        if (!result) {
            return result.error().code + QStringLiteral(": ") + result.error().message;
        }
        if constexpr (std::is_same_v<T, QStringList>) {
            return result.value().join(QStringLiteral(" | "));
        } else {
            return result.value();
        }
    }

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("a.conf")), QSettings::IniFormat);
        m_control = std::make_shared<test::FakeReceiverControl>();
        m_control->capDb = -20;
        m_control->inputNames[0]
            = QStringList { QStringLiteral("HDMI 1"), QStringLiteral("TV"), QStringLiteral("Apple TV") };
        m_control->inputNames[1] = QStringList { QStringLiteral("TV"), QStringLiteral("Tuner") };
        m_control->soundModeNames[0] = QStringList { QStringLiteral("Straight"), QStringLiteral("Sci-Fi") };
        m_scenes = std::make_shared<test::MemorySceneStore>();
        APIController::Parts parts;
        parts.control = m_control;
        parts.sceneStore = m_scenes;
        parts.tokenStore = std::make_shared<api::InMemoryTokenStore>(QStringLiteral("tok"));
        m_controller = std::make_unique<APIController>(*m_settings, std::move(parts));
    }

    void volume_data()
    {
        QTest::addColumn<double>("db");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("sent");
        QTest::addRow("just below the cap rounds onto it") << -20.2 << "Volume -20.0 dB."
                                                           << "setVolume main -20";
        QTest::addRow("just above the cap rounds onto it") << -19.8 << "Volume -20.0 dB."
                                                           << "setVolume main -20";
        QTest::addRow("rounds above the cap") << -19.7 << "above_cap: -19.5 dB is above the volume cap of -20.0 dB."
                                              << "";
        QTest::addRow("below the range") << -81.0 << "out_of_range: -81.0 dB is below the receiver's range."
                                         << "";
        QTest::addRow("lowest value") << -80.5 << "Volume -80.5 dB."
                                      << "setVolume main -80.5";
        QTest::addRow("half rounds away from zero") << -35.25 << "Volume -35.5 dB."
                                                    << "setVolume main -35.5";
    }

    void volume()
    {
        QFETCH(double, db);
        auto a = actions();
        QTEST(outcome(test::waitFor(a.setVolume(api::Zone::main, db))), "answer");
        QTEST(m_control->commands.join(u','), "sent");
    }

    void answers_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("sent");
        QTest::addRow("power") << 0 << "Done."
                               << "setPower zone2 standby";
        QTest::addRow("mute") << 1 << "Muted."
                              << "setMute main true";
        QTest::addRow("unmute") << 2 << "Unmuted."
                                << "setMute main false";
        QTest::addRow("input loosely named") << 3 << "Switched to HDMI 1."
                                             << "setInput main HDMI 1";
        QTest::addRow("unknown input lists every name")
            << 4 << "unknown_name: No input called \u201CPhono\u201D. Try one of: HDMI 1, TV, Apple TV."
            << "";
        QTest::addRow("sound mode, always main") << 5 << "Sound mode Sci-Fi."
                                                 << "setSoundMode main Sci-Fi";
        QTest::addRow("unknown scene") << 6 << "scene_not_found: No scene called \"Night\"."
                                       << "";
    }

    void answers()
    {
        QFETCH(int, action);
        auto a = actions();
        Result<QString, ActionError> result = QString();
        switch (action) {
        case 0:
            result = test::waitFor(a.setPower(api::Zone::zone2, api::PowerState::standby));
            break;
        case 1:
            result = test::waitFor(a.mute(api::Zone::main, true));
            break;
        case 2:
            result = test::waitFor(a.mute(api::Zone::main, false));
            break;
        case 3:
            result = test::waitFor(a.switchInput(api::Zone::main, QStringLiteral("hdmi-1")));
            break;
        case 4:
            result = test::waitFor(a.switchInput(api::Zone::main, QStringLiteral("Phono")));
            break;
        case 5:
            result = test::waitFor(a.setSoundMode(QStringLiteral("scifi")));
            break;
        case 6:
            result = test::waitFor(a.runScene(QStringLiteral("Night")));
            break;
        }
        QTEST(outcome(result), "answer");
        QTEST(m_control->commands.join(u','), "sent");
    }

    void controlErrorsPassThrough()
    {
        api::APIError readOnly;
        readOnly.status = 502;
        readOnly.code = QStringLiteral("read_only");
        readOnly.message = QStringLiteral("Amplora is running read-only (--read-only), so it blocked main/setMute "
                                          "before it reached the receiver. Nothing was changed.");
        m_control->failOn(QStringLiteral("setMute"), api::ControlError::fromAPIError(readOnly));
        m_control->failOnReceiver(QStringLiteral("setPower"), QStringLiteral("The receiver did not answer."));
        auto a = actions();
        QCOMPARE(
            outcome(test::waitFor(a.mute(api::Zone::main, true))), QStringLiteral("read_only: ") + readOnly.message);
        QCOMPARE(outcome(test::waitFor(a.setPower(api::Zone::main, api::PowerState::on))),
            QStringLiteral("receiver_error: The receiver did not answer."));
    }

    void notReadyBeforeTheController()
    {
        ReceiverActions early([] { return nullptr; });
        const QString text = QStringLiteral("not_ready: Amplora is still starting. Try again in a moment.");
        QCOMPARE(outcome(test::waitFor(early.setPower(api::Zone::main, api::PowerState::on))), text);
        QCOMPARE(outcome(test::waitFor(early.setVolume(api::Zone::main, -30))), text);
        QCOMPARE(outcome(test::waitFor(early.runScene(QStringLiteral("Movie")))), text);
        QCOMPARE(outcome(test::waitFor(early.inputs(QString()))), text);
        QVERIFY(m_control->commands.isEmpty());
    }

    void queries_data()
    {
        QTest::addColumn<int>("query");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("names");
        QTest::addRow("inputs of both zones, each once") << 0 << ""
                                                         << "HDMI 1 | TV | Apple TV | Tuner";
        QTest::addRow("inputs containing the search") << 0 << "tv"
                                                      << "TV | Apple TV";
        QTest::addRow("search ignores spacing and case") << 0 << "appleT V"
                                                         << "Apple TV";
        QTest::addRow("sound modes") << 1 << "sci fi"
                                     << "Sci-Fi";
        QTest::addRow("scenes") << 2 << ""
                                << "Movie | Night";
        QTest::addRow("scenes found by part") << 2 << "nig"
                                              << "Night";
    }

    void queries()
    {
        QFETCH(int, query);
        QFETCH(QString, search);
        for (const QString &name : { QStringLiteral("Movie"), QStringLiteral("Night") }) {
            api::ReceiverScene scene;
            scene.name = name;
            scene.power = api::PowerState::on;
            m_scenes->scenes.append(scene);
        }
        auto a = actions();
        Result<QStringList, ActionError> names = QStringList();
        switch (query) {
        case 0:
            names = test::waitFor(a.inputs(search));
            break;
        case 1:
            names = test::waitFor(a.soundModes(search));
            break;
        case 2:
            names = test::waitFor(a.scenes(search));
            break;
        }
        QTEST(outcome(names), "names");
    }

    void overTheSessionBus()
    {
        if (!QDBusConnection::sessionBus().isConnected()) {
            QSKIP("No session bus (run under ctest, which gives this test a private one)");
        }
        // Nothing owns the name yet.
        const auto absent = RunningInstance::call(QStringLiteral("Mute"), { QStringLiteral("main"), true });
        QVERIFY(!absent);
        QVERIFY(absent.error().notRunning);
        QCOMPARE(absent.error().message, QStringLiteral("Amplora is not running."));

        APIController *controller = m_controller.get();
        ActionService service([controller] { return controller; });
        QCOMPARE(service.registerOn(QDBusConnection::sessionBus()), ActionService::Registration::registered);
        ActionService second([controller] { return controller; });
        // A second process has a connection of its own; here a second connection stands in for it.
        QCOMPARE(
            second.registerOn(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("second"))),
            ActionService::Registration::nameTaken);

        // A separate connection plays the command line; this thread's event loop serves the call meanwhile.
        QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client"));
        const auto callService = [&client](const QString &method, const QVariantList &args) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                ActionService::serviceName(), ActionService::objectPath(), ActionService::interfaceName(), method);
            call.setArguments(args);
            QDBusPendingCall pending = client.asyncCall(call, 10000);
            QDBusPendingCallWatcher watcher(pending);
            QSignalSpy finished(&watcher, &QDBusPendingCallWatcher::finished);
            if (!pending.isFinished()) {
                finished.wait(10000);
            }
            return pending.reply();
        };

        const QDBusMessage volume = callService(QStringLiteral("SetVolume"), { QStringLiteral("main"), -30.0 });
        QCOMPARE(volume.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(volume.arguments().value(0).toString(), QStringLiteral("Volume -30.0 dB."));

        const QDBusMessage capped = callService(QStringLiteral("SetVolume"), { QStringLiteral("zone2"), -10.0 });
        QCOMPARE(capped.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(capped.errorName(), QStringLiteral("org.amplora.Amplora.Error.above_cap"));
        QCOMPARE(capped.errorMessage(), QStringLiteral("-10.0 dB is above the volume cap of -20.0 dB."));

        const QDBusMessage badZone = callService(QStringLiteral("Mute"), { QStringLiteral("zone3"), true });
        QCOMPARE(badZone.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(badZone.errorMessage(), QStringLiteral("zone must be \"main\" or \"zone2\"."));

        const QDBusMessage inputs = callService(QStringLiteral("Inputs"), { QStringLiteral("tv") });
        QCOMPARE(inputs.arguments().value(0).toStringList(),
            (QStringList { QStringLiteral("TV"), QStringLiteral("Apple TV") }));

        const QDBusMessage token = callService(QStringLiteral("APIToken"), { false });
        QCOMPARE(token.arguments().value(0).toString(), QStringLiteral("tok"));

        service.showWindow
            = [] { return std::optional<QString>(QStringLiteral("Amplora is running without windows (--headless).")); };
        const QDBusMessage show = callService(QStringLiteral("ShowWindow"), {});
        QCOMPARE(show.errorMessage(), QStringLiteral("Amplora is running without windows (--headless)."));
        QCOMPARE(m_control->commands, QStringList { QStringLiteral("setVolume main -30") });
        QDBusConnection::sessionBus().unregisterService(ActionService::serviceName());
        QDBusConnection::sessionBus().unregisterObject(ActionService::objectPath());
    }
};

QTEST_GUILESS_MAIN(TestReceiverActions)
#include "tst_receiveractions.moc"
