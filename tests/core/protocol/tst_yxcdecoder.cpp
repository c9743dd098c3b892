// Decoding at the strict, lenient and lossy boundaries, the detail texts, the shapes receivers answer with (the
// project's fixtures), and the wire-keyed encoder.

#include "core/protocol/YXCDecoder.h"
#include "core/protocol/YXCEncoder.h"

#include "AnswerChecks.h"

#include "support/Fixtures.h"

#include <QTest>

using namespace amplora;
using amplora::test::decoded;

namespace {

// The detail text of a failed decode, or "ok".
template<class T> QString outcome(const QByteArray &body)
{
    const auto result = YXCDecoder::decode<T>(body);
    return result ? QStringLiteral("ok") : result.error().detail();
}

QByteArray features(const QByteArray &zoneJson)
{
    return R"({"response_code":0,"system":{"func_list":[]},"zone":[)" + zoneJson + "]}";
}

} // namespace

class TestYXCDecoder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void envelope_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");

        QTest::addRow("plain") << QByteArray(R"({"response_code":0})") << "ok";
        QTest::addRow("missing") << QByteArray(R"({"power":"on"})") << "missing 'response_code'";
        QTest::addRow("null") << QByteArray(R"({"response_code":null})") << "null 'response_code'";
        QTest::addRow("text") << QByteArray(R"({"response_code":"0"})") << "invalid 'response_code'";
        QTest::addRow("fraction") << QByteArray(R"({"response_code":0.5})") << "invalid 'response_code'";
        QTest::addRow("beyond int") << QByteArray(R"({"response_code":99999999999})")
                                    << "invalid JSON at 'response_code'";
        QTest::addRow("array root") << QByteArray("[0]") << "invalid ''";
        QTest::addRow("invalid UTF-8 in a string") << QByteArray("{\"response_code\":0,\"x\":\"\xff\"}") << "ok";
    }

    void envelope()
    {
        QFETCH(QByteArray, body);
        QTEST(outcome<Envelope>(body), "outcome");
    }

    // Bytes that are no JSON name the byte at which reading gave up (the size when they ended too soon), with the
    // bytes around it made printable.
    void notJSON_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");

        QTest::addRow("empty body") << QByteArray() << "invalid JSON: the answer is empty";
        QTest::addRow("html page") << QByteArray("<!DOCTYPE html><html><body>Busy</body></html>")
                                   << "invalid JSON at byte 0 near '<!DOCTYPE ht'";
        QTest::addRow("cut off") << QByteArray("{\"response_code\":0,\"power\":\"o")
                                 << "invalid JSON at byte 29 near '0,\"power\":\"o'";
        QTest::addRow("missing comma") << QByteArray(R"({"response_code":0,"power":"on" "volume":80})")
                                       << "invalid JSON at byte 39 near '\"on\" \"volume\":80}'";
        QTest::addRow("trailing garbage")
            << QByteArray(R"({"response_code":0} x)") << "invalid JSON at byte 20 near 'se_code\":0} x'";
        QTest::addRow("control, quote and non-ASCII bytes escaped")
            << QByteArray("\x1b[2J'\\\n\xc3\xa9") << "invalid JSON at byte 0 near '\\x1b[2J\\'\\\\\\n\\xc3\\xa9'";
        QTest::addRow("number beyond a double")
            << QByteArray(R"({"response_code":1e999})") << "invalid JSON at byte 21 near 'e_code\":1e999}'";
        QTest::addRow("invalid UTF-8 outside a string")
            << QByteArray("{\"response_code\":0}\xff") << "invalid JSON at byte 19 near 'nse_code\":0}\\xef\\xbf\\xbd'";
    }

    void notJSON()
    {
        QFETCH(QByteArray, body);
        QTEST(outcome<Envelope>(body), "outcome");
        QTEST(outcome<ZoneStatus>(body), "outcome");
    }

    void wholeDecimalForInteger()
    {
        QCOMPARE(decoded<Envelope>(R"({"response_code":3.0})").responseCode, 3);
        QCOMPARE(decoded<ZoneStatus>(R"({"volume":80.0})").volume, std::optional(80));
    }

    void strictStatus_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");

        QTest::addRow("volume as text") << QByteArray(R"({"power":"on","volume":"80"})") << "invalid 'volume'";
        QTest::addRow("volume missing") << QByteArray(R"({"power":"on"})") << "ok";
        QTest::addRow("volume null is absent") << QByteArray(R"({"power":"on","volume":null})") << "ok";
        QTest::addRow("volume fraction") << QByteArray(R"({"volume":80.5})") << "invalid 'volume'";
        QTest::addRow("mute as number") << QByteArray(R"({"mute":1})") << "invalid 'mute'";
        QTest::addRow("bass as text") << QByteArray(R"({"tone_control":{"bass":"6"}})")
                                      << "invalid 'tone_control.bass'";
        QTest::addRow("tone control as list") << QByteArray(R"({"tone_control":[6,6]})") << "invalid 'tone_control'";
        QTest::addRow("decibels as text")
            << QByteArray(R"({"actual_volume":{"value":"-40"}})") << "invalid 'actual_volume.value'";
        QTest::addRow("surround ai as text") << QByteArray(R"({"surround_ai":"on"})") << "invalid 'surround_ai'";
        QTest::addRow("unknown keys") << QByteArray(R"({"zone_b":true,"equalizer":{"low":0},"x":[null]})") << "ok";
        // Fields read later than the rest only decorate: malformed, they are absent and the status still counts.
        QTest::addRow("sleep as text") << QByteArray(R"({"power":"on","sleep":"30"})") << "ok";
        QTest::addRow("direct as number") << QByteArray(R"({"power":"on","direct":1})") << "ok";
    }

    void strictStatus()
    {
        QFETCH(QByteArray, body);
        QTEST(outcome<ZoneStatus>(body), "outcome");
    }

    void statusValues()
    {
        const auto status = decoded<ZoneStatus>(
            R"({"response_code":0,"power":"on","volume":81,"mute":false,"input_text":"Wohnzimmer – Küche",
                "tone_control":{"mode":"manual","bass":-12,"treble":3},
                "actual_volume":{"mode":"db","value":-40,"unit":"dB"},"extra_bass":true,"surround_ai":false})");
        QCOMPARE(status.power, std::optional(QStringLiteral("on")));
        QCOMPARE(status.volume, std::optional(81));
        QCOMPARE(status.inputText, std::optional(QString::fromUtf8("Wohnzimmer – Küche")));
        QCOMPARE(status.toneControl, std::optional(ToneControl { QStringLiteral("manual"), -12, 3 }));
        QCOMPARE(status.actualVolume,
            std::optional(ActualVolume { QStringLiteral("db"), -40.0, QStringLiteral("dB") })); // integer as decimal
        QCOMPARE(status.extraBass, std::optional(true));
        QCOMPARE(status.surroundAi, std::optional(false));
        QCOMPARE(status.pureDirect, std::nullopt);
    }

    void strictOthers()
    {
        QCOMPARE(outcome<DeviceInfo>(R"({"model_name":"RX-V481","system_version":"2.85"})"),
            QStringLiteral("invalid 'system_version'"));
        QCOMPARE(decoded<DeviceInfo>(R"({"model_name":"RX-V481","api_version":2})").apiVersion, std::optional(2.0));
        QCOMPARE(outcome<PlayInfo>(R"({"albumart_id":"12"})"), QStringLiteral("invalid 'albumart_id'"));
        QCOMPARE(outcome<NetworkStatus>(R"({"network_name":7})"), QStringLiteral("invalid 'network_name'"));
    }

    void zoneFiltering()
    {
        const auto result = decoded<Features>(
            features(R"({"id":"main","func_list":["power"]},{"id":"zone2"},{"id":"zone3"},{"id":"main","func_list":[]},
                         {"func_list":["power"]},{"id":4})"));
        QCOMPARE(result.zone.size(), 2);
        QCOMPARE(result.zone.at(0).id, QStringLiteral("main"));
        QCOMPARE(result.zone.at(0).funcList, QStringList { QStringLiteral("power") });
        QCOMPARE(result.zone.at(1).id, QStringLiteral("zone2"));
        QCOMPARE(result.zones(), (QList<Zone> { Zone::main, Zone::zone2 }));
        QVERIFY(result.zoneFeatures(Zone::zone2));
    }

    void rangeSteps_data()
    {
        QTest::addColumn<QByteArray>("range");
        QTest::addColumn<QList<RangeStep>>("kept");

        const auto volume = [](double min, double max) {
            return QList { RangeStep { QStringLiteral("volume"), min, max, 1 } };
        };
        QTest::addRow("step defaults to one") << QByteArray(R"({"id":"volume","min":0,"max":161})") << volume(0, 161);
        QTest::addRow("missing min zeroes both") << QByteArray(R"({"id":"volume","max":161,"step":1})") << volume(0, 0);
        QTest::addRow("decimals") << QByteArray(R"({"id":"actual_volume_db","min":-80.5,"max":16.5,"step":0.5})")
                                  << QList { RangeStep { QStringLiteral("actual_volume_db"), -80.5, 16.5, 0.5 } };
        QTest::addRow("unused id dropped") << QByteArray(R"({"id":"bass","min":-12,"max":12})") << QList<RangeStep> {};
        QTest::addRow("text bound skips the entry")
            << QByteArray(R"({"id":"volume","min":"0","max":161})") << QList<RangeStep> {};
        QTest::addRow("no id skips the entry") << QByteArray(R"({"min":0,"max":161})") << QList<RangeStep> {};
    }

    void rangeSteps()
    {
        QFETCH(QByteArray, range);
        const auto result = decoded<Features>(features(R"({"id":"main","range_step":[)" + range + "]}"));
        QCOMPARE(result.zone.size(), 1);
        QTEST(result.zone.at(0).rangeStep, "kept");
    }

    void lossyLists_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QStringList>("funcList");
        QTest::addColumn<std::optional<QStringList>>("soundPrograms");

        QTest::addRow("bad element skipped")
            << QByteArray(R"({"id":"main","func_list":["extra_bass",7,"surround_ai"]})")
            << QStringList { QStringLiteral("extra_bass"), QStringLiteral("surround_ai") }
            << std::optional<QStringList>();
        QTest::addRow("list as text is empty")
            << QByteArray(R"({"id":"main","func_list":"power","sound_program_list":"x"})") << QStringList {}
            << std::optional(QStringList {});
        QTest::addRow("null list is empty") << QByteArray(R"({"id":"main","sound_program_list":null})")
                                            << QStringList {} << std::optional(QStringList {});
        QTest::addRow("present list") << QByteArray(R"({"id":"main","sound_program_list":["straight",null]})")
                                      << QStringList {} << std::optional(QStringList { QStringLiteral("straight") });
    }

    void lossyLists()
    {
        QFETCH(QByteArray, zone);
        const auto result = decoded<Features>(features(zone));
        QCOMPARE(result.zone.size(), 1);
        QTEST(result.zone.at(0).funcList, "funcList");
        QTEST(result.zone.at(0).soundProgramList, "soundPrograms");
    }

    void systemSubstitution_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<SystemFeatures>("system");

        QTest::addRow("zone count as text empties the system")
            << QByteArray(R"({"system":{"func_list":["wired_lan"],"zone_num":"2","input_list":[{"id":"hdmi1"}]}})")
            << SystemFeatures {};
        QTest::addRow("system as list") << QByteArray(R"({"system":[]})") << SystemFeatures {};
        QTest::addRow("system missing") << QByteArray(R"({"response_code":0})") << SystemFeatures {};
        QTest::addRow("bad input skipped")
            << QByteArray(R"({"system":{"zone_num":2,"input_list":[{"id":"hdmi1","rename_enable":"yes"},
                                {"id":"net_radio","account_enable":false},{"play_info_type":"netusb"}]}})")
            << SystemFeatures { {}, 2, { InputFeature { QStringLiteral("net_radio"), {}, {}, false, {} } } };
    }

    void systemSubstitution()
    {
        QFETCH(QByteArray, body);
        QTEST(decoded<Features>(body).system, "system");
    }

    void featuresFailures()
    {
        QCOMPARE(outcome<Features>(R"({"response_code":"0","zone":[]})"), QStringLiteral("invalid 'response_code'"));
        QCOMPARE(outcome<Features>("{\"zone\":["), QStringLiteral("invalid JSON at byte 9 near '{\"zone\":['"));
        QCOMPARE(outcome<Features>(R"({"zone":{"id":"main"}})"), QStringLiteral("ok"));
    }

    void nameText()
    {
        const auto names = decoded<NameText>(
            R"({"response_code":0,"zone_list":[{"id":"main","text":"Wohnzimmer"},{"id":"zone2"}],
                "input_list":[{"id":"hdmi1","text":"Blu-ray – 家"},{"text":"no id"},{"id":"av1","text":3}],
                "sound_program_list":"none"})");
        QCOMPARE(names.zoneList,
            (QList<IDText> { { QStringLiteral("main"), QStringLiteral("Wohnzimmer") },
                { QStringLiteral("zone2"), QStringLiteral("zone2") } }));
        QCOMPARE(names.inputList, (QList<IDText> { { QStringLiteral("hdmi1"), QString::fromUtf8("Blu-ray – 家") } }));
        QCOMPARE(names.soundProgramList, QList<IDText> {});
        QCOMPARE(names.zoneName(Zone::main), std::optional(QStringLiteral("Wohnzimmer")));
        QCOMPARE(names.zoneName(Zone::zone2), std::optional(QStringLiteral("zone2")));
        QCOMPARE(decoded<NameText>("{}").zoneName(Zone::main), std::nullopt);
    }

    void longList()
    {
        QByteArray inputs;
        for (int i = 0; i < 20000; ++i) {
            inputs += (i ? "," : "") + QByteArray("{\"id\":\"in") + QByteArray::number(i) + "\"}";
        }
        const auto result = decoded<Features>(R"({"system":{"input_list":[)" + inputs + "]}}");
        QCOMPARE(result.system.inputList.size(), 20000);
        QVERIFY(result.system.input(QStringLiteral("in19999")));
        QVERIFY(!result.system.input(QStringLiteral("in20000")));
    }

    // Nothing the network sends may crash the decoder: every cut of a receiver's answer, and deep nesting.
    void hostileInput()
    {
        const QByteArray answer = amplora::test::fixture(QStringLiteral("av-receiver/system_getFeatures.json"));
        for (qsizetype length = 0; length < answer.size(); length += 7) {
            const QByteArray cut = answer.left(length);
            for (auto type : { YXCPayloadType::features, YXCPayloadType::zoneStatus, YXCPayloadType::signalInfo }) {
                QVERIFY(!YXCDecoder::decodePayload(type, cut));
            }
        }
        const QByteArray deep = QByteArray(100000, '[') + QByteArray(100000, ']');
        QCOMPARE(outcome<ZoneStatus>(deep), QStringLiteral("invalid ''"));
        const QByteArray deepField = R"({"tone_control":)" + QByteArray(100000, '{') + QByteArray(100000, '}') + "}";
        QVERIFY(!YXCDecoder::decode<ZoneStatus>(deepField));
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

    void fourZoneReceiver()
    {
        const auto features
            = decoded<Features>(amplora::test::fixture(QStringLiteral("four-zone-receiver/system_getFeatures.json")));
        QCOMPARE(features.system.zoneNum, std::optional(4));
        QCOMPARE(features.zones(), (QList<Zone> { Zone::main, Zone::zone2 }));
        QCOMPARE(features.zoneFeatures(Zone::zone2)->inputList, QStringList { QStringLiteral("phono") });
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

QTEST_GUILESS_MAIN(TestYXCDecoder)
#include "tst_yxcdecoder.moc"
