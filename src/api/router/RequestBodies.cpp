#include "api/router/RequestBodies.h"

#include "api/control/WholeNumber.h"
#include "api/http/JSONBody.h"
#include "api/router/RouterErrors.h"

#include <QTextBoundaryFinder>

#include <cmath>

namespace amplora::api {

namespace Errors = RouterErrors;

namespace {

constexpr qsizetype maxSceneNameLength = 64;

// Reads one body field after another and keeps only the first failure: once something is wrong, later reads
// and checks do nothing, so a parser written in the endpoint's order of checks reports exactly the first problem.
class BodyReader {
public:
    BodyReader(QByteArrayView body, const QStringList &allowedKeys)
    {
        Checked<JSONObject> parsed = jsonObject(body, allowedKeys);
        if (parsed) {
            m_object = std::move(parsed).value();
        } else {
            m_failure = parsed.error();
        }
    }

    std::optional<double> number(const QString &key) { return read(numberField, key); }
    std::optional<bool> boolean(const QString &key) { return read(boolField, key); }
    std::optional<QString> string(const QString &key) { return read(stringField, key); }

    // A number that must be whole (see api::wholeNumber()).
    std::optional<int> wholeNumber(const QString &key)
    {
        const std::optional<double> value = number(key);
        if (!value) {
            return std::nullopt;
        }
        const std::optional<int> whole = api::wholeNumber(*value);
        require(whole.has_value(), [&] { return Errors::notWhole(key); });
        return whole;
    }

    // A non-empty string naming one of E's cases, in any letter case.
    template<class E> std::optional<E> enumerated(const QString &key)
    {
        const std::optional<QString> text = string(key);
        if (!text) {
            return std::nullopt;
        }
        const std::optional<E> value = enumFromName<E>(text->toLower());
        require(value.has_value(), [&] { return Errors::notOneOf(key, enumNames<E>()); });
        return value;
    }

    // "on", "standby", or "off" for standby, in any letter case.
    std::optional<PowerState> power()
    {
        const std::optional<QString> text = string(QStringLiteral("power"));
        if (!text) {
            return std::nullopt;
        }
        const QString word = text->toLower();
        if (word == u"on") {
            return PowerState::on;
        }
        if (word == u"standby" || word == u"off") {
            return PowerState::standby;
        }
        require(false, Errors::invalidPower);
        return std::nullopt;
    }

    // Fails with `refusal()` unless `condition` holds (or something failed before).
    template<class Refusal> void require(bool condition, Refusal refusal)
    {
        if (!m_failure && !condition) {
            m_failure = refusal();
        }
    }
    void check(std::optional<APIError> refusal)
    {
        if (!m_failure) {
            m_failure = std::move(refusal);
        }
    }

    // The first failure, or the request `build()` makes from what was read.
    template<class Build> auto finish(Build build) -> Checked<decltype(build())>
    {
        if (m_failure) {
            return Failure { *m_failure };
        }
        return build();
    }

private:
    template<class T>
    std::optional<T> read(
        Result<std::optional<T>, APIError> (*field)(const JSONObject &, const QString &), const QString &key)
    {
        if (m_failure) {
            return std::nullopt;
        }
        Result<std::optional<T>, APIError> value = field(m_object, key);
        if (!value) {
            m_failure = value.error();
            return std::nullopt;
        }
        return std::move(value).value();
    }

    JSONObject m_object;
    std::optional<APIError> m_failure;
};

auto missing(const char *message)
{
    return [message] { return Errors::missingField(QString::fromUtf8(message)); };
}

Checked<NameRequest> parseName(QByteArrayView body, const QString &key, const char *missingMessage)
{
    BodyReader reader(body, { key });
    const std::optional<QString> name = reader.string(key);
    reader.require(name.has_value(), missing(missingMessage));
    return reader.finish([&] { return NameRequest { *name }; });
}

Checked<SwitchRequest> parseSwitch(QByteArrayView body)
{
    const QString key = QStringLiteral("enabled");
    BodyReader reader(body, { key });
    const std::optional<bool> enabled = reader.boolean(key);
    reader.require(enabled.has_value(), missing("\"enabled\" is required."));
    return reader.finish([&] { return SwitchRequest { *enabled }; });
}

template<class Request> Checked<Request> parseMode(QByteArrayView body)
{
    const QString key = QStringLiteral("mode");
    BodyReader reader(body, { key });
    const auto mode = reader.enumerated<decltype(Request::mode)>(key);
    reader.require(mode.has_value(), missing("\"mode\" is required."));
    return reader.finish([&] { return Request { *mode }; });
}

// People count characters as they see them, so a name's length is its number of grapheme clusters.
qsizetype visibleLength(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1) {
        ++count;
    }
    return count;
}

} // namespace

Checked<PowerRequest> parsePower(QByteArrayView body)
{
    BodyReader reader(body, { QStringLiteral("power") });
    const std::optional<PowerState> power = reader.power();
    reader.require(power.has_value(), missing("\"power\" is required."));
    return reader.finish([&] { return PowerRequest { *power }; });
}

Checked<VolumeRequest> parseVolume(QByteArrayView body)
{
    BodyReader reader(body, { QStringLiteral("db"), QStringLiteral("step"), QStringLiteral("rampSeconds") });
    const std::optional<double> db = reader.number(QStringLiteral("db"));
    const std::optional<VolumeStepDirection> step = reader.enumerated<VolumeStepDirection>(QStringLiteral("step"));
    const std::optional<double> rampSeconds = reader.number(QStringLiteral("rampSeconds"));
    reader.require(db || step, missing("Send {\"db\": -30} or {\"step\": \"up\"|\"down\"}."));
    reader.require(!(db && step),
        [] { return Errors::invalidValue(QStringLiteral("Send either \"db\" or \"step\", not both.")); });
    reader.require(!(step && rampSeconds), Errors::rampWithStep);
    reader.require(
        !rampSeconds || rampSecondsInRange(*rampSeconds), [] { return Errors::rampOutOfRange(maxRampSeconds); });
    return reader.finish([&] { return VolumeRequest { db, step, rampSeconds }; });
}

Checked<MuteRequest> parseMute(QByteArrayView body)
{
    BodyReader reader(body, { QStringLiteral("mute") });
    const std::optional<bool> mute = reader.boolean(QStringLiteral("mute"));
    reader.require(mute.has_value(), missing("\"mute\" is required."));
    return reader.finish([&] { return MuteRequest { *mute }; });
}

Checked<NameRequest> parseInput(QByteArrayView body)
{
    return parseName(body, QStringLiteral("input"), "\"input\" is required.");
}

Checked<NameRequest> parseSoundMode(QByteArrayView body)
{
    return parseName(body, QStringLiteral("soundMode"), "\"soundMode\" is required.");
}

Checked<ToneRequest> parseTone(QByteArrayView body, const ReceiverAPIConfiguration &limits)
{
    BodyReader reader(body, { QStringLiteral("bass"), QStringLiteral("treble") });
    const ToneRequest tone { reader.number(QStringLiteral("bass")), reader.number(QStringLiteral("treble")) };
    reader.require(tone.bass || tone.treble, missing("Send \"bass\", \"treble\" or both."));
    for (const auto &[key, value] :
        { std::pair { QStringLiteral("bass"), tone.bass }, std::pair { QStringLiteral("treble"), tone.treble } }) {
        if (value) {
            reader.check(rangeCheck(key, *value, limits.toneRangeDb, limits.dbStep));
        }
    }
    return reader.finish([&] { return tone; });
}

Checked<SubwooferRequest> parseSubwoofer(QByteArrayView body, Zone zone, const ReceiverAPIConfiguration &limits)
{
    BodyReader reader(body, { QStringLiteral("db") });
    const std::optional<double> db = reader.number(QStringLiteral("db"));
    reader.require(db.has_value(), missing("\"db\" is required."));
    reader.require(zone == Zone::main, Errors::subwooferOnlyInMain);
    if (db) {
        reader.check(rangeCheck(QStringLiteral("db"), *db, limits.subwooferRangeDb, limits.dbStep));
    }
    return reader.finish([&] { return SubwooferRequest { *db }; });
}

Checked<PlaybackRequest> parsePlayback(QByteArrayView body)
{
    BodyReader reader(body, { QStringLiteral("action") });
    const std::optional<PlaybackAction> action = reader.enumerated<PlaybackAction>(QStringLiteral("action"));
    reader.require(action.has_value(), missing("\"action\" is required."));
    return reader.finish([&] { return PlaybackRequest { *action }; });
}

Checked<SleepRequest> parseSleep(QByteArrayView body)
{
    BodyReader reader(body, { QStringLiteral("minutes") });
    const std::optional<int> minutes = reader.wholeNumber(QStringLiteral("minutes"));
    reader.require(minutes.has_value(), missing("\"minutes\" is required."));
    reader.check(sleepCheck(QStringLiteral("minutes"), minutes.value_or(0)));
    return reader.finish([&] { return SleepRequest { *minutes }; });
}

Checked<SwitchRequest> parseDirect(QByteArrayView body)
{
    return parseSwitch(body);
}

Checked<SwitchRequest> parseEnhancer(QByteArrayView body)
{
    return parseSwitch(body);
}

Checked<DialogueRequest> parseDialogue(QByteArrayView body)
{
    BodyReader reader(body, { QStringLiteral("level") });
    const std::optional<int> level = reader.wholeNumber(QStringLiteral("level"));
    reader.require(level.has_value(), missing("\"level\" is required."));
    return reader.finish([&] { return DialogueRequest { *level }; });
}

Checked<RepeatRequest> parseRepeat(QByteArrayView body)
{
    return parseMode<RepeatRequest>(body);
}

Checked<ShuffleRequest> parseShuffle(QByteArrayView body)
{
    return parseMode<ShuffleRequest>(body);
}

Checked<ReceiverScene> parseScene(QByteArrayView body)
{
    BodyReader reader(body, ReceiverScene::jsonKeys());
    ReceiverScene scene;
    scene.name = reader.string(QStringLiteral("name")).value_or(QString());
    reader.check(sceneNameCheck(scene.name));
    scene.power = reader.power();
    scene.zone = reader.enumerated<Zone>(QStringLiteral("zone"));
    scene.readSettings(reader);
    return reader.finish([&] { return scene; });
}

Checked<InputProfile> parseInputProfile(QByteArrayView body)
{
    BodyReader reader(body, InputProfile::settingKeys());
    InputProfile profile;
    profile.readSettings(reader);
    reader.require(profile.hasSetting(), Errors::emptyInputProfile);
    return reader.finish([&] { return profile; });
}

std::optional<APIError> sceneNameCheck(const QString &name)
{
    if (name.isEmpty()) {
        return Errors::missingField(QStringLiteral("\"name\" is required."));
    }
    if (visibleLength(name) > maxSceneNameLength) {
        return Errors::invalidValue(QStringLiteral("\"name\" must be 64 characters or fewer."));
    }
    if (name.contains(u'/')) {
        return Errors::invalidValue(QStringLiteral("\"name\" must not contain \"/\"."));
    }
    return std::nullopt;
}

std::optional<APIError> sceneRampCheck(const std::optional<double> &volumeDb, const std::optional<double> &rampSeconds)
{
    if (!rampSeconds) {
        return std::nullopt;
    }
    if (!volumeDb) {
        return Errors::sceneRampWithoutVolume();
    }
    if (!rampSecondsInRange(*rampSeconds)) {
        return Errors::sceneRampOutOfRange(maxRampSeconds);
    }
    return std::nullopt;
}

std::optional<APIError> sleepCheck(const QString &key, int minutes)
{
    if (minutes < 0) {
        return Errors::negative(key);
    }
    return std::nullopt;
}

std::optional<APIError> stepCheck(const QString &key, double db, double stepDb)
{
    if (stepDb <= 0) {
        return std::nullopt;
    }
    const double quotient = db / stepDb;
    if (std::abs(quotient - std::round(quotient)) <= 1e-9) {
        return std::nullopt;
    }
    return Errors::invalidStep(key, stepDb);
}

std::optional<APIError> rangeCheck(
    const QString &key, double db, const ReceiverAPIConfiguration::DecibelRange &range, double stepDb)
{
    if (!range.contains(db)) {
        return Errors::outOfRange(key, range.lower, range.upper);
    }
    return stepCheck(key, db, stepDb);
}

} // namespace amplora::api
