// The shapes receivers answer with (the project's fixtures) as decoded, and the wire-keyed encoder.

#include "core/protocol/YXCDecoder.h"
#include "core/protocol/YXCEncoder.h"

#include "AnswerChecks.h"

#include "support/Fixtures.h"

#include <QLoggingCategory>
#include <QTest>

using namespace amplora;
using amplora::test::decoded;

class TestYXCDecoderShapes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The lines that say what was left out are checked.
        QLoggingCategory::setFilterRules(QStringLiteral("amplora.yxc.debug=true"));
    }

    void fixtureAnswers_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<YXCPayloadType>("type");

        const QList<QPair<QString, YXCPayloadType>> answers {
            { QStringLiteral("av-receiver/system_getDeviceInfo.json"), YXCPayloadType::deviceInfo },
            { QStringLiteral("av-receiver/system_getFeatures.json"), YXCPayloadType::features },
            { QStringLiteral("av-receiver/system_getNameText.json"), YXCPayloadType::nameText },
            { QStringLiteral("av-receiver/system_getNetworkStatus.json"), YXCPayloadType::networkStatus },
            { QStringLiteral("av-receiver/main_getStatus.json"), YXCPayloadType::zoneStatus },
            { QStringLiteral("av-receiver/zone2_getStatus.json"), YXCPayloadType::zoneStatus },
            { QStringLiteral("av-receiver/netusb_getPlayInfo.json"), YXCPayloadType::playInfo },
            { QStringLiteral("av-receiver/main_getSignalInfo.json"), YXCPayloadType::signalInfo },
            { QStringLiteral("four-zone-receiver/system_getFeatures.json"), YXCPayloadType::features },
            { QStringLiteral("speaker/system_getFeatures.json"), YXCPayloadType::features },
            { QStringLiteral("speaker/netusb_getPlayInfo.json"), YXCPayloadType::playInfo },
            { QStringLiteral("speaker/main_getSignalInfo.json"), YXCPayloadType::signalInfo },
        };
        for (const auto &[file, type] : answers) {
            QTest::addRow("%s", qPrintable(file)) << file << type;
        }
    }

    void fixtureAnswers()
    {
        QFETCH(QString, file);
        QFETCH(YXCPayloadType, type);
        amplora::test::verifyAnswer(type, amplora::test::fixture(file));
    }

    // A two-zone receiver whose second zone is Zone B, reported as "zone2". Its answers print decimals as
    // integers (-40 for -40.0, a range of 0 to 97) and an integer as a decimal (81.0).
    void receiverValues()
    {
        using amplora::test::fixture;
        const auto features = decoded<Features>(fixture(QStringLiteral("av-receiver/system_getFeatures.json")));
        QCOMPARE(features.zones(), (QList<Zone> { Zone::main, Zone::zone2 }));
        QCOMPARE(features.system.zoneNum, std::optional(2));
        const ZoneFeatures *main = features.zoneFeatures(Zone::main);
        QCOMPARE(main->rangeStep,
            (QList<RangeStep> { { QStringLiteral("volume"), 0, 161, 1 }, { QStringLiteral("tone_control"), -12, 12, 1 },
                { QStringLiteral("dialogue_level"), 0, 3, 1 }, { QStringLiteral("actual_volume_db"), -80.5, 16.5, 0.5 },
                { QStringLiteral("actual_volume_numeric"), 0, 97, 0.5 } }));
        QCOMPARE(main->soundProgramList->size(), 6);
        QCOMPARE(features.zoneFeatures(Zone::zone2)->soundProgramList, std::nullopt);

        const auto device = decoded<DeviceInfo>(fixture(QStringLiteral("av-receiver/system_getDeviceInfo.json")));
        QCOMPARE(device.apiVersion, std::optional(2.0));
        QCOMPARE(device.systemVersion, std::optional(2.85));

        const auto status = decoded<ZoneStatus>(fixture(QStringLiteral("av-receiver/main_getStatus.json")));
        QCOMPARE(
            status.actualVolume, std::optional(ActualVolume { QStringLiteral("db"), -40.0, QStringLiteral("dB") }));
        QCOMPARE(status.toneControl, std::optional(ToneControl { QStringLiteral("manual"), -2, 6 }));
        const auto zoneB = decoded<ZoneStatus>(fixture(QStringLiteral("av-receiver/zone2_getStatus.json")));
        QCOMPARE(zoneB.volume, std::optional(81));
        QCOMPARE(zoneB.soundProgram, std::nullopt);

        const auto names = decoded<NameText>(fixture(QStringLiteral("av-receiver/system_getNameText.json")));
        QCOMPARE(names.zoneName(Zone::zone2), std::optional(QString::fromUtf8("Küche")));
        QCOMPARE(names.inputList.at(1), (IDText { QStringLiteral("hdmi1"), QString::fromUtf8("Télé") }));
        QCOMPARE(names.inputList.at(3), (IDText { QStringLiteral("tuner"), QStringLiteral("tuner") })); // no text
    }

    // A speaker: one zone, volume in steps only, and a Bluetooth source that reports -60000 while idle.
    void speakerValues()
    {
        using amplora::test::fixture;
        const auto features = decoded<Features>(fixture(QStringLiteral("speaker/system_getFeatures.json")));
        QCOMPARE(features.zones(), QList<Zone> { Zone::main });
        QVERIFY(!features.zoneFeatures(Zone::main)->range(QStringLiteral("actual_volume_db")));
        QCOMPARE(features.zoneFeatures(Zone::main)->soundProgramList, std::nullopt);

        const auto play = decoded<PlayInfo>(fixture(QStringLiteral("speaker/netusb_getPlayInfo.json")));
        QCOMPARE(play.playTime, std::optional(-60000));
        QVERIFY(!play.hasMetadata());
    }

    // Receivers pass tag bytes through as they come: one Latin-1 byte in a title costs that character, not the
    // answer.
    void nonUtf8PlayInfoKeepsTheAnswer()
    {
        const auto play = YXCDecoder::decode<PlayInfo>(
            amplora::test::fixture(QStringLiteral("av-receiver/netusb_getPlayInfo__latin1.json")));
        QVERIFY2(play, qPrintable(play ? QString() : play.error().detail()));
        QCOMPARE(play->track, std::optional(QStringLiteral("La Valse d'Am\uFFFDlie")));
        QCOMPARE(play->album, std::optional(QString::fromUtf8("Amélie")));
        QCOMPARE(play->playTime, std::optional(95));
    }

    void hasMetadata()
    {
        QVERIFY(decoded<PlayInfo>(R"({"track":"Song","artist":""})").hasMetadata());
        QVERIFY(decoded<PlayInfo>(R"({"track":"","artist":"Band"})").hasMetadata());
        QVERIFY(!decoded<PlayInfo>(R"({"track":"","album":"Album"})").hasMetadata());
    }

    // The favourites, repeat and shuffle and the scene buttons: malformed parts are left out, the answer stays.
    void playerExtras()
    {
        const auto features = decoded<Features>(
            R"({"zone":[{"id":"main","func_list":["scene"],"scene_num":4},{"id":"zone2","scene_num":"4"}],
                "netusb":{"preset":{"num":40},"func_list":["clear"]}})");
        QCOMPARE(features.zone.at(0).sceneNum, std::optional(4));
        QCOMPARE(features.zone.at(1).sceneNum, std::nullopt);
        QCOMPARE(features.netusb, std::optional(NetUSBFeatures { PresetFeature { 40 } }));
        QCOMPARE(decoded<Features>(R"({"netusb":{"preset":{"num":"many"}},"zone":[{"id":"main"}]})").netusb,
            std::optional(NetUSBFeatures { PresetFeature {} }));
        QCOMPARE(decoded<Features>(R"({"netusb":[1],"zone":[{"id":"main"}]})").zone.size(), 1);

        const auto info = decoded<PlayInfo>(
            R"({"playback":"play","repeat":"all","shuffle":7,"repeat_available":["off",1,"one","all"],
                "shuffle_available":"on"})");
        QCOMPARE(info.playback, std::optional(QStringLiteral("play")));
        QCOMPARE(info.repeat, std::optional(QStringLiteral("all")));
        QCOMPARE(info.shuffle, std::nullopt);
        QCOMPARE(info.repeatAvailable, std::optional(QStringList { "off", "one", "all" }));
        QCOMPARE(info.shuffleAvailable, std::nullopt);

        const auto presets = decoded<PresetInfo>(
            R"({"response_code":0,"preset_info":[{"input":"net_radio","text":" Harbour FM "},
                {"input":"unknown","text":""},"broken",{"input":"server","text":"Vinyl"},{"input":"spotify"}]})");
        QCOMPARE(presets.presets.size(), 5);
        const QList<ListedPreset> all { { 1, "Harbour FM", "net_radio" }, { 4, "Vinyl", "server" },
            { 5, "", "spotify" } };
        QCOMPARE(presets.listed(), all);
        QCOMPARE(presets.listed(4), all.first(2));
        QCOMPARE(presets.listed(0), QList<ListedPreset> {});
        QCOMPARE(decoded<PresetInfo>(R"({"preset_info":{}})").presets, QList<Preset> {});
    }

    void encoderLeavesAbsentOut()
    {
        ZoneStatus status;
        status.power = QStringLiteral("on");
        status.actualVolume = ActualVolume { std::nullopt, -40.0, std::nullopt };
        status.inputText = QString::fromUtf8("Küche");
        QCOMPARE(YXCEncoder::encode(status, false),
            QByteArray(R"({"actual_volume":{"value":-40.0},"input_text":"Küche","power":"on"})"));

        Features empty;
        QCOMPARE(
            YXCEncoder::encode(empty, false), QByteArray(R"({"system":{"func_list":[],"input_list":[]},"zone":[]})"));
    }
};

QTEST_GUILESS_MAIN(TestYXCDecoderShapes)
#include "tst_yxcdecoder_shapes.moc"
