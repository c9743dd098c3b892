// The control adapter on a real store, against the fake receiver over loopback (also read-only, where nothing
// may reach it). Against the mock receiver it runs in tst_headless, inside the --mock application.

#include "app/controller/ReceiverControlAdapter.h"

#include "../ControlOutcome.h"
#include "../TableRows.h"
#include "../contract/DoorsRig.h"

#include <QUdpSocket>
#include <algorithm>

using namespace amplora;
using amplora::app::ReceiverControlAdapter;
using amplora::test::FakeReceiver;
using namespace Qt::StringLiterals;

namespace {

// One call of the control, run to its end.
using Operation = std::function<QString(api::ReceiverControl &)>;
using test::outcome;
Operation op(Operation operation)
{
    return operation;
}

// One store on one transport, with the settings in a private file.
struct Rig {
    QTemporaryDir dir;
    test::ManualClock clock;
    AppSettings settings;
    ReceiverStore store;
    ReceiverControlAdapter adapter;

    Rig(LaunchOptions launch, std::shared_ptr<ReceiverTransport> transport, const QString &host = {})
        : settings(std::make_unique<QSettings>(dir.filePath(u"a.conf"_s), QSettings::IniFormat))
        // The address is saved before the store reads it.
        , store((settings.setHost(host), settings), launch,
              ReceiverStoreParts { std::move(transport), {}, {}, {}, &clock, QHostAddress(QHostAddress::LocalHost), 0 })
        , adapter(store)
    {
        settings.setMaxVolumeDB(-10);
    }
};

// Main muted, on an input whose name only getNameText gives.
const QByteArray onHdmi
    = QByteArray(test::doorsMainStatus).replace("\"spotify\"", "\"hdmi1\"").replace("\"mute\":false", "\"mute\":true");

const QByteArray device = R"({"response_code":0,"model_name":"RX-V481","device_id":"AC44F2000001"})";

} // namespace

Q_DECLARE_METATYPE(Operation)

class TestReceiverControlAdapter : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeReceiver> m_receiver;

    std::unique_ptr<Rig> rig(bool readOnly = false)
    {
        LaunchOptions launch;
        launch.readOnly = readOnly;
        launch.isRunningTests = true;
        return std::make_unique<Rig>(launch, std::make_shared<YXCClient>(m_receiver->host(), readOnly));
    }

    // A rig for the receiver's address, which answers everything connecting asks.
    std::unique_ptr<Rig> connectableRig()
    {
        m_receiver->answer(u"system/getDeviceInfo"_s, device);
        LaunchOptions launch;
        launch.isRunningTests = true;
        return std::make_unique<Rig>(launch, std::make_shared<YXCClient>(m_receiver->host()), m_receiver->host());
    }

private Q_SLOTS:
    void init()
    {
        m_receiver = std::make_unique<FakeReceiver>();
        test::serveDoors(*m_receiver);
    }

    void statusOfEachZone()
    {
        m_receiver->answer(u"main/getStatus"_s, onHdmi);
        m_receiver->answer(u"zone2/getStatus"_s, QByteArray(test::doorsZone2Status).replace("\"on\"", "\"standby\""));
        auto r = rig();
        const auto main = test::waitFor(r->adapter.status(api::Zone::main, Cancellation()));
        QVERIFY2(main, qPrintable(main ? QString() : main.error().description()));
        // Features and names were fetched first, because the store held neither.
        QStringList asked;
        for (const auto &request : m_receiver->requests())
            asked.append(request.target());
        QCOMPARE(asked.first(), u"system/getFeatures"_s);
        QVERIFY2(
            asked.indexOf(u"system/getNameText"_s) < asked.indexOf(u"main/getStatus"_s), qPrintable(asked.join(u' ')));
        QCOMPARE(*main,
            (api::ReceiverStatus { api::Zone::main, api::PowerState::on, -20.0, true, u"Blu-ray"_s, u"Straight"_s, 2.0,
                -1.0, 1.5, std::nullopt, 0, false, false, 1, {}, {}, {} }));
        // No decibel value: the raw steps on the zone's scale. No subwoofer in the zone's functions: none shown. What
        // plays only where the input is a player's.
        QCOMPARE(test::waitFor(r->adapter.status(api::Zone::zone2, Cancellation())).value(),
            (api::ReceiverStatus { api::Zone::zone2, api::PowerState::standby, -60.5, false, u"Spotify"_s, {}, {}, {},
                {}, api::NowPlaying { u"play"_s, {}, {}, u"Song"_s, {}, {}, {}, {} }, {}, {}, {}, {},
                api::RepeatMode::off, {}, {} }));
    }

    // A status asked for again within the second comes from the store; after a change through the adapter it
    // comes from the receiver, so a caller reads what it just set.
    void statusIsReadAgainOnlyAfterAChange()
    {
        auto r = rig();
        const auto statusRequests = [this] {
            return std::ranges::count_if(
                m_receiver->requests(), [](const auto &request) { return request.target() == u"main/getStatus"_s; });
        };
        QVERIFY(test::waitFor(r->adapter.status(api::Zone::main, Cancellation())));
        r->clock.advance(std::chrono::milliseconds(999));
        QVERIFY(test::waitFor(r->adapter.status(api::Zone::main, Cancellation())));
        QCOMPARE(statusRequests(), 1);

        m_receiver->answer(u"main/getStatus"_s, QByteArray(test::doorsMainStatus).replace("-20.0", "-30.0"));
        QCOMPARE(outcome(r->adapter.setVolume(api::Zone::main, -30, Cancellation())), u"done"_s);
        QCOMPARE(test::waitFor(r->adapter.status(api::Zone::main, Cancellation())).value().volumeDb, -30.0);
        QCOMPARE(statusRequests(), 2);
    }

    // What the doors' contract table does not hold: stepping against caps, zones the receiver lacks or describes
    // badly, a refused status, plain direct, the favourites list. Each row may replace one answer of the receiver
    // and set the cap (else -10 dB); every operation reads the zone's status at most once.
    void operations_data()
    {
        using api::Zone;
        using Direction = api::VolumeStepDirection;
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("request");
        QTest::addColumn<double>("capDb");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("answer");
        const auto row = [](const char *name, const Operation &operation, const QString &outcome, const char *request,
                             double capDb = -10, const QString &path = {}, const QByteArray &answer = {}) {
            QTest::newRow(name) << operation << outcome << QString::fromLatin1(request) << capDb << path << answer;
        };
        const QString featuresPath = u"system/getFeatures"_s;
        QByteArray mainOnly = test::doorsFeatures;
        mainOnly.replace("{\"id\":\"zone2\"", "{\"id\":\"zone4\"");
        QByteArray noRange = test::doorsFeatures;
        noRange.replace(
            noRange.indexOf("actual_volume_db", noRange.indexOf("{\"id\":\"zone2\"")), 16, "other_range_db00");
        const QByteArray refused = R"({"response_code":5})";
        const QString statusRefused
            = u"receiverFailed: "_s + YXCError::responseCode(5, u"main/getStatus"_s).description();
        const auto step = [](Zone zone, Direction direction) {
            return op([zone, direction](auto &c) { return outcome(c.stepVolume(zone, direction, Cancellation())); });
        };
        row("step up to exactly the cap", step(Zone::main, Direction::up), u"-19.5"_s,
            "main/setActualVolume?mode=db&value=-19.5", -19.5);
        row("step up past the cap", step(Zone::main, Direction::up),
            u"volumeAboveCap: Volume -19.5 dB is above the cap of -20 dB."_s, "", -20);
        row("step down from above a lowered cap lands on the cap", step(Zone::main, Direction::down), u"-30"_s,
            "main/setActualVolume?mode=db&value=-30.0", -30);
        row("step in raw steps", step(Zone::zone2, Direction::up), u"-60"_s, "zone2/setVolume?volume=41");
        row("step in a zone without a volume range", step(Zone::zone2, Direction::down),
            u"noVolumeRange: The receiver reported no volume range for zone2."_s, "", -10, featuresPath, noRange);
        row("step from a status the receiver refuses", step(Zone::main, Direction::down), statusRefused, "", -10,
            u"main/getStatus"_s, refused);
        row("zone the receiver lacks", op([](auto &c) { return outcome(c.status(Zone::zone2, Cancellation())); }),
            u"noStatus: The receiver sent no status for zone2."_s, "", -10, featuresPath, mainOnly);
        row("volume in a zone without a volume range",
            op([](auto &c) { return outcome(c.setVolume(Zone::zone2, -40, Cancellation())); }),
            u"noVolumeRange: The receiver reported no volume range for zone2."_s, "", -10, featuresPath, noRange);
        const auto ramp = [](Zone zone, double db) {
            return op([zone, db](auto &c) {
                return outcome(c.rampVolume(zone, db, std::chrono::seconds(8), Cancellation()));
            });
        };
        row("fade in a zone without a volume range", ramp(Zone::zone2, -40),
            u"noVolumeRange: The receiver reported no volume range for zone2."_s, "", -10, featuresPath, noRange);
        row("fade from a status the receiver refuses", ramp(Zone::main, -30), statusRefused, "", -10,
            u"main/getStatus"_s, refused);
        row("fade from above a lowered cap starts below it", ramp(Zone::main, -40), u"done"_s,
            "main/setActualVolume?mode=db&value=-30.5", -30);
        row("status the receiver refuses", op([](auto &c) { return outcome(c.status(Zone::main, Cancellation())); }),
            statusRefused, "", -10, u"main/getStatus"_s, refused);
        row("plain direct where the zone has it",
            op([](auto &c) { return outcome(c.setDirect(Zone::main, false, Cancellation())); }), u"done"_s,
            "main/setDirect?enable=false", -10, featuresPath,
            QByteArray(test::doorsFeatures).replace("\"pure_direct\"", "\"direct\""));
        const Operation favourites = [](auto &c) { return outcome(c.favourites(Zone::main, Cancellation())); };
        row("favourites without the empty slots", favourites, u"1 Harbour FM (net_radio), 3 Vinyl Rips (server)"_s, "");
        row("favourites where not announced", favourites, u"notSupported: main has no favourites."_s, "", -10,
            featuresPath, QByteArray(test::doorsFeatures).replace("\"preset\":{\"num\":3}", "\"other\":{}"));
    }

    void operations()
    {
        QFETCH(Operation, operation);
        QFETCH(double, capDb);
        QFETCH(QString, path);
        QFETCH(QByteArray, answer);
        if (!path.isEmpty())
            m_receiver->answer(path, answer);
        auto r = rig();
        r->settings.setMaxVolumeDB(capDb);
        QTEST(operation(r->adapter), "outcome");
        QTEST(test::changesSent(*m_receiver).join(u','), "request");
        const auto statusReads = std::count_if(m_receiver->requests().begin(), m_receiver->requests().end(),
            [](const auto &request) { return request.path.endsWith(u"/getStatus"_s); });
        QVERIFY(statusReads <= 1);
    }

    // Older firmware answers getNameText with response code 3: names are decoration, so nothing fails for
    // want of them, the receiver's ids stand in, and they are asked for again only under the store's 30 s rule.
    void namesThatCannotBeReadBlockNothing_data()
    {
        using api::Zone;
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("request");
        test::row("volume", op([](auto &c) { return outcome(c.setVolume(Zone::main, -30.5, Cancellation())); }), "done",
            "main/setActualVolume?mode=db&value=-30.5");
        test::row("one step up",
            op([](auto &c) { return outcome(c.stepVolume(Zone::main, api::VolumeStepDirection::up, Cancellation())); }),
            "-19.5", "main/setActualVolume?mode=db&value=-19.5");
        test::row("tone", op([](auto &c) { return outcome(c.setTone(Zone::main, std::nullopt, 2.0, Cancellation())); }),
            "done", "main/setToneControl?mode=manual&treble=4");
        test::row("input by its id",
            op([](auto &c) { return outcome(c.setInput(Zone::main, "hdmi1", Cancellation())); }), "done",
            "main/setInput?input=hdmi1");
    }

    void namesThatCannotBeReadBlockNothing()
    {
        QFETCH(Operation, operation);
        m_receiver->answer(u"system/getNameText"_s, R"({"response_code":3})");
        m_receiver->answer(u"main/getStatus"_s, onHdmi);
        auto r = rig();
        QTEST(operation(r->adapter), "outcome");
        QTEST(test::changesSent(*m_receiver).join(u','), "request");

        const auto status = test::waitFor(r->adapter.status(api::Zone::main, Cancellation()));
        QVERIFY(status);
        QCOMPARE(status->input, u"hdmi1"_s);
        QCOMPARE(test::waitFor(r->adapter.inputs(api::Zone::main, Cancellation())).value(),
            (QStringList { u"hdmi1"_s, u"Spotify"_s }));
        const auto asked = std::count_if(m_receiver->requests().begin(), m_receiver->requests().end(),
            [](const auto &request) { return request.target() == u"system/getNameText"_s; });
        QCOMPARE(asked, 1);
        QCOMPARE(r->store.lastError(),
            u"system/getNameText: "_s + YXCError::responseCode(3, u"system/getNameText"_s).description());
    }

    // What the health endpoint reports comes from the store: the connection, the event path, the port bound.
    void health()
    {
        auto owned = connectableRig();
        Rig &r = *owned;

        api::ReceiverHealth before = test::waitFor(r.adapter.health()).value();
        QCOMPARE(before,
            (api::ReceiverHealth { m_receiver->host(), api::ReceiverConnection::idle, api::ReceiverUpdates::stale,
                std::nullopt, std::nullopt }));

        QCoro::waitFor(r.store.start());
        QCOMPARE(r.store.connection(), ConnectionState::connected());
        QTRY_VERIFY(r.store.boundEventPort());
        r.store.handlePacket(R"({"main":{"mute":false}})");
        r.clock.advance(std::chrono::milliseconds(7900));
        const api::ReceiverHealth after = test::waitFor(r.adapter.health()).value();
        QCOMPARE(after,
            (api::ReceiverHealth { m_receiver->host(), api::ReceiverConnection::connected, api::ReceiverUpdates::push,
                7, int(*r.store.boundEventPort()) }));
        r.store.stopTasks();
        QCOMPARE(test::waitFor(r.adapter.health()).value().eventPort, std::nullopt);
    }

    // The self-test over loopback: the mute the receiver reported goes back to it, and a datagram from it ends the
    // wait. Without a connection it fails with a sentence and sends nothing.
    void checkPushEvents()
    {
        auto owned = connectableRig();
        Rig &r = *owned;
        QCOMPARE(outcome(r.adapter.checkPushEvents()),
            u"noPushEvents: Amplora is not connected to the receiver, so push events cannot be tested."_s);
        QVERIFY(test::changesSent(*m_receiver).isEmpty());

        QCoro::waitFor(r.store.start());
        QTRY_VERIFY(r.store.boundEventPort());
        QTRY_VERIFY(!r.store.eventSenders().isEmpty());
        std::optional<Result<std::chrono::milliseconds, api::ControlError>> checked;
        const auto drive = [](auto task, auto *into) -> QCoro::Task<> { into->emplace(co_await task); };
        drive(r.adapter.checkPushEvents(), &checked);
        QTRY_COMPARE(test::changesSent(*m_receiver), QStringList { u"main/setMute?enable=false"_s });
        QUdpSocket receiver;
        QVERIFY(receiver.bind(QHostAddress(QHostAddress::LocalHost), 0));
        const QByteArray event = R"({"main":{"mute":false},"device_id":"AC44F2000001"})";
        receiver.writeDatagram(event, QHostAddress(QHostAddress::LocalHost), *r.store.boundEventPort());
        QTRY_VERIFY(checked);
        QVERIFY(*checked);
        QCOMPARE(checked->value(), std::chrono::milliseconds(0)); // the manual clock stood still
    }

    // Read-only mode blocks every change before it reaches the receiver, recalls included, whether or not the
    // receiver's names could be read; reads still work.
    void readOnlyBlocksBeforeTheReceiver_data()
    {
        using api::Zone;
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("blocked");
        QTest::addColumn<QByteArray>("namesAnswer");
        const QByteArray noNames = R"({"response_code":3})";
        const auto volume = op([](auto &c) { return outcome(c.setVolume(Zone::main, -30, Cancellation())); });
        test::row("volume", volume, "main/setActualVolume", test::doorsNames);
        test::row("volume, names refused", volume, "main/setActualVolume", noNames);
        test::row("volume fade",
            op([](auto &c) { return outcome(c.rampVolume(Zone::main, -30, std::chrono::seconds(8), {})); }),
            "main/setActualVolume", test::doorsNames);
        test::row("power", op([](auto &c) { return outcome(c.setPower(Zone::main, api::PowerState::on, {})); }),
            "main/setPower", noNames);
        test::row("favourite", op([](auto &c) { return outcome(c.recallFavourite(Zone::main, 1, {})); }),
            "netusb/recallPreset", test::doorsNames);
        test::row("sleep", op([](auto &c) { return outcome(c.setSleep(Zone::main, 30, {})); }), "main/setSleep",
            test::doorsNames);
    }

    void readOnlyBlocksBeforeTheReceiver()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, blocked);
        QFETCH(QByteArray, namesAnswer);
        m_receiver->answer(u"system/getNameText"_s, namesAnswer);
        auto r = rig(true);
        QCOMPARE(operation(r->adapter), u"readOnly: "_s + api::ControlError::readOnly(blocked).description());
        QVERIFY(test::waitFor(r->adapter.status(api::Zone::main, Cancellation())));
        QVERIFY(test::changesSent(*m_receiver).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestReceiverControlAdapter)
#include "tst_receivercontroladapter.moc"
