#include "core/mock/MockReceiver.h"
#include "core/protocol/YXCDecoder.h"
#include "core/store/LaunchOptions.h"

#include "support/Fixtures.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace amplora;

Q_DECLARE_METATYPE(YXCCommand)
Q_DECLARE_METATYPE(ZoneStatus)

namespace {

std::unique_ptr<MockReceiver> loadMock(
    bool seedDemo = true, const QString &dir = MockReceiver::defaultFixtureDirectory())
{
    auto loaded = MockReceiver::load(seedDemo, dir);
    if (!loaded) {
        qWarning("%s", qPrintable(loaded.error().description()));
        return nullptr;
    }
    return std::move(loaded).value();
}

template<class T> Result<T, YXCError> fetch(MockReceiver &mock, YXCCommand command)
{
    return test::waitFor(mock.fetch<T>(std::move(command)));
}

ZoneStatus mainStatus(MockReceiver &mock)
{
    return fetch<ZoneStatus>(mock, YXCCommand::getStatus(Zone::main)).value();
}

const QStringList fixtureNames { QStringLiteral("system_getDeviceInfo"), QStringLiteral("system_getFeatures"),
    QStringLiteral("system_getNameText"), QStringLiteral("main_getStatus"), QStringLiteral("zone2_getStatus"),
    QStringLiteral("netusb_getPlayInfo"), QStringLiteral("system_getNetworkStatus") };

// A writable copy of the built-in fixtures, for the tests that spoil one.
bool copyFixtures(const QString &to)
{
    for (const QString &name : fixtureNames) {
        if (!QFile::copy(MockReceiver::defaultFixtureDirectory() + u'/' + name + QStringLiteral(".json"),
                to + u'/' + name + QStringLiteral(".json"))) {
            return false;
        }
        QFile::setPermissions(to + u'/' + name + QStringLiteral(".json"), QFile::ReadOwner | QFile::WriteOwner);
    }
    return true;
}

void overwrite(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

class TestMockReceiver : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void demoState()
    {
        auto mock = loadMock();
        QVERIFY(mock);
        const ZoneStatus main = mainStatus(*mock);
        QCOMPARE(main.power, QStringLiteral("on"));
        QCOMPARE(main.input, QStringLiteral("spotify"));
        QCOMPARE(main.inputText, QStringLiteral("Spotify"));
        QCOMPARE(main.soundProgram, QStringLiteral("straight"));
        QVERIFY(main.toneControl == (ToneControl { QStringLiteral("manual"), 4, -2 }));
        QCOMPARE(main.subwooferVolume, 3);
        QCOMPARE(main.volume, 96);
        QVERIFY(main.actualVolume == (ActualVolume { QStringLiteral("db"), -32.5, QStringLiteral("dB") }));

        const PlayInfo play = fetch<PlayInfo>(*mock, YXCCommand::getPlayInfo()).value();
        QCOMPARE(play.track, QStringLiteral("Midnight Drive"));
        QCOMPARE(play.artist, QStringLiteral("The Night Arcs"));
        QCOMPARE(play.album, QStringLiteral("Coastal Hours"));
        QCOMPARE(play.playback, QStringLiteral("play"));
        QCOMPARE(play.playTime, 84);
        QCOMPARE(play.totalTime, 277);
        QCOMPARE(play.albumartUrl, QString::fromLatin1(MockReceiver::coverPath));
        QCOMPARE(play.albumartId, 1);
    }

    void withoutDemoTheFixturesAnswerUnchanged()
    {
        auto mock = loadMock(false);
        QVERIFY(mock);
        const auto fixture = [](const QString &name) {
            return test::resourceFile(QStringLiteral("fixtures/") + name + QStringLiteral(".json"));
        };
        QVERIFY(mainStatus(*mock) == YXCDecoder::decode<ZoneStatus>(fixture(QStringLiteral("main_getStatus"))).value());
        QVERIFY(fetch<ZoneStatus>(*mock, YXCCommand::getStatus(Zone::zone2)).value()
            == YXCDecoder::decode<ZoneStatus>(fixture(QStringLiteral("zone2_getStatus"))).value());
        QVERIFY(fetch<PlayInfo>(*mock, YXCCommand::getPlayInfo()).value()
            == YXCDecoder::decode<PlayInfo>(fixture(QStringLiteral("netusb_getPlayInfo"))).value());
        QVERIFY(fetch<Features>(*mock, YXCCommand::getFeatures()).value()
            == YXCDecoder::decode<Features>(fixture(QStringLiteral("system_getFeatures"))).value());
        QVERIFY(fetch<NameText>(*mock, YXCCommand::getNameText()).value()
            == YXCDecoder::decode<NameText>(fixture(QStringLiteral("system_getNameText"))).value());
        QVERIFY(fetch<NetworkStatus>(*mock, YXCCommand::getNetworkStatus()).value()
            == YXCDecoder::decode<NetworkStatus>(fixture(QStringLiteral("system_getNetworkStatus"))).value());
        const DeviceInfo info = fetch<DeviceInfo>(*mock, YXCCommand::getDeviceInfo()).value();
        QVERIFY(info == YXCDecoder::decode<DeviceInfo>(fixture(QStringLiteral("system_getDeviceInfo"))).value());
        QVERIFY(!info.modelName.value_or(QString()).isEmpty());
        QVERIFY(!info.deviceId.value_or(QString()).isEmpty());
    }

    void fixturesDescribeATwoZoneReceiver()
    {
        auto mock = loadMock(false);
        QVERIFY(mock);
        const Features &features = mock->features();
        QCOMPARE(features.zones(), (QList<Zone> { Zone::main, Zone::zone2 }));
        const ZoneFeatures *main = features.zoneFeatures(Zone::main);
        QVERIFY(main);
        for (const char *function : { "actual_volume", "signal_info", "tone_control", "subwoofer_volume", "extra_bass",
                 "surround_ai", "sound_program", "pure_direct", "enhancer" }) {
            QVERIFY2(main->funcList.contains(QLatin1String(function)), function);
        }
        for (const char *input : { "spotify", "net_radio", "airplay", "hdmi1", "hdmi2", "hdmi3", "hdmi4", "tv", "tuner",
                 "phono", "audio1" }) {
            QVERIFY2(main->inputList.contains(QLatin1String(input)), input);
        }
        for (const char *program : { "straight", "cellar_club", "roxy_theatre", "sci-fi" }) {
            QVERIFY2(main->soundProgramList.value_or(QStringList {}).contains(QLatin1String(program)), program);
        }
        QVERIFY(main->toneControlModeList.value_or(QStringList {}).contains(QStringLiteral("manual")));
        const RangeStep *decibels = main->range(QStringLiteral("actual_volume_db"));
        QVERIFY(decibels);
        QVERIFY(*decibels == (RangeStep { QStringLiteral("actual_volume_db"), -80.5, 16.5, 0.5 }));
        QVERIFY(main->range(QStringLiteral("volume")) && main->range(QStringLiteral("tone_control"))
            && main->range(QStringLiteral("subwoofer_volume")));
        QVERIFY(features.zoneFeatures(Zone::zone2)->range(QStringLiteral("actual_volume_db")));

        const auto inputName = [&](const QString &id) {
            for (const auto &entry : mock->names().inputList) {
                if (entry.id == id) {
                    return entry.text;
                }
            }
            return QString();
        };
        const QStringList hdmiNames { inputName(QStringLiteral("hdmi1")), inputName(QStringLiteral("hdmi2")),
            inputName(QStringLiteral("hdmi3")), inputName(QStringLiteral("hdmi4")) };
        QVERIFY(hdmiNames.contains(QStringLiteral("PlayStation 5")));
        QVERIFY(hdmiNames.contains(QStringLiteral("Apple TV")));
        QVERIFY(mock->names().zoneName(Zone::zone2));
        QVERIFY(!mock->names().soundProgramList.isEmpty());
        QVERIFY(!mock->networkStatus().networkName.value_or(QString()).isEmpty());
        QVERIFY(!mock->playInfo().hasMetadata());
    }

    void send_data()
    {
        QTest::addColumn<YXCCommand>("command");
        QTest::addColumn<ZoneStatus>("expectedMain"); // the demo state with the expected change

        const ZoneStatus demo = [] {
            auto mock = loadMock();
            return mock ? *mock->status(Zone::main) : ZoneStatus {};
        }();
        const auto changed = [&](auto &&change) {
            ZoneStatus status = demo;
            change(status);
            return status;
        };
        const auto volume = [](int raw, double dB) {
            return [=](ZoneStatus &s) {
                s.volume = raw;
                s.actualVolume = ActualVolume { QStringLiteral("db"), dB, QStringLiteral("dB") };
            };
        };

        QTest::addRow("toggle from on") << YXCCommand::setPower(Zone::main, PowerState::toggle)
                                        << changed([](ZoneStatus &s) { s.power = QStringLiteral("standby"); });
        QTest::addRow("power on stays on") << YXCCommand::setPower(Zone::main, PowerState::on) << demo;
        QTest::addRow("decibels to the nearest step")
            << YXCCommand::setActualVolume(Zone::main, -32.7) << changed(volume(96, -32.7));
        QTest::addRow("half a step rounds away from zero")
            << YXCCommand::setActualVolume(Zone::main, -32.25) << changed(volume(97, -32.25));
        QTest::addRow("raw step to decibels") << YXCCommand::setVolume(Zone::main, 100) << changed(volume(100, -30.5));
        QTest::addRow("above the raw range is clamped, decibels kept")
            << YXCCommand::setActualVolume(Zone::main, 12.0) << changed(volume(161, 12.0));
        QTest::addRow("below the range is clamped")
            << YXCCommand::setActualVolume(Zone::main, -120.0) << changed(volume(0, -120.0));
        QTest::addRow("tone: missing treble is kept") << YXCCommand::setToneControl(Zone::main,
            QStringLiteral("manual"), 2, std::nullopt) << changed([](ZoneStatus &s) {
            s.toneControl = ToneControl { QStringLiteral("manual"), 2, -2 };
        });
        QTest::addRow("tone: only the mode") << YXCCommand::setToneControl(Zone::main, QStringLiteral("bypass"),
            std::nullopt, std::nullopt) << changed([](ZoneStatus &s) {
            s.toneControl = ToneControl { QStringLiteral("bypass"), 4, -2 };
        });
        QTest::addRow("input with a name")
            << YXCCommand::setInput(Zone::main, QStringLiteral("hdmi1")) << changed([](ZoneStatus &s) {
                   s.input = QStringLiteral("hdmi1");
                   s.inputText = QStringLiteral("PlayStation 5");
               });
        QTest::addRow("input without a name")
            << YXCCommand::setInput(Zone::main, QStringLiteral("optical9")) << changed([](ZoneStatus &s) {
                   s.input = QStringLiteral("optical9");
                   s.inputText.reset();
               });
        QTest::addRow("sound program") << YXCCommand::setSoundProgram(Zone::main, QStringLiteral("sci-fi"))
                                       << changed([](ZoneStatus &s) { s.soundProgram = QStringLiteral("sci-fi"); });
        QTest::addRow("mute") << YXCCommand::setMute(Zone::main, true) << changed([](ZoneStatus &s) { s.mute = true; });
        QTest::addRow("subwoofer") << YXCCommand::setSubwooferVolume(Zone::main, -4)
                                   << changed([](ZoneStatus &s) { s.subwooferVolume = -4; });
        QTest::addRow("extra bass") << YXCCommand::setExtraBass(Zone::main, true)
                                    << changed([](ZoneStatus &s) { s.extraBass = true; });
        QTest::addRow("surround ai") << YXCCommand::setSurroundAI(Zone::main, true)
                                     << changed([](ZoneStatus &s) { s.surroundAi = true; });
        QTest::addRow("zone 2 command leaves main alone") << YXCCommand::setVolume(Zone::zone2, 50) << demo;
        QTest::addRow("read command changes nothing") << YXCCommand::getStatus(Zone::main) << demo;
    }
    void send()
    {
        QFETCH(YXCCommand, command);
        QFETCH(ZoneStatus, expectedMain);
        auto mock = loadMock();
        QVERIFY(mock);
        const auto sent = test::waitFor(mock->send(command));
        QVERIFY(sent.ok());
        QCOMPARE(mock->performed(), QList<YXCCommand> { command });
        QVERIFY(mainStatus(*mock) == expectedMain);
    }

    void zone2AndPlayback()
    {
        auto mock = loadMock();
        QVERIFY(mock);
        QVERIFY(test::waitFor(mock->send(YXCCommand::setVolume(Zone::zone2, 50))).ok());
        const ZoneStatus zone2 = fetch<ZoneStatus>(*mock, YXCCommand::getStatus(Zone::zone2)).value();
        QCOMPARE(zone2.volume, 50);
        QCOMPARE(zone2.actualVolume->value, -55.5);

        QVERIFY(test::waitFor(mock->send(YXCCommand::setPlayback(PlaybackAction::pause))).ok());
        QCOMPARE(mock->playInfo().playback, QStringLiteral("pause"));
        QVERIFY(test::waitFor(mock->send(YXCCommand::setPlayback(PlaybackAction::next))).ok());
        QCOMPARE(mock->playInfo().playback, QStringLiteral("pause"));
        QCOMPARE(mock->playInfo().track, QStringLiteral("Midnight Drive"));
        QCOMPARE(mock->performed().size(), 3);
    }

    void unsupportedFetchFailsWithCode4()
    {
        auto mock = loadMock();
        QVERIFY(mock);
        const auto answer
            = test::waitFor(mock->fetchPayload(YXCCommand::setMute(Zone::main, true), YXCPayloadType::zoneStatus));
        QVERIFY(!answer.ok());
        QCOMPARE(answer.error(), YXCError::responseCode(4, QStringLiteral("main/setMute")));
    }

    void registrationsAreRecorded()
    {
        auto mock = loadMock();
        QVERIFY(mock);
        QVERIFY(test::waitFor(mock->registerForEvents(41100)).ok());
        QVERIFY(test::waitFor(mock->registerForEvents(41100)).ok());
        QCOMPARE(mock->registeredPorts(), (QList<quint16> { 41100, 41100 }));
        QVERIFY(mock->performed().isEmpty());
    }

    void albumArt()
    {
        auto mock = loadMock();
        QVERIFY(mock);
        const auto cover = test::waitFor(mock->albumArt(QString::fromLatin1(MockReceiver::coverPath)));
        QVERIFY(cover);
        QCOMPARE(cover->size(), QSize(400, 400));
        QVERIFY(!cover->isNull());
        QVERIFY(!test::waitFor(mock->albumArt(QStringLiteral("/YamahaRemoteControl/AlbumART/AlbumART1.jpg"))));
    }

    void launchOptions()
    {
        auto mock = loadMock();
        QVERIFY(mock);
        LaunchOptions options;
        options.mockSpotifyIdle = true;
        options.mockExtraBass = true;
        options.mockSurroundAI = true;
        options.mockSignal = QStringLiteral("atmos");
        QVERIFY(mock->applyLaunchOptions(options).ok());

        QVERIFY(!fetch<PlayInfo>(*mock, YXCCommand::getPlayInfo()).value().hasMetadata());
        const ZoneStatus main = mainStatus(*mock);
        QCOMPARE(main.extraBass, true);
        QCOMPARE(main.surroundAi, true);
        QCOMPARE(main.power, QStringLiteral("on")); // the rest of the demo stands
        // Already listed in the fixture: not listed twice.
        QCOMPARE(mock->features().zoneFeatures(Zone::main)->funcList.count(QStringLiteral("surround_ai")), 1);
        for (const Zone zone : allZones) {
            const auto signal = fetch<SignalInfo>(*mock, YXCCommand::getSignalInfo(zone));
            QVERIFY(signal.ok());
            QCOMPARE(signal->audio->format, QStringLiteral("Dolby Atmos"));
        }
        QCOMPARE(mock->signalInfo(), SignalInfo::mock(QStringLiteral("atmos")));
    }

    void surroundAIIsAddedWhereTheFixtureLacksIt()
    {
        QTemporaryDir dir;
        QVERIFY(copyFixtures(dir.path()));
        QByteArray features = test::resourceFile(QStringLiteral("fixtures/system_getFeatures.json"));
        QVERIFY(features.contains("\"surround_ai\",\n"));
        overwrite(dir.filePath(QStringLiteral("system_getFeatures.json")), features.replace("\"surround_ai\",\n", ""));
        auto mock = loadMock(true, dir.path());
        QVERIFY(mock);
        QVERIFY(!mock->features().zoneFeatures(Zone::main)->funcList.contains(QStringLiteral("surround_ai")));
        LaunchOptions options;
        options.mockSurroundAI = true;
        QVERIFY(mock->applyLaunchOptions(options).ok());
        QCOMPARE(mock->features().zoneFeatures(Zone::main)->funcList.count(QStringLiteral("surround_ai")), 1);
        QVERIFY(!mock->features().zoneFeatures(Zone::zone2)->funcList.contains(QStringLiteral("surround_ai")));
    }

    void brokenFixtures_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QByteArray>("contents"); // empty: the file is removed
        QTest::addColumn<QString>("message"); // the start of the message
        QTest::addRow("missing") << QStringLiteral("zone2_getStatus") << QByteArray()
                                 << QStringLiteral("Missing fixture zone2_getStatus.json");
        QTest::addRow("not JSON") << QStringLiteral("system_getFeatures") << QByteArray("{\"zone\": [")
                                  << QStringLiteral("Fixture system_getFeatures.json does not decode: ");
        QTest::addRow("wrong type") << QStringLiteral("main_getStatus")
                                    << QByteArray(R"({"response_code":0,"power":"on","volume":"loud"})")
                                    << QStringLiteral("Fixture main_getStatus.json does not decode: ");
    }
    void brokenFixtures()
    {
        QFETCH(QString, fixture);
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(copyFixtures(dir.path()));
        const QString path = dir.filePath(fixture + QStringLiteral(".json"));
        if (contents.isEmpty()) {
            QVERIFY(QFile::remove(path));
        } else {
            overwrite(path, contents);
        }
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QRegularExpression::escape(message)));
        const auto loaded = MockReceiver::load(true, dir.path());
        QVERIFY(!loaded.ok());
        QVERIFY2(loaded.error().description().startsWith(message), qPrintable(loaded.error().description()));
        if (!contents.isEmpty()) {
            QVERIFY(loaded.error().description().size() > message.size()); // carries the decoder's reason
        }
    }
};

QTEST_GUILESS_MAIN(TestMockReceiver)
#include "tst_mockreceiver.moc"
