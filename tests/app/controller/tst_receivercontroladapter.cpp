// The control adapter on a real store: against the fake receiver over loopback (also read-only, where nothing
// may reach it), and against the mock receiver.

#include "app/controller/ReceiverControlAdapter.h"

#include "core/protocol/YXCClient.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"
#include "support/FakeReceiver.h"
#include "support/WaitFor.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace amplora;
using amplora::app::ReceiverControlAdapter;
using amplora::test::FakeReceiver;

namespace {

// Main: decibel volume, a subwoofer and a manual tone mode. Zone 2: raw steps only.
const QByteArray features = R"({"response_code":0,
  "system":{"func_list":[],"input_list":[
    {"id":"hdmi1","play_info_type":"none"},{"id":"tuner","play_info_type":"tuner"},
    {"id":"spotify","play_info_type":"netusb"}]},
  "zone":[
    {"id":"main","func_list":["power","volume","mute","actual_volume","subwoofer_volume","tone_control"],
     "input_list":["hdmi1","tuner","spotify"],"sound_program_list":["straight","sci-fi"],
     "tone_control_mode_list":["manual","auto"],
     "range_step":[{"id":"volume","min":0,"max":161,"step":1},{"id":"actual_volume_db","min":-80.5,"max":16.5,"step":0.5}]},
    {"id":"zone2","func_list":["power","volume","mute"],"input_list":["tuner","spotify"],
     "range_step":[{"id":"volume","min":0,"max":161,"step":1},{"id":"actual_volume_db","min":-80.5,"max":16.5,"step":0.5}]}
  ]})";

const QByteArray names = R"({"response_code":0,"zone_list":[],
  "input_list":[{"id":"hdmi1","text":"Blu-ray"},{"id":"tuner","text":"Tuner"},{"id":"spotify","text":"Spotify"}],
  "sound_program_list":[{"id":"straight","text":"Straight"},{"id":"sci-fi","text":"Sci-Fi"}]})";

const QByteArray mainStatus = R"({"response_code":0,"power":"on","volume":121,"mute":true,"input":"hdmi1",
  "sound_program":"sci-fi","tone_control":{"mode":"manual","bass":3,"treble":-2},"subwoofer_volume":4,
  "actual_volume":{"mode":"db","value":-20.0,"unit":"dB"}})";

const QByteArray zone2Status = R"({"response_code":0,"power":"standby","volume":40,"mute":false,"input":"tuner",
  "subwoofer_volume":4})";

const QStringList changes { QStringLiteral("main/setPower"), QStringLiteral("main/setActualVolume"),
    QStringLiteral("main/setVolume"), QStringLiteral("zone2/setVolume"), QStringLiteral("main/setMute"),
    QStringLiteral("main/setInput"), QStringLiteral("main/setSoundProgram"), QStringLiteral("main/setToneControl"),
    QStringLiteral("main/setSubwooferVolume"), QStringLiteral("netusb/setPlayback") };

QStringList changeRequests(const FakeReceiver &receiver)
{
    QStringList out;
    for (const auto &request : receiver.requests()) {
        if (request.path.section(u'/', -1).startsWith(QStringLiteral("set"))) {
            out.append(request.target());
        }
    }
    return out;
}

// One store on one transport, with the settings in a private file.
struct Rig {
    QTemporaryDir dir;
    AppSettings settings;
    ReceiverStore store;
    ReceiverControlAdapter adapter;

    Rig(LaunchOptions launch, std::shared_ptr<ReceiverTransport> transport)
        : settings(std::make_unique<QSettings>(dir.filePath(QStringLiteral("a.conf")), QSettings::IniFormat))
        , store(settings, launch, ReceiverStoreParts { std::move(transport), {}, {}, {}, nullptr })
        , adapter(store)
    {
        settings.setMaxVolumeDB(-10);
    }
};

} // namespace

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

private Q_SLOTS:
    void init()
    {
        m_receiver = std::make_unique<FakeReceiver>();
        m_receiver->answer(QStringLiteral("system/getFeatures"), features);
        m_receiver->answer(QStringLiteral("system/getNameText"), names);
        m_receiver->answer(QStringLiteral("main/getStatus"), mainStatus);
        m_receiver->answer(QStringLiteral("zone2/getStatus"), zone2Status);
        for (const QString &path : changes) {
            m_receiver->answerOk(path);
        }
    }

    void statusOfEachZone()
    {
        auto r = rig();
        const auto main = test::waitFor(r->adapter.status(api::Zone::main));
        QVERIFY2(main, qPrintable(main ? QString() : main.error().description()));
        // Features and names were fetched first, because the store held neither.
        QCOMPARE(m_receiver->requests().at(0).target(), QStringLiteral("system/getFeatures"));
        QCOMPARE(m_receiver->requests().at(1).target(), QStringLiteral("system/getNameText"));
        QCOMPARE(main->power, api::PowerState::on);
        QCOMPARE(main->volumeDb, -20.0);
        QCOMPARE(main->mute, true);
        QCOMPARE(main->input, QStringLiteral("Blu-ray"));
        QCOMPARE(main->soundMode, std::optional<QString>(QStringLiteral("Sci-Fi")));
        QCOMPARE(main->bass, std::optional<double>(1.5));
        QCOMPARE(main->treble, std::optional<double>(-1.0));
        QCOMPARE(main->subwoofer, std::optional<double>(2.0));
        QVERIFY(!main->nowPlaying);

        // No decibel value: the raw steps on the zone's scale. No subwoofer in the zone's functions: none shown.
        const auto zone2 = test::waitFor(r->adapter.status(api::Zone::zone2));
        QVERIFY(zone2);
        QCOMPARE(zone2->power, api::PowerState::standby);
        QCOMPARE(zone2->volumeDb, -60.5);
        QCOMPARE(zone2->input, QStringLiteral("Tuner"));
        QVERIFY(!zone2->subwoofer);
        QVERIFY(!zone2->soundMode);
    }

    void commands_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QString>("request");
        QTest::addRow("decibel volume") << 0 << "main/setActualVolume?mode=db&value=-30.5";
        QTest::addRow("decibel volume held at the cap") << 1 << "main/setActualVolume?mode=db&value=-10.0";
        QTest::addRow("raw volume without decibels") << 2 << "zone2/setVolume?volume=40";
        QTest::addRow("raw volume held at the cap") << 3 << "zone2/setVolume?volume=141";
        QTest::addRow("input by its display name") << 4 << "main/setInput?input=hdmi1";
        QTest::addRow("sound mode by its display name") << 5 << "main/setSoundProgram?program=sci-fi";
        QTest::addRow("tone in half-decibel units, manual mode") << 6 << "main/setToneControl?mode=manual&bass=-3";
        QTest::addRow("subwoofer rounds half away from zero") << 7 << "main/setSubwooferVolume?volume=-5";
        QTest::addRow("one step up from -20 dB") << 8 << "main/setActualVolume?mode=db&value=-19.5";
        QTest::addRow("standby") << 9 << "main/setPower?power=standby";
        QTest::addRow("playback") << 10 << "netusb/setPlayback?playback=next";
    }

    void commands()
    {
        QFETCH(int, operation);
        auto r = rig();
        api::ReceiverControl &control = r->adapter;
        Result<Done, api::ControlError> done = Done {};
        switch (operation) {
        case 0:
            done = test::waitFor(control.setVolume(api::Zone::main, -30.5));
            break;
        case 1:
            done = test::waitFor(control.setVolume(api::Zone::main, -5));
            break;
        case 2:
            done = test::waitFor(control.setVolume(api::Zone::zone2, -60.5));
            break;
        case 3:
            done = test::waitFor(control.setVolume(api::Zone::zone2, 0));
            break;
        case 4:
            done = test::waitFor(control.setInput(api::Zone::main, QStringLiteral("Blu-ray")));
            break;
        case 5:
            done = test::waitFor(control.setSoundMode(api::Zone::main, QStringLiteral("Sci-Fi")));
            break;
        case 6:
            done = test::waitFor(control.setTone(api::Zone::main, -1.5, std::nullopt));
            break;
        case 7:
            done = test::waitFor(control.setSubwoofer(api::Zone::main, -2.25));
            break;
        case 8:
            done = test::waitFor(control.stepVolume(api::Zone::main, api::VolumeStepDirection::up));
            break;
        case 9:
            done = test::waitFor(control.setPower(api::Zone::main, api::PowerState::standby));
            break;
        case 10:
            done = test::waitFor(control.playback(api::PlaybackAction::next));
            break;
        }
        QVERIFY2(done, qPrintable(done ? QString() : done.error().description()));
        QTEST(changeRequests(*m_receiver).join(u','), "request");
    }

    void refusals_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        QTest::addRow("unknown input") << 0 << 400 << "unknown_input"
                                       << "No input called \"Blu ray\" in main.";
        QTest::addRow("unknown sound mode") << 1 << 400 << "unknown_sound_mode"
                                            << "No sound mode called \"Hall\" in zone2.";
        QTest::addRow("zone the receiver lacks") << 2 << 502 << "receiver_error"
                                                 << "The receiver sent no status for zone2.";
        QTest::addRow("zone without a volume range") << 3 << 502 << "receiver_error"
                                                     << "The receiver reported no volume range for zone2.";
    }

    void refusals()
    {
        QFETCH(int, operation);
        if (operation == 2) {
            QByteArray mainOnly = features;
            mainOnly.replace("{\"id\":\"zone2\"", "{\"id\":\"zone4\"");
            m_receiver->answer(QStringLiteral("system/getFeatures"), mainOnly);
        }
        if (operation == 3) {
            QByteArray noRange = features;
            const qsizetype zone2 = noRange.indexOf("{\"id\":\"zone2\"");
            noRange.replace(noRange.indexOf("actual_volume_db", zone2), 16, "other_range_db00");
            m_receiver->answer(QStringLiteral("system/getFeatures"), noRange);
        }
        auto r = rig();
        Result<Done, api::ControlError> done = Done {};
        switch (operation) {
        case 0:
            done = test::waitFor(r->adapter.setInput(api::Zone::main, QStringLiteral("Blu ray")));
            break;
        case 1:
            done = test::waitFor(r->adapter.setSoundMode(api::Zone::zone2, QStringLiteral("Hall")));
            break;
        case 2: {
            const auto status = test::waitFor(r->adapter.status(api::Zone::zone2));
            QVERIFY(!status);
            done = Failure { status.error() };
            break;
        }
        case 3:
            done = test::waitFor(r->adapter.setVolume(api::Zone::zone2, -40));
            break;
        }
        QVERIFY(!done);
        QVERIFY(done.error().apiError);
        QTEST(done.error().apiError->status, "status");
        QTEST(done.error().apiError->code, "code");
        QTEST(done.error().apiError->message, "message");
        QVERIFY(changeRequests(*m_receiver).isEmpty());
    }

    void receiverFailurePassesThrough()
    {
        m_receiver->answer(QStringLiteral("main/getStatus"), R"({"response_code":5})");
        auto r = rig();
        const auto status = test::waitFor(r->adapter.status(api::Zone::main));
        QVERIFY(!status);
        QVERIFY(!status.error().apiError);
        QVERIFY(!status.error().failure.isEmpty());
    }

    void readOnlyBlocksBeforeTheReceiver()
    {
        auto r = rig(true);
        const auto volume = test::waitFor(r->adapter.setVolume(api::Zone::main, -30));
        QVERIFY(!volume);
        QVERIFY(volume.error().apiError);
        QCOMPARE(volume.error().apiError->status, 502);
        QCOMPARE(volume.error().apiError->code, QStringLiteral("read_only"));
        QCOMPARE(volume.error().apiError->message,
            QStringLiteral("Amplora is running read-only (--read-only), so it blocked main/setActualVolume before it "
                           "reached the receiver. Nothing was changed."));
        const auto power = test::waitFor(r->adapter.setPower(api::Zone::main, api::PowerState::on));
        QVERIFY(!power);
        QCOMPARE(power.error().apiError->code, QStringLiteral("read_only"));
        QVERIFY(power.error().apiError->message.contains(QStringLiteral("blocked main/setPower before")));
        // Reads still work.
        QVERIFY(test::waitFor(r->adapter.status(api::Zone::main)));
        QVERIFY(changeRequests(*m_receiver).isEmpty());
    }

    void againstTheMockReceiver()
    {
        LaunchOptions launch;
        launch.mock = true;
        launch.isRunningTests = true;
        Rig r(launch, nullptr);
        const auto inputs = test::waitFor(r.adapter.inputs(api::Zone::main));
        QVERIFY(inputs);
        QVERIFY(!inputs->isEmpty());
        QVERIFY(test::waitFor(r.adapter.setVolume(api::Zone::main, -31.5)));
        QVERIFY(test::waitFor(r.adapter.setInput(api::Zone::main, inputs->last())));
        const auto status = test::waitFor(r.adapter.status(api::Zone::main));
        QVERIFY2(status, qPrintable(status ? QString() : status.error().description()));
        QCOMPARE(status->volumeDb, -31.5);
        QCOMPARE(status->input, inputs->last());
        // The cap holds here too.
        QVERIFY(test::waitFor(r.adapter.setVolume(api::Zone::main, 0)));
        QCOMPARE(test::waitFor(r.adapter.status(api::Zone::main))->volumeDb, -10.0);
        QCOMPARE(test::waitFor(r.adapter.volumeCapDb()).value(), -10.0);
    }
};

QTEST_GUILESS_MAIN(TestReceiverControlAdapter)
#include "tst_receivercontroladapter.moc"
