// Decoding at its boundaries (a value left out alone, a list element skipped, an answer failed), the detail texts,
// what hostile input does to it, the shapes receivers answer with (the project's fixtures), and the wire-keyed
// encoder.

#include "core/protocol/YXCDecoder.h"
#include "core/protocol/YXCEncoder.h"

#include "AnswerChecks.h"

#include "app/TableRows.h"
#include "core/capabilities/Link.h"
#include "support/Fixtures.h"

#include <QLoggingCategory>
#include <QTest>

using namespace amplora;
using amplora::test::decoded;
using amplora::test::fixture;
using amplora::test::row;

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

// An answer with a gap `@` where one more member goes, the path of the object holding the gap, and the answer
// without that member as the encoder writes it back: every other field decoded.
struct Gap {
    const char *answer; // as the log line names it
    YXCPayloadType type;
    const char *body;
    const char *path;
    const char *decoded;
};

// A row whose member at the gap cannot be read: the answer decodes as it does without it, and one debug line
// says which value was left out and why.
void unreadable(const Gap &gap, const char *key, const char *value, const char *why)
{
    const QByteArray body(gap.body);
    const QByteArray member = '"' + QByteArray(key) + "\":" + value + ',';
    QTest::addRow("%s: %s %s", gap.answer, key, value)
        << gap.type << QByteArray(body).replace('@', member) << QByteArray(body).replace("@", "")
        << QStringLiteral("%1: left out '%2%3' (%4)")
               .arg(QLatin1String(gap.answer), QLatin1String(gap.path), QLatin1String(key), QLatin1String(why))
        << QByteArray(gap.decoded);
}

} // namespace

class TestYXCDecoder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The lines that say what was left out are checked.
        QLoggingCategory::setFilterRules(QStringLiteral("amplora.yxc.debug=true"));
    }

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
        QTest::addRow("beyond a double") << QByteArray(R"({"response_code":-1e400})")
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
        QTest::addRow("invalid UTF-8 outside a string")
            << QByteArray("{\"response_code\":0}\xff") << "invalid JSON at byte 19 near 'nse_code\":0}\\xef\\xbf\\xbd'";
    }

    void notJSON()
    {
        QFETCH(QByteArray, body);
        QTEST(outcome<Envelope>(body), "outcome");
        QTEST(outcome<ZoneStatus>(body), "outcome");
    }

    // Only what an answer is of no use without fails it when it cannot be read.
    void essentialFields_data()
    {
        QTest::addColumn<YXCPayloadType>("type");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");

        const auto status = YXCPayloadType::zoneStatus;
        QTest::addRow("power as number") << status << QByteArray(R"({"power":1,"volume":80})") << "invalid 'power'";
        QTest::addRow("power beyond a double") << status << QByteArray(R"({"power":1e400})") << "invalid 'power'";
        QTest::addRow("volume missing") << status << QByteArray(R"({"power":"on"})") << "ok";
        QTest::addRow("volume null is absent") << status << QByteArray(R"({"power":"on","volume":null})") << "ok";
        QTest::addRow("unknown keys") << status << QByteArray(R"({"zone_b":true,"equalizer":{"low":0},"x":[null]})")
                                      << "ok";
        QTest::addRow("model name as object")
            << YXCPayloadType::deviceInfo << QByteArray(R"({"model_name":{"x":1},"device_id":"A"})")
            << "invalid 'model_name'";
        QTest::addRow("play info response code beyond a double")
            << YXCPayloadType::playInfo << QByteArray(R"({"response_code":1e400,"track":"Song"})")
            << "invalid JSON at 'response_code'";
        QTest::addRow("network status response code as text")
            << YXCPayloadType::networkStatus << QByteArray(R"({"response_code":"0","network_name":"Den"})")
            << "invalid 'response_code'";
        QTest::addRow("name text response code as object")
            << YXCPayloadType::nameText << QByteArray(R"({"response_code":{},"zone_list":[]})")
            << "invalid 'response_code'";
        QTest::addRow("preset info response code beyond int")
            << YXCPayloadType::presetInfo << QByteArray(R"({"response_code":99999999999,"preset_info":[]})")
            << "invalid JSON at 'response_code'";
        // The signal answer is read field by field throughout.
        QTest::addRow("signal response code as text")
            << YXCPayloadType::signalInfo << QByteArray(R"({"response_code":"0"})") << "ok";
    }

    void essentialFields()
    {
        QFETCH(YXCPayloadType, type);
        QFETCH(QByteArray, body);
        const auto result = YXCDecoder::decodePayload(type, body);
        QTEST(result ? QStringLiteral("ok") : result.error().detail(), "outcome");
    }

    // A value that cannot be read costs that value alone, in every answer the store reads. Fields are read by one
    // reader per type: each field has a row, and each kind of unreadable value a row on some field.
    void unreadableValueIsLeftOut_data()
    {
        QTest::addColumn<YXCPayloadType>("type");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("without");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QByteArray>("decoded");

        const char *beyondDouble = "a number beyond a double";
        const char *beyondInt = "a number beyond the integer range";

        const Gap device { "Device info", YXCPayloadType::deviceInfo, R"({"response_code":0,@"model_name":"RX-V481"})",
            "", R"({"model_name":"RX-V481","response_code":0})" };
        unreadable(device, "system_version", "1e400", beyondDouble);
        unreadable(device, "api_version", R"("2.0")", "a string where a number is expected");
        unreadable(device, "device_id", R"({"id":"A"})", "an object where a string is expected");

        const Gap system { "Features", YXCPayloadType::features,
            R"({"response_code":0,"system":{"func_list":["wired_lan"],@"input_list":[{"id":"hdmi1"}]}})", "system.",
            R"({"response_code":0,"system":{"func_list":["wired_lan"],"input_list":[{"id":"hdmi1"}]},"zone":[]})" };
        unreadable(system, "zone_num", R"("2")", "a string where a whole number is expected");
        const Gap input { "Features", YXCPayloadType::features,
            R"({"system":{"input_list":[{"id":"hdmi1",@"rename_enable":true}]}})", "system.input_list.",
            R"({"system":{"func_list":[],"input_list":[{"id":"hdmi1","rename_enable":true}]},"zone":[]})" };
        unreadable(input, "play_info_type", "{}", "an object where a string is expected");
        unreadable(input, "account_enable", "1e400", "a number where a boolean is expected");
        const Gap zone {
            "Features", YXCPayloadType::features, R"({"zone":[{"id":"main",@"func_list":["scene"]}]})", "zone.",
            R"({"system":{"func_list":[],"input_list":[]},"zone":[{"func_list":["scene"],"id":"main","input_list":[],"range_step":[]}]})"
        };
        unreadable(zone, "scene_num", "99999999999", beyondInt);

        const Gap names {
            "Name text", YXCPayloadType::nameText,
            R"({"response_code":0,"zone_list":[{"id":"main",@"x":0}],"input_list":[{"id":"hdmi1","text":"TV"}]})",
            "zone_list.",
            R"({"input_list":[{"id":"hdmi1","text":"TV"}],"response_code":0,"sound_program_list":[],"zone_list":[{"id":"main","text":"main"}]})"
        };
        unreadable(names, "text", R"({"en":"Den"})", "an object where a string is expected");

        const Gap status { "Zone status", YXCPayloadType::zoneStatus,
            R"({"response_code":0,"power":"on",@"mute":false})", "",
            R"({"mute":false,"power":"on","response_code":0})" };
        unreadable(status, "volume", "1e400", beyondDouble);
        unreadable(status, "volume", "99999999999", beyondInt);
        unreadable(status, "volume", R"("80")", "a string where a whole number is expected");
        unreadable(status, "input", R"({"id":"hdmi1"})", "an object where a string is expected");
        unreadable(status, "tone_control", "[6,6]", "a list where an object is expected");
        const Gap tone { "Zone status", YXCPayloadType::zoneStatus, R"({"power":"on","tone_control":{@"treble":3}})",
            "tone_control.", R"({"power":"on","tone_control":{"treble":3}})" };
        unreadable(tone, "bass", "1e400", beyondDouble);
        unreadable(tone, "mode", "{}", "an object where a string is expected");

        const Gap play { "Play info", YXCPayloadType::playInfo,
            R"({"response_code":0,"playback":"play",@"artist":"Band","track":"Song"})", "",
            R"({"artist":"Band","playback":"play","response_code":0,"track":"Song"})" };
        unreadable(play, "play_time", "1e400", beyondDouble);
        unreadable(play, "total_time", "99999999999", beyondInt);
        unreadable(play, "albumart_id", R"("12")", "a string where a whole number is expected");
        unreadable(play, "album", R"({"title":"Takk"})", "an object where a string is expected");

        const Gap network { "Network status", YXCPayloadType::networkStatus, R"({@"response_code":0})", "",
            R"({"response_code":0})" };
        unreadable(network, "network_name", "{}", "an object where a string is expected");

        const Gap signal { "Signal info", YXCPayloadType::signalInfo,
            R"({"response_code":0,"audio":{"format":"PCM",@"fs":"48 kHz"}})", "audio.",
            R"({"audio":{"format":"PCM","fs":"48 kHz"},"response_code":0})" };
        unreadable(signal, "bitrate", "-1e400", beyondDouble);
        unreadable(signal, "error", R"("0")", "a string where a whole number is expected");
        unreadable(signal, "bit", R"({"bits":24})", "an object where a string is expected");

        const Gap presets {
            "Preset info", YXCPayloadType::presetInfo,
            R"({"response_code":0,"preset_info":[{"input":"net_radio",@"x":0},{"input":"server","text":"Vinyl"}]})",
            "preset_info.",
            R"({"preset_info":[{"input":"net_radio","text":""},{"input":"server","text":"Vinyl"}],"response_code":0})"
        };
        unreadable(presets, "text", "1e400", "a number where a string is expected");
    }

    void unreadableValueIsLeftOut()
    {
        QFETCH(YXCPayloadType, type);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, without);
        QFETCH(QString, logged);
        QTest::ignoreMessage(QtDebugMsg, qPrintable(logged));
        const auto result = YXCDecoder::decodePayload(type, body);
        QVERIFY2(result, qPrintable(result ? QString() : result.error().detail()));
        const auto reference = YXCDecoder::decodePayload(type, without);
        QVERIFY(reference);
        QVERIFY(result.value() == reference.value());
        QTEST(YXCEncoder::encode(result.value(), false), "decoded");
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
        // A range is of no use with a bound it cannot read.
        QTest::addRow("bound beyond a double skips the entry")
            << QByteArray(R"({"id":"volume","min":-1e400,"max":161})") << QList<RangeStep> {};
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

        QTest::addRow("zone count as text is left out alone")
            << QByteArray(R"({"system":{"func_list":["wired_lan"],"zone_num":"2","input_list":[{"id":"hdmi1"}]}})")
            << SystemFeatures { { QStringLiteral("wired_lan") }, {},
                   { InputFeature { QStringLiteral("hdmi1"), {}, {}, {}, {} } } };
        QTest::addRow("system as list") << QByteArray(R"({"system":[]})") << SystemFeatures {};
        QTest::addRow("system missing") << QByteArray(R"({"response_code":0})") << SystemFeatures {};
        QTest::addRow("zone list as an object is no failure")
            << QByteArray(R"({"zone":{"id":"main"}})") << SystemFeatures {};
        QTest::addRow("input without id skipped, unreadable flag left out")
            << QByteArray(R"({"system":{"zone_num":2,"input_list":[{"id":"hdmi1","rename_enable":"yes"},
                                {"id":"net_radio","account_enable":false},{"play_info_type":"netusb"}]}})")
            << SystemFeatures { {}, 2,
                   { InputFeature { QStringLiteral("hdmi1"), {}, {}, {}, {} },
                       InputFeature { QStringLiteral("net_radio"), {}, {}, false, {} } } };
    }

    void systemSubstitution()
    {
        QFETCH(QByteArray, body);
        QTEST(decoded<Features>(body).system, "system");
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
        // An entry without id is skipped; one whose text cannot be read keeps its id as its text.
        QCOMPARE(names.inputList,
            (QList<IDText> { { QStringLiteral("hdmi1"), QString::fromUtf8("Blu-ray – 家") },
                { QStringLiteral("av1"), QStringLiteral("av1") } }));
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
        const QByteArray answer = fixture(QStringLiteral("av-receiver/system_getFeatures.json"));
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
            { QStringLiteral("av-receiver/dist_getDistributionInfo.json"), YXCPayloadType::distributionInfo },
            { QStringLiteral("av-receiver/dist_getDistributionInfo__none.json"), YXCPayloadType::distributionInfo },
        };
        for (const auto &[file, type] : answers) {
            QTest::addRow("%s", qPrintable(file)) << file << type;
        }
    }

    void fixtureAnswers()
    {
        QFETCH(QString, file);
        QFETCH(YXCPayloadType, type);
        test::verifyAnswer(type, fixture(file));
    }

    // A two-zone receiver whose second zone is Zone B, reported as "zone2". Its answers print decimals as
    // integers (a range of 0 to 97) and an integer as a decimal (81.0); its status and names decode as the inline
    // ones of statusValues and nameText do.
    void receiverValues()
    {
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

        const auto zoneB = decoded<ZoneStatus>(fixture(QStringLiteral("av-receiver/zone2_getStatus.json")));
        QCOMPARE(zoneB.volume, std::optional(81));
        QCOMPARE(zoneB.soundProgram, std::nullopt);
    }

    // A speaker: one zone, volume in steps only, and a Bluetooth source that reports -60000 while idle.
    void speakerValues()
    {
        const auto features = decoded<Features>(fixture(QStringLiteral("speaker/system_getFeatures.json")));
        QCOMPARE(features.zones(), QList<Zone> { Zone::main });
        QVERIFY(!features.zoneFeatures(Zone::main)->range(QStringLiteral("actual_volume_db")));
        QCOMPARE(features.zoneFeatures(Zone::main)->soundProgramList, std::nullopt);

        const auto play = decoded<PlayInfo>(fixture(QStringLiteral("speaker/netusb_getPlayInfo.json")));
        QCOMPARE(play.playTime, std::optional(-60000));
        QVERIFY(!play.hasMetadata());
    }

    // A receiver's link as each zone shows it, from the answer as it comes: "server Living Room" is the zone
    // sharing its sound with the group of that name, "-" no link. Whatever cannot be read costs only itself.
    void distribution_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("main");
        QTest::addColumn<QString>("zone2");

        row("server", fixture(QStringLiteral("av-receiver/dist_getDistributionInfo.json")),
            QStringLiteral("server Living Room"), QStringLiteral("-"));
        row("no link", fixture(QStringLiteral("av-receiver/dist_getDistributionInfo__none.json")), QStringLiteral("-"),
            QStringLiteral("-"));
        row("server of zone2", QByteArray(R"({"response_code":0,"role":"server","server_zone":"zone2"})"),
            QStringLiteral("-"), QStringLiteral("server"));
        row("server naming no zone shares main", QByteArray(R"({"response_code":0,"role":"server"})"),
            QStringLiteral("server"), QStringLiteral("-"));
        row("server of a zone unknown here", QByteArray(R"({"response_code":0,"role":"server","server_zone":"zone4"})"),
            QStringLiteral("-"), QStringLiteral("-"));
        row("client plays the group everywhere",
            QByteArray(R"({"response_code":0,"role":"client","group_name":"Kitchen","server_zone":"main"})"),
            QStringLiteral("client Kitchen"), QStringLiteral("client Kitchen"));
        row("blank group name is none", QByteArray(R"({"response_code":0,"role":"client","group_name":"  "})"),
            QStringLiteral("client"), QStringLiteral("client"));
        row("group name not text", QByteArray(R"({"response_code":0,"role":"client","group_name":7})"),
            QStringLiteral("client"), QStringLiteral("client"));
        row("undocumented role", QByteArray(R"({"response_code":0,"role":"master","group_name":"Den"})"),
            QStringLiteral("-"), QStringLiteral("-"));
        row("role not text", QByteArray(R"({"response_code":0,"role":["server"],"group_name":"Den"})"),
            QStringLiteral("-"), QStringLiteral("-"));
        row("malformed clients skipped",
            QByteArray(R"({"response_code":0,"role":"server","group_name":"Den","client_list":[1,{"ip_address":2}]})"),
            QStringLiteral("server Den"), QStringLiteral("-"));
        // One bad byte in a name the user typed costs that character, as in every other answer.
        row("name not UTF-8", QByteArray("{\"response_code\":0,\"role\":\"server\",\"group_name\":\"Caf\xe9\"}"),
            QStringLiteral("server Caf\uFFFD"), QStringLiteral("-"));
    }

    void distribution()
    {
        QFETCH(QByteArray, body);
        const auto info = YXCDecoder::decode<DistributionInfo>(body);
        QVERIFY2(info, qPrintable(info ? QString() : info.error().detail()));
        const auto shown = [&](Zone zone) {
            const auto link = Link::of(info.value(), zone);
            if (!link) {
                return QStringLiteral("-");
            }
            const QString role = link->role == Link::Role::server ? QStringLiteral("server") : QStringLiteral("client");
            return link->group ? role + u' ' + *link->group : role;
        };
        QTEST(shown(Zone::main), "main");
        QTEST(shown(Zone::zone2), "zone2");
    }

    // Receivers pass tag bytes through as they come: one Latin-1 byte in a title costs that character, not the
    // answer.
    void nonUtf8PlayInfoKeepsTheAnswer()
    {
        const auto play
            = YXCDecoder::decode<PlayInfo>(fixture(QStringLiteral("av-receiver/netusb_getPlayInfo__latin1.json")));
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
