#include "api/http/JSONEncoder.h"
#include "api/router/RequestBodies.h"

#include <QTest>

#include <functional>

using namespace amplora;
using namespace amplora::api;
using namespace Qt::StringLiterals;

namespace {

// A parser run on a body, written as one line: the request it read, or "<status> <code>: <message>".
using Parse = std::function<QString(QByteArray)>;

template<class Parser, class Render> Parse parser(Parser parse, Render render)
{
    return [parse, render](const QByteArray &body) -> QString {
        const auto result = parse(QByteArrayView(body));
        if (!result)
            return QString::number(result.error().status) + u' ' + result.error().code + u": "_s
                + result.error().message;
        return render(*result);
    };
}

QString number(std::optional<double> value)
{
    return value ? QString::number(*value, 'g', 17) : u"-"_s;
}

QString nameOf(const NameRequest &request)
{
    return request.name;
}

const Parse power = parser(parsePower, [](const PowerRequest &r) { return enumName(r.power); });
const Parse volume = parser(parseVolume, [](const VolumeRequest &r) {
    const QString ramp = r.rampSeconds ? u" over "_s + number(r.rampSeconds) : QString();
    return (r.db ? u"db "_s + number(r.db) : u"step "_s + enumName(*r.step)) + ramp;
});
const Parse mute = parser(parseMute, [](const MuteRequest &r) { return r.mute ? u"true"_s : u"false"_s; });
const Parse input = parser(parseInput, nameOf);
const Parse soundMode = parser(parseSoundMode, nameOf);
const Parse tone = parser([](QByteArrayView body) { return parseTone(body, ReceiverAPIConfiguration {}); },
    [](const ToneRequest &r) { return u"bass="_s + number(r.bass) + u" treble="_s + number(r.treble); });
Parse subwooferIn(Zone zone)
{
    return parser([zone](QByteArrayView body) { return parseSubwoofer(body, zone, ReceiverAPIConfiguration {}); },
        [](const SubwooferRequest &r) { return number(r.db); });
}
const Parse playback = parser(parsePlayback, [](const PlaybackRequest &r) { return enumName(r.action); });
const Parse sleep = parser(parseSleep, [](const SleepRequest &r) { return QString::number(r.minutes); });
const Parse direct = parser(parseDirect, [](const SwitchRequest &r) { return r.enabled ? u"on"_s : u"off"_s; });
const Parse enhancer = parser(parseEnhancer, [](const SwitchRequest &r) { return r.enabled ? u"on"_s : u"off"_s; });
const Parse dialogue = parser(parseDialogue, [](const DialogueRequest &r) { return QString::number(r.level); });
const Parse repeat = parser(parseRepeat, [](const RepeatRequest &r) { return enumName(r.mode); });
const Parse shuffle = parser(parseShuffle, [](const ShuffleRequest &r) { return enumName(r.mode); });
const Parse scene = parser(
    parseScene, [](const ReceiverScene &r) { return QString::fromUtf8(JSONEncoder::encode(r.toJSON()).value()); });

void row(const char *name, const Parse &parse, const QByteArray &body, const QString &outcome)
{
    QTest::newRow(name) << parse << body << outcome;
}

// The rows of TestRequestBodies::parse; outside the class because moc misreads raw strings holding quotes.
void addRows()
{
    QTest::addColumn<Parse>("parse");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("outcome");

    row("no body", power, "", u"400 missing_body: A JSON object body is required."_s);
    row("not an object", power, "[]", u"400 invalid_json: The body must be a JSON object."_s);
    for (const auto &[name, body] :
        { std::pair { "whitespace only", QByteArray(" \n") }, std::pair { "truncated", QByteArray(R"({"db": -3)") },
            std::pair { "trailing garbage", QByteArray("{} x") },
            std::pair { "invalid UTF-8 in a string", QByteArray("{\"db\": \"\xff\"}") },
            std::pair { "NUL byte", QByteArray("{\0}", 3) },
            std::pair { "number JSON cannot hold", QByteArray(R"({"db": 1e999})") } })
        row(name, volume, body, u"400 invalid_json: The body is not valid JSON."_s);
    row("unknown keys listed sorted", volume, R"({"foo":1,"bar":2,"db":3})",
        u"400 unknown_field: Unknown field(s): bar, foo. Allowed: db, rampSeconds, step."_s);
    row("power on in any case", power, R"({"power":"On"})", u"on"_s);
    row("power null is missing", power, R"({"power":null})", u"400 missing_field: \"power\" is required."_s);
    row("power word unknown", power, R"({"power":"sleep"})",
        u"400 invalid_value: \"power\" must be \"on\" or \"standby\" (\"off\" also works)."_s);

    row("volume neither", volume, "{}", u"400 missing_field: Send {\"db\": -30} or {\"step\": \"up\"|\"down\"}."_s);
    row("volume both", volume, R"({"db":-30,"step":"up"})",
        u"400 invalid_value: Send either \"db\" or \"step\", not both."_s);
    row("volume step unknown", volume, R"({"step":"sideways"})",
        u"400 invalid_value: \"step\" must be one of: up, down."_s);
    row("volume db read before step", volume, R"({"db":"loud","step":"sideways"})",
        u"400 invalid_type: \"db\" must be a number."_s);
    row("volume with an exponent", volume, R"({"db": -3.05e1})", u"db -30.5"_s);
    row("volume ramp", volume, R"({"db":-30,"rampSeconds":0.5})", u"db -30 over 0.5"_s);
    row("volume ramp at its longest", volume, R"({"db":-30,"rampSeconds":600})", u"db -30 over 600"_s);
    row("volume ramp of no time", volume, R"({"db":-30,"rampSeconds":0})",
        u"400 out_of_range: \"rampSeconds\" must be more than 0 and at most 600."_s);
    row("volume ramp too long", volume, R"({"db":-30,"rampSeconds":600.5})",
        u"400 out_of_range: \"rampSeconds\" must be more than 0 and at most 600."_s);
    row("volume ramp with a step", volume, R"({"step":"up","rampSeconds":8})",
        u"400 invalid_value: \"rampSeconds\" goes with \"db\", not with \"step\"."_s);
    row("volume ramp seconds as text", volume, R"({"db":-30,"rampSeconds":"8"})",
        u"400 invalid_type: \"rampSeconds\" must be a number."_s);
    row("volume beyond 64-bit integers", volume, R"({"db": 18446744073709551615})", u"db 1.8446744073709552e+19"_s);
    row("volume as a boolean", volume, R"({"db": true})", u"400 invalid_type: \"db\" must be a number."_s);
    row("volume nested without end", volume, "{\"db\":" + QByteArray(30000, '[') + QByteArray(30000, ']') + "}",
        u"400 invalid_type: \"db\" must be a number."_s);

    row("mute", mute, R"({"mute":false})", u"false"_s);
    row("mute missing", mute, "{}", u"400 missing_field: \"mute\" is required."_s);
    row("mute as text", mute, R"({"mute":"true"})", u"400 invalid_type: \"mute\" must be true or false."_s);

    row("input trimmed, not yet resolved", input, R"({"input":" \n\tnet-radio \n"})", u"net-radio"_s);
    row("input as a number", input, R"({"input":1})", u"400 invalid_type: \"input\" must be a string."_s);
    row("input missing", input, "{}", u"400 missing_field: \"input\" is required."_s);
    row("input blank", input, R"({"input":"  "})", u"400 invalid_value: \"input\" must not be empty."_s);
    row("sound mode missing", soundMode, "{}", u"400 missing_field: \"soundMode\" is required."_s);

    row("tone empty", tone, R"({"bass":null})", u"400 missing_field: Send \"bass\", \"treble\" or both."_s);
    row("bass checked before treble", tone, R"({"treble":9,"bass":9})",
        u"400 out_of_range: \"bass\" must be between -6 and 6 dB."_s);
    row("treble off the step", tone, R"({"bass":1,"treble":1.25})",
        u"400 invalid_step: \"treble\" must be a multiple of 0.5 dB."_s);

    row("subwoofer out of range", subwooferIn(Zone::main), R"({"db":-6.5})",
        u"400 out_of_range: \"db\" must be between -6 and 6 dB."_s);
    row("subwoofer missing before zone", subwooferIn(Zone::zone2), "{}", u"400 missing_field: \"db\" is required."_s);
    row("subwoofer zone before range", subwooferIn(Zone::zone2), R"({"db":9})",
        u"400 not_supported: Subwoofer trim is only available in main."_s);

    row("playback unknown", playback, R"({"action":"stop"})",
        u"400 invalid_value: \"action\" must be one of: play, pause, next, previous."_s);
    row("playback missing", playback, "{}", u"400 missing_field: \"action\" is required."_s);

    // Any whole number of minutes from 0: the control rounds it; a count must not lose its fraction silently.
    row("sleep written with a fraction of zero", sleep, R"({"minutes":30.0})", u"30"_s);
    row("sleep beyond an int saturates", sleep, R"({"minutes":1e12})", u"2147483647"_s);
    row("sleep with a fraction", sleep, R"({"minutes":30.5})",
        u"400 invalid_value: \"minutes\" must be a whole number."_s);
    row("sleep as text", sleep, R"({"minutes":"30"})", u"400 invalid_type: \"minutes\" must be a number."_s);
    row("sleep missing", sleep, "{}", u"400 missing_field: \"minutes\" is required."_s);
    row("direct as a word", direct, R"({"enabled":"on"})", u"400 invalid_type: \"enabled\" must be true or false."_s);
    row("enhancer with a misspelt key", enhancer, R"({"enable":true})",
        u"400 unknown_field: Unknown field(s): enable. Allowed: enabled."_s);
    row("dialogue negative", dialogue, R"({"level":-2})", u"-2"_s);
    row("dialogue far out of range is the control's to refuse", dialogue, R"({"level":-1e300})", u"-2147483648"_s);
    row("dialogue missing", dialogue, R"({"level":null})", u"400 missing_field: \"level\" is required."_s);
    row("repeat in any case", repeat, R"({"mode":"ALL"})", u"all"_s);
    row("shuffle albums", shuffle, R"({"mode":"albums"})", u"albums"_s);
    row("shuffle unknown", shuffle, R"({"mode":"tracks"})",
        u"400 invalid_value: \"mode\" must be one of: off, on, songs, albums."_s);
    row("shuffle missing", shuffle, "{}", u"400 missing_field: \"mode\" is required."_s);

    row("scene with every field", scene,
        R"({"name":" Movie ","power":"off","zone":"MAIN","input":"hdmi 1","soundMode":"sci fi","volumeDb":-35,"bass":1,"treble":-1,"sub":2,"sleep":45,"direct":true,"favourite":"harbour"})",
        uR"({"bass":1,"direct":true,"favourite":"harbour","input":"hdmi 1","name":"Movie","power":"standby","sleep":45,"soundMode":"sci fi","sub":2,"treble":-1,"volumeDb":-35,"zone":"main"})"_s);
    row("scene sleep with a fraction", scene, R"({"name":"Night","sleep":0.5})",
        u"400 invalid_value: \"sleep\" must be a whole number."_s);
    row("scene direct as text", scene, R"({"name":"Night","direct":"yes"})",
        u"400 invalid_type: \"direct\" must be true or false."_s);
    row("name of 64 characters", scene, "{\"name\":\"" + QByteArray(64, 'x') + "\"}",
        u"{\"name\":\""_s + QString(64, u'x') + u"\"}"_s);
    row("64 accented characters", scene, "{\"name\":\"" + QString(64, QChar(0xE9)).toUtf8() + "\"}",
        u"{\"name\":\""_s + QString(64, QChar(0xE9)) + u"\"}"_s);
    row("name of 65 characters", scene, "{\"name\":\"" + QByteArray(65, 'x') + "\"}",
        u"400 invalid_value: \"name\" must be 64 characters or fewer."_s);
    row("name with a slash", scene, R"({"name":"Movie/Night","power":"on"})",
        u"400 invalid_value: \"name\" must not contain \"/\"."_s);
    row("name checked before power", scene, R"({"name":"a/b","power":"sleep"})",
        u"400 invalid_value: \"name\" must not contain \"/\"."_s);
    row("scene key unknown", scene, R"({"name":"Movie","volume":-30})",
        u"400 unknown_field: Unknown field(s): volume. Allowed: bass, direct, favourite, input, name, power, rampSeconds, sleep, soundMode, sub, treble, volumeDb, zone."_s);
    row("scene zone unknown", scene, R"({"name":"Night","zone":"zone3","power":"on"})",
        u"400 invalid_value: \"zone\" must be one of: main, zone2."_s);
    row("scene number of the wrong type", scene, R"({"name":"Night","sub":"1"})",
        u"400 invalid_type: \"sub\" must be a number."_s);
}

} // namespace

Q_DECLARE_METATYPE(Parse)

class TestRequestBodies : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each row checks one body; where two things are wrong, the one the endpoint checks first is reported. A body
    // that an endpoint row of the router tests already sends (the plain successes, "power" or "name" missing) is
    // not repeated here.
    void parse_data() { addRows(); }
    void parse()
    {
        QFETCH(Parse, parse);
        QFETCH(QByteArray, body);
        QTEST(parse(body), "outcome");
    }
};

QTEST_GUILESS_MAIN(TestRequestBodies)
#include "tst_requestbodies.moc"
