// The endpoints that read or change the receiver's settings.

#include "api/control/ReceiverControl.h"
#include "api/matching/VolumeRateLimiter.h"
#include "api/router/ControlChecks.h"
#include "api/router/RouteTable.h"
#include "api/router/RouterErrors.h"

#include <algorithm>

namespace amplora::api {

namespace Errors = RouterErrors;

namespace {

// A state-changing endpoint's answer: "ok", "zone" and the endpoint's own fields.
HTTPResponse acknowledgement(Zone zone, JSONValue::Object fields)
{
    fields.insert_or_assign(QStringLiteral("ok"), JSONValue(true));
    fields.insert_or_assign(QStringLiteral("zone"), JSONValue(enumName(zone)));
    return HTTPResponse::json(200, JSONValue(std::move(fields)));
}

// A change that goes on after the answer (a volume fade): 202 once it has started, with the endpoint's fields.
QCoro::Task<Response> started(ControlTask<Done> change, Zone zone, JSONValue::Object fields)
{
    const Result<Done, ControlError> done = co_await std::move(change);
    if (!done) {
        co_return Failure { Errors::fromControl(done.error()) };
    }
    HTTPResponse response = acknowledgement(zone, std::move(fields));
    response.status = 202;
    co_return response;
}

// The acknowledgement once the receiver took the change, or what the client sees of its failure.
QCoro::Task<Response> acknowledged(ControlTask<Done> change, Zone zone, JSONValue::Object fields)
{
    const Result<Done, ControlError> done = co_await std::move(change);
    if (!done) {
        co_return Failure { Errors::fromControl(done.error()) };
    }
    co_return acknowledgement(zone, std::move(fields));
}

// The usual answer names one field. Built here rather than as a braced list in the coroutines: GCC 12 rejects a
// braced initializer holding QStringLiteral inside a coroutine.
JSONValue::Object field(QString key, JSONValue value)
{
    JSONValue::Object fields;
    fields.emplace(std::move(key), std::move(value));
    return fields;
}

// A list of names and the zone they belong to.
HTTPResponse namesOfZone(const QString &key, const QStringList &names, Zone zone)
{
    return HTTPResponse::json(200,
        JSONValue(JSONValue::Object {
            { key, JSONValue::fromStrings(names) },
            { QStringLiteral("zone"), JSONValue(enumName(zone)) },
        }));
}

// A slot or button number as a path writes it: digits only, as an int. Anything else names nothing.
std::optional<int> pathNumber(const QString &segment)
{
    if (segment.isEmpty()
        || !std::all_of(segment.cbegin(), segment.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        return std::nullopt;
    }
    bool ok = false;
    const int number = segment.toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

JSONValue favouriteJSON(const Favourite &favourite)
{
    return JSONValue(JSONValue::Object { { QStringLiteral("input"), JSONValue(favourite.input) },
        { QStringLiteral("name"), JSONValue(favourite.name) },
        { QStringLiteral("number"), JSONValue(favourite.number) } });
}

// A tuner preset: "frequency" as the receiver's display reads it, "name" only where the receiver gives one.
JSONValue tunerPresetJSON(const TunerPreset &preset)
{
    JSONValue::Object object { { QStringLiteral("band"), JSONValue(preset.band) },
        { QStringLiteral("number"), JSONValue(preset.number) } };
    if (preset.frequency) {
        object.emplace(QStringLiteral("frequency"), JSONValue(*preset.frequency));
    }
    if (preset.name) {
        object.emplace(QStringLiteral("name"), JSONValue(*preset.name));
    }
    return JSONValue(std::move(object));
}

QCoro::Task<Response> inputs(std::shared_ptr<RouterState> state, RouteCall call)
{
    const Result<QStringList, ControlError> names = co_await state->control->inputs(call.zone, call.cancel);
    if (!names) {
        co_return Failure { Errors::fromControl(names.error()) };
    }
    co_return namesOfZone(QStringLiteral("inputs"), names.value(), call.zone);
}

QCoro::Task<Response> soundModes(std::shared_ptr<RouterState> state, RouteCall call)
{
    const Result<QStringList, ControlError> names = co_await state->control->soundModes(call.zone, call.cancel);
    if (!names) {
        co_return Failure { Errors::fromControl(names.error()) };
    }
    co_return namesOfZone(QStringLiteral("soundModes"), names.value(), call.zone);
}

QCoro::Task<Response> power(std::shared_ptr<RouterState> state, RouteCall call, PowerRequest power)
{
    co_return co_await acknowledged(state->control->setPower(call.zone, power.power, call.cancel), call.zone,
        field(QStringLiteral("power"), JSONValue(enumName(power.power))));
}

QCoro::Task<Response> volume(std::shared_ptr<RouterState> state, RouteCall call, VolumeRequest volume)
{
    const Zone zone = call.zone;
    if (const std::optional<double> target = volume.db) {
        if (std::optional<APIError> refused
            = co_await ControlChecks::absoluteVolume(state->control, *target, state->configuration)) {
            co_return Failure { *refused };
        }
        if (std::optional<APIError> refused = ControlChecks::rateLimit(state->rateLimiter.get(), zone)) {
            co_return Failure { *refused };
        }
        // A fade counts against the rate limit once, as the one request it is; its steps are the control's.
        if (const std::optional<double> seconds = volume.rampSeconds) {
            JSONValue::Object fields = field(QStringLiteral("volumeDb"), JSONValue(*target));
            fields.insert_or_assign(QStringLiteral("rampSeconds"), JSONValue(*seconds));
            ControlTask<Done> ramp = state->control->rampVolume(zone, *target, rampDuration(*seconds), call.cancel);
            co_return co_await started(std::move(ramp), zone, std::move(fields));
        }
        co_return co_await acknowledged(state->control->setVolume(zone, *target, call.cancel), zone,
            field(QStringLiteral("volumeDb"), JSONValue(*target)));
    }

    // The control reads the volume once and refuses a step above the cap itself. That refusal sends nothing, so
    // the change the rate limit allowed is handed back.
    // The body parser accepts a volume request only with exactly one of "db" and "step".
    const VolumeStepDirection direction = *volume.step; // NOLINT(bugprone-unchecked-optional-access)
    if (std::optional<APIError> refused = ControlChecks::rateLimit(state->rateLimiter.get(), zone)) {
        co_return Failure { *refused };
    }
    const Result<double, ControlError> stepped = co_await state->control->stepVolume(zone, direction, call.cancel);
    if (!stepped) {
        if (stepped.error().kind() == ControlError::Kind::volumeAboveCap && state->rateLimiter) {
            state->rateLimiter->giveBack(zone);
        }
        co_return Failure { Errors::fromControl(stepped.error()) };
    }
    co_return acknowledgement(zone, field(QStringLiteral("step"), JSONValue(enumName(direction))));
}

QCoro::Task<Response> mute(std::shared_ptr<RouterState> state, RouteCall call, MuteRequest mute)
{
    co_return co_await acknowledged(state->control->setMute(call.zone, mute.mute, call.cancel), call.zone,
        field(QStringLiteral("mute"), JSONValue(mute.mute)));
}

QCoro::Task<Response> input(std::shared_ptr<RouterState> state, RouteCall call, NameRequest requested)
{
    const Checked<QString> name
        = co_await ControlChecks::resolveInput(state->control, call.zone, requested.name, call.cancel);
    if (!name) {
        co_return Failure { name.error() };
    }
    co_return co_await acknowledged(state->control->setInput(call.zone, *name, call.cancel), call.zone,
        field(QStringLiteral("input"), JSONValue(*name)));
}

QCoro::Task<Response> soundMode(std::shared_ptr<RouterState> state, RouteCall call, NameRequest requested)
{
    const Checked<QString> name
        = co_await ControlChecks::resolveSoundMode(state->control, call.zone, requested.name, call.cancel);
    if (!name) {
        co_return Failure { name.error() };
    }
    co_return co_await acknowledged(state->control->setSoundMode(call.zone, *name, call.cancel), call.zone,
        field(QStringLiteral("soundMode"), JSONValue(*name)));
}

QCoro::Task<Response> tone(std::shared_ptr<RouterState> state, RouteCall call, ToneRequest tone)
{
    JSONValue::Object answer;
    if (tone.bass) {
        answer.emplace(QStringLiteral("bass"), JSONValue(*tone.bass));
    }
    if (tone.treble) {
        answer.emplace(QStringLiteral("treble"), JSONValue(*tone.treble));
    }
    co_return co_await acknowledged(
        state->control->setTone(call.zone, tone.bass, tone.treble, call.cancel), call.zone, std::move(answer));
}

QCoro::Task<Response> subwoofer(std::shared_ptr<RouterState> state, RouteCall call, SubwooferRequest trim)
{
    co_return co_await acknowledged(state->control->setSubwoofer(call.zone, trim.db, call.cancel), call.zone,
        field(QStringLiteral("subwoofer"), JSONValue(trim.db)));
}

QCoro::Task<Response> playback(std::shared_ptr<RouterState> state, RouteCall call, PlaybackRequest playback)
{
    co_return co_await acknowledged(state->control->playback(playback.action, call.cancel), call.zone,
        field(QStringLiteral("action"), JSONValue(enumName(playback.action))));
}

QCoro::Task<Response> sleep(std::shared_ptr<RouterState> state, RouteCall call, SleepRequest sleep)
{
    const Result<int, ControlError> sent = co_await state->control->setSleep(call.zone, sleep.minutes, call.cancel);
    if (!sent) {
        co_return Failure { Errors::fromControl(sent.error()) };
    }
    co_return acknowledgement(call.zone, field(QStringLiteral("sleep"), JSONValue(sent.value())));
}

QCoro::Task<Response> direct(std::shared_ptr<RouterState> state, RouteCall call, SwitchRequest direct)
{
    co_return co_await acknowledged(state->control->setDirect(call.zone, direct.enabled, call.cancel), call.zone,
        field(QStringLiteral("direct"), JSONValue(direct.enabled)));
}

QCoro::Task<Response> enhancer(std::shared_ptr<RouterState> state, RouteCall call, SwitchRequest enhancer)
{
    co_return co_await acknowledged(state->control->setEnhancer(call.zone, enhancer.enabled, call.cancel), call.zone,
        field(QStringLiteral("enhancer"), JSONValue(enhancer.enabled)));
}

QCoro::Task<Response> dialogue(std::shared_ptr<RouterState> state, RouteCall call, DialogueRequest dialogue)
{
    co_return co_await acknowledged(state->control->setDialogueLevel(call.zone, dialogue.level, call.cancel), call.zone,
        field(QStringLiteral("dialogueLevel"), JSONValue(dialogue.level)));
}

QCoro::Task<Response> repeat(std::shared_ptr<RouterState> state, RouteCall call, RepeatRequest repeat)
{
    co_return co_await acknowledged(state->control->setRepeat(call.zone, repeat.mode, call.cancel), call.zone,
        field(QStringLiteral("repeat"), JSONValue(enumName(repeat.mode))));
}

QCoro::Task<Response> shuffle(std::shared_ptr<RouterState> state, RouteCall call, ShuffleRequest shuffle)
{
    co_return co_await acknowledged(state->control->setShuffle(call.zone, shuffle.mode, call.cancel), call.zone,
        field(QStringLiteral("shuffle"), JSONValue(enumName(shuffle.mode))));
}

QCoro::Task<Response> favourites(std::shared_ptr<RouterState> state, RouteCall call)
{
    const Result<QList<Favourite>, ControlError> listed = co_await state->control->favourites(call.zone, call.cancel);
    if (!listed) {
        co_return Failure { Errors::fromControl(listed.error()) };
    }
    JSONValue::Array list;
    for (const Favourite &favourite : listed.value()) {
        list.push_back(favouriteJSON(favourite));
    }
    JSONValue::Object answer = field(QStringLiteral("favourites"), JSONValue(std::move(list)));
    answer.emplace(QStringLiteral("zone"), JSONValue(enumName(call.zone)));
    co_return HTTPResponse::json(200, JSONValue(std::move(answer)));
}

QCoro::Task<Response> recallFavourite(std::shared_ptr<RouterState> state, RouteCall call)
{
    const QString &segment = call.parameters.at(0);
    const std::optional<int> number = pathNumber(segment);
    if (!number) {
        co_return Failure { Errors::favouriteNotFound(segment) };
    }
    const Result<Favourite, ControlError> recalled
        = co_await state->control->recallFavourite(call.zone, *number, call.cancel);
    if (!recalled) {
        co_return Failure { Errors::fromControl(recalled.error()) };
    }
    co_return acknowledgement(call.zone, field(QStringLiteral("favourite"), favouriteJSON(recalled.value())));
}

QCoro::Task<Response> tunerPresets(std::shared_ptr<RouterState> state, RouteCall call)
{
    const Result<QList<TunerPreset>, ControlError> listed
        = co_await state->control->tunerPresets(call.zone, call.cancel);
    if (!listed) {
        co_return Failure { Errors::fromControl(listed.error()) };
    }
    JSONValue::Array list;
    for (const TunerPreset &preset : listed.value()) {
        list.push_back(tunerPresetJSON(preset));
    }
    JSONValue::Object answer = field(QStringLiteral("presets"), JSONValue(std::move(list)));
    answer.emplace(QStringLiteral("zone"), JSONValue(enumName(call.zone)));
    co_return HTTPResponse::json(200, JSONValue(std::move(answer)));
}

QCoro::Task<Response> recallTunerPreset(std::shared_ptr<RouterState> state, RouteCall call)
{
    const QString &segment = call.parameters.at(0);
    const std::optional<int> number = pathNumber(segment);
    if (!number) {
        co_return Failure { Errors::favouriteNotFound(segment) };
    }
    const Result<TunerPreset, ControlError> recalled
        = co_await state->control->recallTunerPreset(call.zone, *number, call.cancel);
    if (!recalled) {
        co_return Failure { Errors::fromControl(recalled.error()) };
    }
    co_return acknowledgement(call.zone, field(QStringLiteral("preset"), tunerPresetJSON(recalled.value())));
}

QCoro::Task<Response> recallReceiverScene(std::shared_ptr<RouterState> state, RouteCall call)
{
    const QString &segment = call.parameters.at(0);
    const std::optional<int> number = pathNumber(segment);
    if (!number) {
        co_return Failure { Errors::receiverSceneNotFound(call.zone, segment) };
    }
    co_return co_await acknowledged(state->control->recallReceiverScene(call.zone, *number, call.cancel), call.zone,
        field(QStringLiteral("receiverScene"), JSONValue(*number)));
}

} // namespace

std::vector<Route> controlRoutes()
{
    using Z = Route::ZoneQuery;
    return {
        { QStringLiteral("GET"), QStringLiteral("inputs"), Z::read, &inputs },
        { QStringLiteral("GET"), QStringLiteral("sound-modes"), Z::read, &soundModes },
        { QStringLiteral("POST"), QStringLiteral("power"), Z::read, &withBody<&parsePower, &power> },
        { QStringLiteral("POST"), QStringLiteral("volume"), Z::read, &withBody<&parseVolume, &volume> },
        { QStringLiteral("POST"), QStringLiteral("mute"), Z::read, &withBody<&parseMute, &mute> },
        { QStringLiteral("POST"), QStringLiteral("input"), Z::read, &withBody<&parseInput, &input> },
        { QStringLiteral("POST"), QStringLiteral("sound-mode"), Z::read, &withBody<&parseSoundMode, &soundMode> },
        { QStringLiteral("POST"), QStringLiteral("tone"), Z::read, &withBody<&parseTone, &tone> },
        { QStringLiteral("POST"), QStringLiteral("subwoofer"), Z::read, &withBody<&parseSubwoofer, &subwoofer> },
        { QStringLiteral("POST"), QStringLiteral("playback"), Z::read, &withBody<&parsePlayback, &playback> },
        { QStringLiteral("POST"), QStringLiteral("sleep"), Z::read, &withBody<&parseSleep, &sleep> },
        { QStringLiteral("POST"), QStringLiteral("direct"), Z::read, &withBody<&parseDirect, &direct> },
        { QStringLiteral("POST"), QStringLiteral("enhancer"), Z::read, &withBody<&parseEnhancer, &enhancer> },
        { QStringLiteral("POST"), QStringLiteral("dialogue"), Z::read, &withBody<&parseDialogue, &dialogue> },
        { QStringLiteral("POST"), QStringLiteral("repeat"), Z::read, &withBody<&parseRepeat, &repeat> },
        { QStringLiteral("POST"), QStringLiteral("shuffle"), Z::read, &withBody<&parseShuffle, &shuffle> },
        { QStringLiteral("GET"), QStringLiteral("favourites"), Z::read, &favourites },
        { QStringLiteral("POST"), QStringLiteral("favourites/{number}/recall"), Z::read, &recallFavourite },
        { QStringLiteral("POST"), QStringLiteral("receiver-scenes/{number}/recall"), Z::read, &recallReceiverScene },
        { QStringLiteral("GET"), QStringLiteral("tuner/presets"), Z::read, &tunerPresets },
        { QStringLiteral("POST"), QStringLiteral("tuner/presets/{number}/recall"), Z::read, &recallTunerPreset },
    };
}

} // namespace amplora::api
