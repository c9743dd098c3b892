#include "api/router/APIRouter.h"

#include "api/Logging.h"
#include "api/auth/TokenAuthenticator.h"
#include "api/control/ReceiverControl.h"
#include "api/matching/NameMatcher.h"
#include "api/matching/VolumeRateLimiter.h"
#include "api/router/RequestBodies.h"
#include "api/router/RouterErrors.h"
#include "api/scenes/SceneStore.h"
#include "api/server/StatusEvents.h"

#include <algorithm>
#include <exception>
#include <map>

namespace amplora::api {

namespace Errors = RouterErrors;

namespace {

using Response = Checked<HTTPResponse>;

APIError fromStore(const SceneStoreError &error)
{
    return Errors::sceneStoreFailed(error.description());
}

// A state-changing endpoint's answer: "ok", "zone" and the endpoint's own fields.
HTTPResponse acknowledgement(Zone zone, JSONValue::Object fields)
{
    fields.insert_or_assign(QStringLiteral("ok"), JSONValue(true));
    fields.insert_or_assign(QStringLiteral("zone"), JSONValue(enumName(zone)));
    return HTTPResponse::json(200, JSONValue(std::move(fields)));
}

// The acknowledgement once the receiver took the change, or what the client sees of its failure.
QCoro::Task<Response> acknowledged(ControlTask<Done> change, Zone zone, JSONValue::Object fields)
{
    const Result<Done, ControlError> done = co_await std::move(change);
    if (!done)
        co_return Failure { Errors::fromControl(done.error()) };
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

Checked<Zone> zoneFromQuery(const HTTPRequest &request)
{
    const auto found = request.query.constFind(QStringLiteral("zone"));
    if (found == request.query.constEnd())
        return Zone::main;
    if (const std::optional<Zone> zone = enumFromName<Zone>(found->toLower()))
        return *zone;
    return Failure { Errors::invalidZone() };
}

const QString kindInput = QStringLiteral("input");
const QString kindSoundMode = QStringLiteral("sound mode");
const QString kindFavourite = QStringLiteral("favourite");

APIError unknownInput(const QString &requested, Zone zone, const QStringList &candidates)
{
    return Errors::fromControl(ControlError::unknownInput(requested, zone, candidates));
}

APIError unknownSoundMode(const QString &requested, Zone zone, const QStringList &candidates)
{
    return Errors::fromControl(ControlError::unknownSoundMode(requested, zone, candidates));
}

// The one candidate `requested` names, spelled as the receiver offers it. `unknown` makes the refusal when none
// does.
Checked<QString> resolveName(const QString &requested, const QStringList &candidates, const QString &kind,
    APIError (*unknown)(const QString &, Zone, const QStringList &), Zone zone)
{
    const NameMatcher::Result match = NameMatcher::match(requested, candidates);
    switch (match.kind) {
    case NameMatcher::Result::Kind::match:
        return match.matchedName();
    case NameMatcher::Result::Kind::ambiguous:
        return Failure { Errors::ambiguousName(requested, kind, match.names) };
    case NameMatcher::Result::Kind::notFound:
        break;
    }
    return Failure { unknown(requested, zone, candidates) };
}

// A slot or button number as a path writes it: digits only, as an int. Anything else names nothing.
std::optional<int> pathNumber(const QString &segment)
{
    if (segment.isEmpty()
        || !std::all_of(segment.cbegin(), segment.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
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

enum class Endpoint {
    status,
    inputs,
    soundModes,
    power,
    volume,
    mute,
    input,
    soundMode,
    tone,
    subwoofer,
    playback,
    sleep,
    direct,
    enhancer,
    dialogue,
    repeat,
    shuffle,
    favourites,
    recallFavourite,
    recallReceiverScene,
    scenes,
    scene,
    runScene,
    events,
    health,
};

struct Route {
    Endpoint endpoint;
    QString allowedMethods; // as the 405 message writes them
};

// The endpoint for the path segments after /api/v1; segments match exactly and case-sensitively.
std::optional<Route> routeFor(const QStringList &rest)
{
    static const struct {
        const char16_t *path;
        Endpoint endpoint;
        const char16_t *methods;
    } single[] = {
        { u"status", Endpoint::status, u"GET" },
        { u"inputs", Endpoint::inputs, u"GET" },
        { u"sound-modes", Endpoint::soundModes, u"GET" },
        { u"power", Endpoint::power, u"POST" },
        { u"volume", Endpoint::volume, u"POST" },
        { u"mute", Endpoint::mute, u"POST" },
        { u"input", Endpoint::input, u"POST" },
        { u"sound-mode", Endpoint::soundMode, u"POST" },
        { u"tone", Endpoint::tone, u"POST" },
        { u"subwoofer", Endpoint::subwoofer, u"POST" },
        { u"playback", Endpoint::playback, u"POST" },
        { u"sleep", Endpoint::sleep, u"POST" },
        { u"direct", Endpoint::direct, u"POST" },
        { u"enhancer", Endpoint::enhancer, u"POST" },
        { u"dialogue", Endpoint::dialogue, u"POST" },
        { u"repeat", Endpoint::repeat, u"POST" },
        { u"shuffle", Endpoint::shuffle, u"POST" },
        { u"favourites", Endpoint::favourites, u"GET" },
        { u"scenes", Endpoint::scenes, u"GET, POST" },
        { u"events", Endpoint::events, u"GET" },
        { u"health", Endpoint::health, u"GET" },
    };
    if (rest.size() == 1) {
        for (const auto &entry : single) {
            if (rest.constFirst() == QStringView(entry.path))
                return Route { entry.endpoint, QString::fromUtf16(entry.methods) };
        }
        return std::nullopt;
    }
    if (rest.size() == 2 && rest.constFirst() == u"scenes")
        return Route { Endpoint::scene, QStringLiteral("GET, DELETE") };
    if (rest.size() == 3 && rest.constFirst() == u"scenes" && rest.at(2) == u"run")
        return Route { Endpoint::runScene, QStringLiteral("POST") };
    if (rest.size() == 3 && rest.constFirst() == u"favourites" && rest.at(2) == u"recall")
        return Route { Endpoint::recallFavourite, QStringLiteral("POST") };
    if (rest.size() == 3 && rest.constFirst() == u"receiver-scenes" && rest.at(2) == u"recall")
        return Route { Endpoint::recallReceiverScene, QStringLiteral("POST") };
    return std::nullopt;
}

} // namespace

// The shared state of every copy of one router. Each operation first takes a strong reference to it, so a
// request that is waiting for the receiver keeps everything it uses alive.
class APIRouter::Engine : public std::enable_shared_from_this<Engine> {
public:
    Engine(std::shared_ptr<ReceiverControl> control, std::shared_ptr<SceneStore> scenes,
        ReceiverAPIConfiguration configuration, std::shared_ptr<TokenAuthenticator> authenticator,
        std::shared_ptr<VolumeRateLimiter> rateLimiter, std::shared_ptr<StatusEvents> events)
        : m_control(std::move(control))
        , m_scenes(std::move(scenes))
        , m_configuration(configuration)
        , m_authenticator(std::move(authenticator))
        , m_rateLimiter(std::move(rateLimiter))
        , m_events(std::move(events))
    { }

    QCoro::Task<HTTPResponse> handle(HTTPRequest request, Cancellation cancel);
    QCoro::Task<Checked<QList<ReceiverScene>>> listScenes();
    QCoro::Task<Checked<SavedScene>> saveScene(ReceiverScene scene);
    QCoro::Task<Checked<bool>> deleteScene(QString name);
    QCoro::Task<Checked<SceneRunResult>> runScene(QString name, Zone zone, Cancellation cancel);

private:
    QCoro::Task<Response> route(const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> status(Zone zone, const Cancellation &cancel);
    QCoro::Task<Response> inputs(Zone zone, const Cancellation &cancel);
    QCoro::Task<Response> soundModes(Zone zone, const Cancellation &cancel);
    QCoro::Task<Response> power(Zone zone, const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> volume(Zone zone, const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> mute(Zone zone, const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> input(Zone zone, const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> soundMode(Zone zone, const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> tone(Zone zone, const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> subwoofer(Zone zone, const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> playback(Zone zone, const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> sleep(Zone zone, const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> direct(Zone zone, const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> enhancer(Zone zone, const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> dialogue(Zone zone, const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> repeat(Zone zone, const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> shuffle(Zone zone, const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> favourites(Zone zone, const Cancellation &cancel);
    QCoro::Task<Response> recallFavourite(Zone zone, const QString &segment, const Cancellation &cancel);
    QCoro::Task<Response> recallReceiverScene(Zone zone, const QString &segment, const Cancellation &cancel);
    QCoro::Task<Response> saveSceneFromBody(const HTTPRequest &request, const Cancellation &cancel);
    QCoro::Task<Response> scene(const QString &name);
    QCoro::Task<Response> deleteSceneResponse(const QString &name);
    QCoro::Task<Response> events(const Cancellation &cancel);
    QCoro::Task<Response> health();

    // Checks an absolute volume against the cap (read afresh), the minimum and the step.
    QCoro::Task<std::optional<APIError>> absoluteVolumeCheck(double db);
    std::optional<APIError> rateLimit(Zone zone);
    // `requested` resolved against the zone's inputs (kind "input") or sound modes (kind "sound mode").
    QCoro::Task<Checked<QString>> resolveInput(Zone zone, QString requested, Cancellation cancel);
    QCoro::Task<Checked<QString>> resolveSoundMode(Zone zone, QString requested, Cancellation cancel);
    QCoro::Task<Checked<Favourite>> resolveFavourite(Zone zone, QString requested, Cancellation cancel);
    // The scene rules, then the receiver checks in `zone`: the scene with its names resolved, and the favourite
    // it recalls.
    struct ValidScene {
        ReceiverScene scene;
        std::optional<int> favouriteNumber;
    };
    QCoro::Task<Checked<ValidScene>> validateScene(ReceiverScene scene, Zone zone, Cancellation cancel);
    QCoro::Task<Checked<SavedScene>> storeValidated(ReceiverScene scene, Cancellation cancel);

    const std::shared_ptr<ReceiverControl> m_control;
    const std::shared_ptr<SceneStore> m_scenes;
    const ReceiverAPIConfiguration m_configuration;
    const std::shared_ptr<TokenAuthenticator> m_authenticator;
    const std::shared_ptr<VolumeRateLimiter> m_rateLimiter;
    const std::shared_ptr<StatusEvents> m_events;
    // The last status answered per zone, encoded: automations poll a status that rarely changes, and comparing
    // it costs far less than encoding it again.
    struct EncodedStatus {
        ReceiverStatus status;
        QByteArray body;
    };
    std::map<Zone, EncodedStatus> m_encodedStatus;
};

QCoro::Task<HTTPResponse> APIRouter::Engine::handle(HTTPRequest request, Cancellation cancel)
{
    const auto keepAlive = shared_from_this();
    Response response = Failure { Errors::receiverFailed(QString()) };
    try {
        response = co_await route(request, cancel);
    } catch (const std::exception &exception) {
        // Nothing in the router throws on purpose; this only keeps a surprise from reaching the event loop.
        qCCritical(lcApi) << "Request failed unexpectedly:" << exception.what();
        response = Failure { Errors::receiverFailed(QString::fromLocal8Bit(exception.what())) };
    }
    if (response)
        co_return std::move(response).value();
    const APIError &error = response.error();
    if (cancel.isCancelled())
        qCDebug(lcApi).noquote() << request.method << request.pathSegments.join(u'/') << "abandoned:" << error.status
                                 << error.code;
    else if (error.status >= 500)
        qCWarning(lcApi).noquote() << request.method << request.pathSegments.join(u'/') << "failed:" << error.status
                                   << error.code << error.message;
    else
        qCDebug(lcApi).noquote() << request.method << request.pathSegments.join(u'/') << "refused:" << error.status
                                 << error.code;
    co_return HTTPResponse::error(error);
}

QCoro::Task<Response> APIRouter::Engine::route(const HTTPRequest &request, const Cancellation &cancel)
{
    const QStringList &segments = request.pathSegments;
    if (segments.size() < 2 || segments.at(0) != u"api" || segments.at(1) != u"v1")
        co_return Failure { Errors::outsideAPI() };
    if (!m_authenticator || !m_authenticator->authenticate(request))
        co_return Failure { Errors::unauthorized() };

    const QStringList rest = segments.mid(2);
    const std::optional<Route> found = routeFor(rest);
    if (!found || (found->endpoint == Endpoint::events && !m_events))
        co_return Failure { Errors::unknownEndpoint(rest) };
    if (!found->allowedMethods.split(QStringLiteral(", ")).contains(request.method))
        co_return Failure { Errors::methodNotAllowed(found->allowedMethods) };

    switch (found->endpoint) {
    case Endpoint::scenes:
        if (request.method == u"GET") {
            Checked<QList<ReceiverScene>> scenes = co_await listScenes();
            if (!scenes)
                co_return Failure { scenes.error() };
            JSONValue::Array list;
            for (const ReceiverScene &stored : scenes.value())
                list.push_back(stored.toJSON());
            co_return HTTPResponse::json(
                200, JSONValue(JSONValue::Object { { QStringLiteral("scenes"), JSONValue(list) } }));
        }
        co_return co_await saveSceneFromBody(request, cancel);
    case Endpoint::scene:
        if (request.method == u"GET")
            co_return co_await scene(rest.at(1));
        co_return co_await deleteSceneResponse(rest.at(1));
    case Endpoint::events:
        co_return co_await events(cancel);
    case Endpoint::health: // the link as a whole: no zone
        co_return co_await health();
    default:
        break;
    }

    const Checked<Zone> zone = zoneFromQuery(request);
    if (!zone)
        co_return Failure { zone.error() };
    switch (found->endpoint) {
    case Endpoint::status:
        co_return co_await status(*zone, cancel);
    case Endpoint::inputs:
        co_return co_await inputs(*zone, cancel);
    case Endpoint::soundModes:
        co_return co_await soundModes(*zone, cancel);
    case Endpoint::power:
        co_return co_await power(*zone, request, cancel);
    case Endpoint::volume:
        co_return co_await volume(*zone, request, cancel);
    case Endpoint::mute:
        co_return co_await mute(*zone, request, cancel);
    case Endpoint::input:
        co_return co_await input(*zone, request, cancel);
    case Endpoint::soundMode:
        co_return co_await soundMode(*zone, request, cancel);
    case Endpoint::tone:
        co_return co_await tone(*zone, request, cancel);
    case Endpoint::subwoofer:
        co_return co_await subwoofer(*zone, request, cancel);
    case Endpoint::playback:
        co_return co_await playback(*zone, request, cancel);
    case Endpoint::sleep:
        co_return co_await sleep(*zone, request, cancel);
    case Endpoint::direct:
        co_return co_await direct(*zone, request, cancel);
    case Endpoint::enhancer:
        co_return co_await enhancer(*zone, request, cancel);
    case Endpoint::dialogue:
        co_return co_await dialogue(*zone, request, cancel);
    case Endpoint::repeat:
        co_return co_await repeat(*zone, request, cancel);
    case Endpoint::shuffle:
        co_return co_await shuffle(*zone, request, cancel);
    case Endpoint::favourites:
        co_return co_await favourites(*zone, cancel);
    case Endpoint::recallFavourite:
        co_return co_await recallFavourite(*zone, rest.at(1), cancel);
    case Endpoint::recallReceiverScene:
        co_return co_await recallReceiverScene(*zone, rest.at(1), cancel);
    case Endpoint::runScene: {
        Checked<SceneRunResult> result = co_await runScene(rest.at(1), *zone, cancel);
        if (!result)
            co_return Failure { result.error() };
        co_return HTTPResponse::json(200, result.value().toJSON());
    }
    case Endpoint::scenes:
    case Endpoint::scene:
    case Endpoint::events:
    case Endpoint::health:
        break;
    }
    co_return Failure { Errors::unknownEndpoint(rest) };
}

QCoro::Task<Response> APIRouter::Engine::status(Zone zone, const Cancellation &cancel)
{
    Result<ReceiverStatus, ControlError> status = co_await m_control->status(zone, cancel);
    if (!status)
        co_return Failure { Errors::fromControl(status.error()) };
    EncodedStatus &encoded = m_encodedStatus[zone];
    if (encoded.body.isEmpty() || !(encoded.status == status.value())) {
        encoded.body = StatusEvents::statusJSON(status.value()); // the same bytes as the event stream's
        encoded.status = std::move(status).value();
    }
    co_return HTTPResponse::encodedJSON(200, encoded.body);
}

QCoro::Task<Response> APIRouter::Engine::health()
{
    Result<ReceiverHealth, ControlError> health = co_await m_control->health();
    if (!health)
        co_return Failure { Errors::fromControl(health.error()) };
    co_return HTTPResponse::json(200, health.value().toJSON());
}

QCoro::Task<Response> APIRouter::Engine::inputs(Zone zone, const Cancellation &cancel)
{
    Result<QStringList, ControlError> names = co_await m_control->inputs(zone, cancel);
    if (!names)
        co_return Failure { Errors::fromControl(names.error()) };
    co_return HTTPResponse::json(200,
        JSONValue(JSONValue::Object {
            { QStringLiteral("inputs"), JSONValue::fromStrings(names.value()) },
            { QStringLiteral("zone"), JSONValue(enumName(zone)) },
        }));
}

QCoro::Task<Response> APIRouter::Engine::soundModes(Zone zone, const Cancellation &cancel)
{
    Result<QStringList, ControlError> names = co_await m_control->soundModes(zone, cancel);
    if (!names)
        co_return Failure { Errors::fromControl(names.error()) };
    co_return HTTPResponse::json(200,
        JSONValue(JSONValue::Object {
            { QStringLiteral("soundModes"), JSONValue::fromStrings(names.value()) },
            { QStringLiteral("zone"), JSONValue(enumName(zone)) },
        }));
}

QCoro::Task<Response> APIRouter::Engine::power(Zone zone, const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<PowerRequest> power = parsePower(request.body);
    if (!power)
        co_return Failure { power.error() };
    co_return co_await acknowledged(m_control->setPower(zone, power->power, cancel), zone,
        field(QStringLiteral("power"), JSONValue(enumName(power->power))));
}

QCoro::Task<Response> APIRouter::Engine::volume(Zone zone, const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<VolumeRequest> volume = parseVolume(request.body);
    if (!volume)
        co_return Failure { volume.error() };

    if (const std::optional<double> target = volume->db) {
        if (std::optional<APIError> refused = co_await absoluteVolumeCheck(*target))
            co_return Failure { *refused };
        if (std::optional<APIError> refused = rateLimit(zone))
            co_return Failure { *refused };
        co_return co_await acknowledged(
            m_control->setVolume(zone, *target, cancel), zone, field(QStringLiteral("volumeDb"), JSONValue(*target)));
    }

    // The control reads the volume once and refuses a step above the cap itself. That refusal sends nothing, so
    // the change the rate limit allowed is handed back.
    const VolumeStepDirection direction = *volume->step;
    if (std::optional<APIError> refused = rateLimit(zone))
        co_return Failure { *refused };
    const Result<double, ControlError> stepped = co_await m_control->stepVolume(zone, direction, cancel);
    if (!stepped) {
        if (stepped.error().kind() == ControlError::Kind::volumeAboveCap && m_rateLimiter)
            m_rateLimiter->giveBack(zone);
        co_return Failure { Errors::fromControl(stepped.error()) };
    }
    co_return acknowledgement(zone, field(QStringLiteral("step"), JSONValue(enumName(direction))));
}

QCoro::Task<Response> APIRouter::Engine::mute(Zone zone, const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<MuteRequest> mute = parseMute(request.body);
    if (!mute)
        co_return Failure { mute.error() };
    co_return co_await acknowledged(
        m_control->setMute(zone, mute->mute, cancel), zone, field(QStringLiteral("mute"), JSONValue(mute->mute)));
}

QCoro::Task<Response> APIRouter::Engine::input(Zone zone, const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<NameRequest> requested = parseInput(request.body);
    if (!requested)
        co_return Failure { requested.error() };
    const Checked<QString> name = co_await resolveInput(zone, requested->name, cancel);
    if (!name)
        co_return Failure { name.error() };
    co_return co_await acknowledged(
        m_control->setInput(zone, *name, cancel), zone, field(QStringLiteral("input"), JSONValue(*name)));
}

QCoro::Task<Response> APIRouter::Engine::soundMode(Zone zone, const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<NameRequest> requested = parseSoundMode(request.body);
    if (!requested)
        co_return Failure { requested.error() };
    const Checked<QString> name = co_await resolveSoundMode(zone, requested->name, cancel);
    if (!name)
        co_return Failure { name.error() };
    co_return co_await acknowledged(
        m_control->setSoundMode(zone, *name, cancel), zone, field(QStringLiteral("soundMode"), JSONValue(*name)));
}

QCoro::Task<Response> APIRouter::Engine::tone(Zone zone, const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<ToneRequest> tone = parseTone(request.body, m_configuration);
    if (!tone)
        co_return Failure { tone.error() };
    JSONValue::Object answer;
    if (tone->bass)
        answer.emplace(QStringLiteral("bass"), JSONValue(*tone->bass));
    if (tone->treble)
        answer.emplace(QStringLiteral("treble"), JSONValue(*tone->treble));
    co_return co_await acknowledged(
        m_control->setTone(zone, tone->bass, tone->treble, cancel), zone, std::move(answer));
}

QCoro::Task<Response> APIRouter::Engine::subwoofer(Zone zone, const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<SubwooferRequest> trim = parseSubwoofer(request.body, zone, m_configuration);
    if (!trim)
        co_return Failure { trim.error() };
    co_return co_await acknowledged(
        m_control->setSubwoofer(zone, trim->db, cancel), zone, field(QStringLiteral("subwoofer"), JSONValue(trim->db)));
}

QCoro::Task<Response> APIRouter::Engine::playback(Zone zone, const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<PlaybackRequest> playback = parsePlayback(request.body);
    if (!playback)
        co_return Failure { playback.error() };
    co_return co_await acknowledged(m_control->playback(playback->action, cancel), zone,
        field(QStringLiteral("action"), JSONValue(enumName(playback->action))));
}

QCoro::Task<Response> APIRouter::Engine::sleep(Zone zone, const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<SleepRequest> sleep = parseSleep(request.body);
    if (!sleep)
        co_return Failure { sleep.error() };
    const Result<int, ControlError> sent = co_await m_control->setSleep(zone, sleep->minutes, cancel);
    if (!sent)
        co_return Failure { Errors::fromControl(sent.error()) };
    co_return acknowledgement(zone, field(QStringLiteral("sleep"), JSONValue(sent.value())));
}

QCoro::Task<Response> APIRouter::Engine::direct(Zone zone, const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<SwitchRequest> direct = parseDirect(request.body);
    if (!direct)
        co_return Failure { direct.error() };
    co_return co_await acknowledged(m_control->setDirect(zone, direct->enabled, cancel), zone,
        field(QStringLiteral("direct"), JSONValue(direct->enabled)));
}

QCoro::Task<Response> APIRouter::Engine::enhancer(Zone zone, const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<SwitchRequest> enhancer = parseEnhancer(request.body);
    if (!enhancer)
        co_return Failure { enhancer.error() };
    co_return co_await acknowledged(m_control->setEnhancer(zone, enhancer->enabled, cancel), zone,
        field(QStringLiteral("enhancer"), JSONValue(enhancer->enabled)));
}

QCoro::Task<Response> APIRouter::Engine::dialogue(Zone zone, const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<DialogueRequest> dialogue = parseDialogue(request.body);
    if (!dialogue)
        co_return Failure { dialogue.error() };
    co_return co_await acknowledged(m_control->setDialogueLevel(zone, dialogue->level, cancel), zone,
        field(QStringLiteral("dialogueLevel"), JSONValue(dialogue->level)));
}

QCoro::Task<Response> APIRouter::Engine::repeat(Zone zone, const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<RepeatRequest> repeat = parseRepeat(request.body);
    if (!repeat)
        co_return Failure { repeat.error() };
    co_return co_await acknowledged(m_control->setRepeat(zone, repeat->mode, cancel), zone,
        field(QStringLiteral("repeat"), JSONValue(enumName(repeat->mode))));
}

QCoro::Task<Response> APIRouter::Engine::shuffle(Zone zone, const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<ShuffleRequest> shuffle = parseShuffle(request.body);
    if (!shuffle)
        co_return Failure { shuffle.error() };
    co_return co_await acknowledged(m_control->setShuffle(zone, shuffle->mode, cancel), zone,
        field(QStringLiteral("shuffle"), JSONValue(enumName(shuffle->mode))));
}

QCoro::Task<Response> APIRouter::Engine::favourites(Zone zone, const Cancellation &cancel)
{
    const Result<QList<Favourite>, ControlError> listed = co_await m_control->favourites(zone, cancel);
    if (!listed)
        co_return Failure { Errors::fromControl(listed.error()) };
    JSONValue::Array list;
    for (const Favourite &favourite : listed.value())
        list.push_back(favouriteJSON(favourite));
    JSONValue::Object answer = field(QStringLiteral("favourites"), JSONValue(std::move(list)));
    answer.emplace(QStringLiteral("zone"), JSONValue(enumName(zone)));
    co_return HTTPResponse::json(200, JSONValue(std::move(answer)));
}

QCoro::Task<Response> APIRouter::Engine::recallFavourite(Zone zone, const QString &segment, const Cancellation &cancel)
{
    const std::optional<int> number = pathNumber(segment);
    if (!number)
        co_return Failure { Errors::favouriteNotFound(segment) };
    const Result<Favourite, ControlError> recalled = co_await m_control->recallFavourite(zone, *number, cancel);
    if (!recalled)
        co_return Failure { Errors::fromControl(recalled.error()) };
    co_return acknowledgement(zone, field(QStringLiteral("favourite"), favouriteJSON(recalled.value())));
}

QCoro::Task<Response> APIRouter::Engine::recallReceiverScene(
    Zone zone, const QString &segment, const Cancellation &cancel)
{
    const std::optional<int> number = pathNumber(segment);
    if (!number)
        co_return Failure { Errors::receiverSceneNotFound(zone, segment) };
    co_return co_await acknowledged(m_control->recallReceiverScene(zone, *number, cancel), zone,
        field(QStringLiteral("receiverScene"), JSONValue(*number)));
}

QCoro::Task<Response> APIRouter::Engine::saveSceneFromBody(const HTTPRequest &request, const Cancellation &cancel)
{
    const Checked<ReceiverScene> scene = parseScene(request.body);
    if (!scene)
        co_return Failure { scene.error() };
    const Checked<SavedScene> saved = co_await storeValidated(*scene, cancel);
    if (!saved)
        co_return Failure { saved.error() };
    co_return HTTPResponse::json(saved->created ? 201 : 200, saved->scene.toJSON());
}

QCoro::Task<Response> APIRouter::Engine::scene(const QString &name)
{
    const Result<std::optional<ReceiverScene>, SceneStoreError> found = co_await m_scenes->scene(name);
    if (!found)
        co_return Failure { fromStore(found.error()) };
    if (!found.value())
        co_return Failure { Errors::sceneNotFound(name) };
    co_return HTTPResponse::json(200, found.value()->toJSON());
}

QCoro::Task<Response> APIRouter::Engine::deleteSceneResponse(const QString &name)
{
    const Checked<bool> removed = co_await deleteScene(name);
    if (!removed)
        co_return Failure { removed.error() };
    if (!removed.value())
        co_return Failure { Errors::sceneNotFound(name) };
    co_return HTTPResponse { 204, {}, {}, {} };
}

QCoro::Task<Response> APIRouter::Engine::events(const Cancellation &cancel)
{
    const std::shared_ptr<ResponseStream> stream = m_events->subscribe();
    if (!stream)
        co_return Failure { Errors::tooManySubscribers(m_events->settings().maxSubscribers) };
    const Result<QList<Zone>, ControlError> zones = co_await m_control->zones(cancel);
    if (!zones) {
        stream->abandon();
        co_return Failure { Errors::fromControl(zones.error()) };
    }
    for (const Zone zone : zones.value()) {
        const Response answer = co_await status(zone, cancel);
        if (!answer) {
            stream->abandon();
            co_return Failure { answer.error() };
        }
        // Exactly the body GET /status answers. The stream holds it until the connection sends the head.
        m_events->sendFirst(stream, zone, answer->body);
    }
    HTTPResponse response;
    response.headers = {
        { QByteArrayLiteral("Content-Type"), QByteArrayLiteral("text/event-stream") },
        { QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-cache") },
    };
    response.stream = stream;
    co_return response;
}

QCoro::Task<Checked<QList<ReceiverScene>>> APIRouter::Engine::listScenes()
{
    const auto keepAlive = shared_from_this();
    Result<QList<ReceiverScene>, SceneStoreError> scenes = co_await m_scenes->all();
    if (!scenes)
        co_return Failure { fromStore(scenes.error()) };
    co_return std::move(scenes).value();
}

QCoro::Task<Checked<APIRouter::SavedScene>> APIRouter::Engine::saveScene(ReceiverScene scene)
{
    const auto keepAlive = shared_from_this();
    scene.name = scene.name.trimmed();
    if (std::optional<APIError> refused = sceneNameCheck(scene.name))
        co_return Failure { *refused };
    const Cancellation ownWindow; // the application's own window or action: it does not go away
    co_return co_await storeValidated(std::move(scene), ownWindow);
}

QCoro::Task<Checked<bool>> APIRouter::Engine::deleteScene(QString name)
{
    const auto keepAlive = shared_from_this();
    const Result<bool, SceneStoreError> removed = co_await m_scenes->remove(name);
    if (!removed)
        co_return Failure { fromStore(removed.error()) };
    co_return removed.value();
}

QCoro::Task<Checked<SceneRunResult>> APIRouter::Engine::runScene(QString name, Zone requestedZone, Cancellation cancel)
{
    const auto keepAlive = shared_from_this();
    const Result<std::optional<ReceiverScene>, SceneStoreError> found = co_await m_scenes->scene(name);
    if (!found)
        co_return Failure { fromStore(found.error()) };
    if (!found.value())
        co_return Failure { Errors::sceneNotFound(name) };

    // The scene is checked in the zone it will act on, so a scene without a zone cannot slip a subwoofer
    // trim or an input that zone lacks past the checks.
    const Zone zone = found.value()->zone.value_or(requestedZone);
    const Checked<ValidScene> checked = co_await validateScene(*found.value(), zone, cancel);
    if (!checked)
        co_return Failure { checked.error() };
    const ReceiverScene &scene = checked->scene;
    // A client gone before anything changed gets nothing changed. Once the first step goes out the scene is
    // applied whole: half a scene is worse than either.
    if (cancel.isCancelled())
        co_return Failure { Errors::fromControl(ControlError::abandoned()) };
    if (scene.volumeDb) {
        if (std::optional<APIError> refused = rateLimit(zone))
            co_return Failure { *refused };
    }
    const Cancellation whole;

    // Each step in turn, stopping at the first the receiver refuses; `applied` tells the client how far it got.
    SceneRunResult result { scene.name, zone, {} };
    std::optional<APIError> stop;
    const auto step = [&](const QString &label, const auto &done) {
        if (done)
            result.applied.append(label);
        else
            stop = Errors::sceneStopped(scene.name, label, result.applied, done.error().description());
    };
    // A recalled favourite switches the input, so the sound mode and everything after it follow it.
    if (scene.power)
        step(QStringLiteral("power"), co_await m_control->setPower(zone, *scene.power, whole));
    if (scene.input && !stop)
        step(QStringLiteral("input"), co_await m_control->setInput(zone, *scene.input, whole));
    if (checked->favouriteNumber && !stop)
        step(QStringLiteral("favourite"), co_await m_control->recallFavourite(zone, *checked->favouriteNumber, whole));
    if (scene.soundMode && !stop)
        step(QStringLiteral("soundMode"), co_await m_control->setSoundMode(zone, *scene.soundMode, whole));
    if (scene.direct && !stop)
        step(QStringLiteral("direct"), co_await m_control->setDirect(zone, *scene.direct, whole));
    if (scene.volumeDb && !stop)
        step(QStringLiteral("volumeDb"), co_await m_control->setVolume(zone, *scene.volumeDb, whole));
    if ((scene.bass || scene.treble) && !stop)
        step(QStringLiteral("tone"), co_await m_control->setTone(zone, scene.bass, scene.treble, whole));
    if (scene.sub && !stop)
        step(QStringLiteral("sub"), co_await m_control->setSubwoofer(zone, *scene.sub, whole));
    if (scene.sleep && !stop)
        step(QStringLiteral("sleep"), co_await m_control->setSleep(zone, *scene.sleep, whole));
    if (stop)
        co_return Failure { *stop };
    co_return result;
}

QCoro::Task<std::optional<APIError>> APIRouter::Engine::absoluteVolumeCheck(double db)
{
    const Result<double, ControlError> cap = co_await m_control->volumeCapDb();
    if (!cap)
        co_return Errors::fromControl(cap.error());
    if (db > cap.value())
        co_return Errors::volumeAboveCap(db, cap.value());
    if (db < m_configuration.minimumVolumeDb)
        co_return Errors::belowMinimumVolume(m_configuration.minimumVolumeDb);
    co_return stepCheck(QStringLiteral("volume"), db, m_configuration.dbStep);
}

std::optional<APIError> APIRouter::Engine::rateLimit(Zone zone)
{
    if (!m_rateLimiter)
        return std::nullopt;
    const VolumeRateLimiter::Decision decision = m_rateLimiter->allow(zone, 1);
    if (decision.allowed)
        return std::nullopt;
    return Errors::rateLimited(m_rateLimiter->limit(), m_rateLimiter->windowSeconds(), decision.retryAfterSeconds);
}

QCoro::Task<Checked<QString>> APIRouter::Engine::resolveInput(Zone zone, QString requested, Cancellation cancel)
{
    const Result<QStringList, ControlError> candidates = co_await m_control->inputs(zone, cancel);
    if (!candidates)
        co_return Failure { Errors::fromControl(candidates.error()) };
    co_return resolveName(requested, candidates.value(), kindInput, &unknownInput, zone);
}

QCoro::Task<Checked<QString>> APIRouter::Engine::resolveSoundMode(Zone zone, QString requested, Cancellation cancel)
{
    const Result<QStringList, ControlError> candidates = co_await m_control->soundModes(zone, cancel);
    if (!candidates)
        co_return Failure { Errors::fromControl(candidates.error()) };
    if (candidates.value().isEmpty())
        co_return Failure { Errors::noSoundModes(enumName(zone)) };
    co_return resolveName(requested, candidates.value(), kindSoundMode, &unknownSoundMode, zone);
}

QCoro::Task<Checked<Favourite>> APIRouter::Engine::resolveFavourite(Zone zone, QString requested, Cancellation cancel)
{
    const Result<QList<Favourite>, ControlError> listed = co_await m_control->favourites(zone, cancel);
    if (!listed)
        co_return Failure { Errors::fromControl(listed.error()) };
    QStringList names;
    for (const Favourite &favourite : listed.value())
        names.append(favourite.name);
    const Checked<QString> name = resolveName(requested, names, kindFavourite, &Errors::unknownFavourite, zone);
    if (!name)
        co_return Failure { name.error() };
    co_return listed->at(names.indexOf(*name));
}

QCoro::Task<Checked<APIRouter::Engine::ValidScene>> APIRouter::Engine::validateScene(
    ReceiverScene scene, Zone zone, Cancellation cancel)
{
    if (!scene.hasSetting())
        co_return Failure { Errors::emptyScene() };
    if (scene.power == PowerState::standby && scene.hasSettingBesidesPower())
        co_return Failure { Errors::standbySceneWithSettings() };
    if (scene.input && scene.favourite)
        co_return Failure { Errors::inputAndFavouriteScene() };

    ValidScene valid;
    if (scene.input) {
        const Checked<QString> resolved = co_await resolveInput(zone, *scene.input, cancel);
        if (!resolved)
            co_return Failure { resolved.error() };
        scene.input = resolved.value();
    }
    if (scene.favourite) {
        const Checked<Favourite> resolved = co_await resolveFavourite(zone, *scene.favourite, cancel);
        if (!resolved)
            co_return Failure { resolved.error() };
        scene.favourite = resolved->name;
        valid.favouriteNumber = resolved->number;
    }
    if (scene.soundMode) {
        const Checked<QString> resolved = co_await resolveSoundMode(zone, *scene.soundMode, cancel);
        if (!resolved)
            co_return Failure { resolved.error() };
        scene.soundMode = resolved.value();
    }
    for (const auto &[key, value] :
        { std::pair { QStringLiteral("bass"), scene.bass }, std::pair { QStringLiteral("treble"), scene.treble } }) {
        if (!value)
            continue;
        if (std::optional<APIError> refused
            = rangeCheck(key, *value, m_configuration.toneRangeDb, m_configuration.dbStep))
            co_return Failure { *refused };
    }
    if (scene.volumeDb) {
        if (std::optional<APIError> refused = co_await absoluteVolumeCheck(*scene.volumeDb))
            co_return Failure { *refused };
    }
    if (scene.sub) {
        if (zone != Zone::main)
            co_return Failure { Errors::subwooferOnlyInMain() };
        if (std::optional<APIError> refused
            = rangeCheck(QStringLiteral("sub"), *scene.sub, m_configuration.subwooferRangeDb, m_configuration.dbStep))
            co_return Failure { *refused };
    }
    if (scene.sleep) {
        if (std::optional<APIError> refused = sleepCheck(QStringLiteral("sleep"), *scene.sleep))
            co_return Failure { *refused };
    }
    if (scene.direct || scene.sleep) {
        // The status carries each of them only where the zone announces it.
        const Result<ReceiverStatus, ControlError> status = co_await m_control->status(zone, cancel);
        if (!status)
            co_return Failure { Errors::fromControl(status.error()) };
        if (scene.direct && !status->direct)
            co_return Failure { Errors::fromControl(ControlError::notSupported(zone, ControlError::Feature::direct)) };
        if (scene.sleep && !status->sleep)
            co_return Failure { Errors::fromControl(ControlError::notSupported(zone, ControlError::Feature::sleep)) };
    }
    valid.scene = std::move(scene);
    co_return valid;
}

QCoro::Task<Checked<APIRouter::SavedScene>> APIRouter::Engine::storeValidated(ReceiverScene scene, Cancellation cancel)
{
    const Zone zone = scene.zone.value_or(Zone::main);
    const Checked<ValidScene> checked = co_await validateScene(std::move(scene), zone, cancel);
    if (!checked)
        co_return Failure { checked.error() };
    const Result<bool, SceneStoreError> created = co_await m_scenes->save(checked->scene);
    if (!created)
        co_return Failure { fromStore(created.error()) };
    co_return SavedScene { checked->scene, created.value() };
}

APIRouter::APIRouter(std::shared_ptr<ReceiverControl> control, std::shared_ptr<SceneStore> scenes,
    ReceiverAPIConfiguration configuration, std::shared_ptr<TokenAuthenticator> authenticator,
    std::shared_ptr<VolumeRateLimiter> rateLimiter, std::shared_ptr<StatusEvents> events)
    : m_engine(std::make_shared<Engine>(std::move(control), std::move(scenes), configuration, std::move(authenticator),
        std::move(rateLimiter), std::move(events)))
{ }

QCoro::Task<HTTPResponse> APIRouter::handle(HTTPRequest request, Cancellation cancel) const
{
    return m_engine->handle(std::move(request), std::move(cancel));
}

QCoro::Task<Result<QList<ReceiverScene>, APIError>> APIRouter::listScenes() const
{
    return m_engine->listScenes();
}

QCoro::Task<Result<APIRouter::SavedScene, APIError>> APIRouter::saveScene(ReceiverScene scene) const
{
    return m_engine->saveScene(std::move(scene));
}

QCoro::Task<Result<bool, APIError>> APIRouter::deleteScene(QString name) const
{
    return m_engine->deleteScene(std::move(name));
}

QCoro::Task<Result<SceneRunResult, APIError>> APIRouter::runScene(QString name, Zone zone) const
{
    return m_engine->runScene(std::move(name), zone, Cancellation());
}

} // namespace amplora::api
