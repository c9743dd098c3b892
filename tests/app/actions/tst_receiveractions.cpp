// The actions over the fake control (their own answers, queries, errors passed on), and the same actions through
// the session bus in a private D-Bus session.

#include "app/actions/ReceiverActions.h"
#include "app/controller/APIController.h"
#include "app/dbus/ActionService.h"
#include "app/dbus/RunningInstance.h"

#include "support/WaitFor.h"

#include "../ControllerRig.h"
#include "../TableRows.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>

using namespace amplora;
using namespace amplora::app;
using namespace Qt::StringLiterals;
using api::Zone;

namespace {

// One query, run to its end with the search text.
using Query = std::function<Result<QStringList, ActionError>(ReceiverActions &, QString)>;

// One call of the actions' bus interface from `client`, as the command line makes it: the answer (a list joined
// with ", "), or "<error name>: <message>".
QString overTheBus(const QDBusConnection &client, const QString &method, const QVariantList &args)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        ActionService::serviceName(), ActionService::objectPath(), ActionService::interfaceName(), method);
    call.setArguments(args);
    const QDBusMessage reply = QDBusConnection(client).call(call, QDBus::BlockWithGui, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return reply.errorName() + u": "_s + reply.errorMessage();
    const QVariant value = reply.arguments().value(0);
    return value.typeId() == QMetaType::QStringList ? value.toStringList().join(u", "_s) : value.toString();
}

} // namespace

Q_DECLARE_METATYPE(Query)

class TestReceiverActions : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ControllerRig> m_rig;
    std::unique_ptr<APIController> m_controller;

    ReceiverActions actions() { return ReceiverActions({ m_rig->control, m_rig->sceneService }); }

    template<class T> static QString outcome(const Result<T, ActionError> &result)
    {
        if (!result) {
            return result.error().code + u": "_s + result.error().message;
        }
        if constexpr (std::is_same_v<T, QStringList>) {
            return result.value().join(u" | "_s);
        } else {
            return result.value();
        }
    }

private Q_SLOTS:
    void init()
    {
        m_controller.reset();
        m_rig = std::make_unique<test::ControllerRig>();
        m_rig->control->inputNames[0] = QStringList { u"HDMI 1"_s, u"TV"_s, u"Apple TV"_s };
        m_rig->control->inputNames[1] = QStringList { u"TV"_s, u"Tuner"_s };
        m_rig->control->soundModeNames[0] = QStringList { u"Straight"_s, u"Sci-Fi"_s };
        m_controller = m_rig->make();
    }

    // The actions' own answers, and the control's errors passed on with the API's codes. What each action sends
    // and how it refuses is held by the doors' contract table, on the real control.
    void answersAndErrorsPassedOn()
    {
        m_rig->control->failOn(u"setMute"_s, api::ControlError::readOnly(u"main/setMute"_s));
        m_rig->control->failOnReceiver(u"setPower"_s, u"The receiver did not answer."_s);
        auto a = actions();
        QCOMPARE(outcome(test::waitFor(a.runScene(u"Night"_s))), u"scene_not_found: No scene called \"Night\"."_s);
        QCOMPARE(outcome(test::waitFor(a.checkPushEvents())), u"Push events arrive (40 ms)."_s);
        QCOMPARE(outcome(test::waitFor(a.mute(api::Zone::main, true))),
            u"read_only: Amplora is running read-only (--read-only), so it blocked main/setMute before it reached "
            "the receiver. Nothing was changed."_s);
        QCOMPARE(outcome(test::waitFor(a.setPower(api::Zone::main, api::PowerState::on))),
            u"receiver_error: The receiver did not answer."_s);
        m_rig->control->failOn(u"checkPushEvents"_s, api::ControlError::noPushEvents(u"No push event arrived."_s));
        QCOMPARE(outcome(test::waitFor(a.checkPushEvents())), u"no_push_events: No push event arrived."_s);
    }

    void notReadyBeforeTheParts()
    {
        ReceiverActions early({});
        const QString text = u"not_ready: Amplora is still starting. Try again in a moment."_s;
        QCOMPARE(outcome(test::waitFor(early.setPower(api::Zone::main, api::PowerState::on))), text);
        QCOMPARE(outcome(test::waitFor(early.setVolume(api::Zone::main, -30))), text);
        QCOMPARE(outcome(test::waitFor(early.inputs(QString()))), text);
        QVERIFY(m_rig->control->commands.isEmpty());
    }

    void queries_data()
    {
        QTest::addColumn<Query>("query");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("names");
        const Query inputs = [](auto &a, QString search) { return test::waitFor(a.inputs(search)); };
        const Query modes = [](auto &a, QString search) { return test::waitFor(a.soundModes(search)); };
        const Query scenes = [](auto &a, QString search) { return test::waitFor(a.scenes(search)); };
        const Query favourites = [](auto &a, QString search) { return test::waitFor(a.favourites(search)); };
        test::row("inputs of both zones, each once", inputs, "", "HDMI 1 | TV | Apple TV | Tuner");
        // One filter serves every query: its rules here, on the inputs.
        test::row("inputs containing the search", inputs, "tv", "TV | Apple TV");
        test::row("search ignores spacing and case", inputs, "appleT V", "Apple TV");
        test::row("sound modes", modes, "sci fi", "Sci-Fi");
        test::row("scenes", scenes, "", "Movie | Night");
        test::row("favourites in slot order", favourites, "", "Harbour FM | Morning Jazz | Vinyl Rips");
    }

    void queries()
    {
        QFETCH(Query, query);
        QFETCH(QString, search);
        for (const QString &name : { u"Movie"_s, u"Night"_s }) {
            api::ReceiverScene scene;
            scene.name = name;
            scene.power = api::PowerState::on;
            m_rig->scenes->scenes.append(scene);
        }
        auto a = actions();
        QTEST(outcome(query(a, search)), "names");
    }

    // "run scene" on the bus goes straight to the scene service: no API controller and no server exist here.
    // The volume cap holds for it; the API clients' rate limit does not.
    void sceneOverTheBusWithoutTheAPI_data()
    {
        QTest::addColumn<double>("volumeDb");
        QTest::addColumn<int>("runs");
        QTest::addColumn<QString>("answer"); // of the last run
        QTest::addColumn<int>("commandsSent");
        test::row("more runs than the API allows volume changes", -30.0, 6, "Ran Movie.", 12);
        test::row("above the cap lowered since it was saved", -10.0, 1,
            "org.amplora.Amplora.Error.volume_above_cap: Volume -10 dB is above the cap of -20 dB.", 0);
    }
    void sceneOverTheBusWithoutTheAPI()
    {
        if (!QDBusConnection::sessionBus().isConnected()) {
            QSKIP("No session bus (run under ctest, which gives this test a private one)");
        }
        QFETCH(double, volumeDb);
        QFETCH(int, runs);
        api::ReceiverScene movie;
        movie.name = u"Movie"_s;
        movie.power = api::PowerState::on;
        movie.volumeDb = volumeDb;
        m_rig->scenes->scenes.append(movie);
        m_controller.reset();

        ActionService service({ m_rig->control, m_rig->sceneService }, [] { return nullptr; });
        QCOMPARE(service.registerOn(QDBusConnection::sessionBus()), ActionService::Registration::registered);
        QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"scene-client"_s);
        QString answer;
        for (int run = 0; run < runs; ++run)
            answer = overTheBus(client, u"RunScene"_s, { u"movie"_s });
        QDBusConnection::sessionBus().unregisterService(ActionService::serviceName());
        QDBusConnection::sessionBus().unregisterObject(ActionService::objectPath());
        QDBusConnection::disconnectFromBus(u"scene-client"_s);
        QTEST(answer, "answer");
        QTEST(int(m_rig->control->commands.size()), "commandsSent");
    }

    void overTheSessionBus()
    {
        if (!QDBusConnection::sessionBus().isConnected()) {
            QSKIP("No session bus (run under ctest, which gives this test a private one)");
        }
        // Nothing owns the name yet.
        const auto absent = RunningInstance::call(u"Mute"_s, { u"main"_s, true });
        QVERIFY(!absent);
        QCOMPARE(absent.error().kind, InstanceCallError::Kind::notRunning);
        QCOMPARE(absent.error().message, u"Amplora is not running."_s);

        APIController *controller = m_controller.get();
        const ReceiverActions::Parts parts { m_rig->control, m_rig->sceneService };
        ActionService service(parts, [controller] { return controller; });
        QCOMPARE(service.registerOn(QDBusConnection::sessionBus()), ActionService::Registration::registered);
        ActionService second(parts, [controller] { return controller; });
        // A second process has a connection of its own; here a second connection stands in for it.
        QCOMPARE(second.registerOn(QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"second"_s)),
            ActionService::Registration::nameTaken);

        // A separate connection plays the command line; this thread's event loop serves the call meanwhile.
        QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"client"_s);
        const auto bus
            = [&client](const QString &method, const QVariantList &args) { return overTheBus(client, method, args); };
        const QString error = u"org.amplora.Amplora.Error."_s;
        const QString invalid = u"org.freedesktop.DBus.Error.InvalidArgs: "_s;
        QCOMPARE(bus(u"SetVolume"_s, { u"main"_s, -30.0 }), u"Volume -30.0 dB."_s);
        QCOMPARE(bus(u"SetVolume"_s, { u"zone2"_s, -10.0 }),
            error + u"above_cap: -10.0 dB is above the volume cap of -20.0 dB."_s);
        QCOMPARE(bus(u"RampVolume"_s, { u"main"_s, -30.0, 8.0 }), u"Fading to -30.0 dB over 8 s."_s);
        QCOMPARE(bus(u"Mute"_s, { u"zone3"_s, true }), invalid + u"zone must be \"main\" or \"zone2\"."_s);
        QCOMPARE(bus(u"Inputs"_s, { u"tv"_s }), u"TV, Apple TV"_s);
        QCOMPARE(bus(u"RecallFavourite"_s, { u""_s, u"harbour fm"_s }), u"Recalled Harbour FM."_s);
        QCOMPARE(bus(u"SetSleep"_s, { u"main"_s, -5 }), invalid + u"The sleep timer takes minutes from 0 (off) up."_s);
        QCOMPARE(bus(u"APIToken"_s, { false }), u"tok"_s);
        service.showWindow
            = [] { return std::optional<QString>(u"Amplora is running without windows (--headless)."_s); };
        QCOMPARE(bus(u"ShowWindow"_s, {}), error + u"no_window: Amplora is running without windows (--headless)."_s);
        QCOMPARE(m_rig->control->commands,
            (QStringList { u"setVolume main -30"_s, u"rampVolume main -30 8"_s, u"recallFavourite main 1"_s }));
        QDBusConnection::sessionBus().unregisterService(ActionService::serviceName());
        QDBusConnection::sessionBus().unregisterObject(ActionService::objectPath());
    }
};

QTEST_GUILESS_MAIN(TestReceiverActions)
#include "tst_receiveractions.moc"
