#include "api/router/APIRouter.h"

#include "api/Logging.h"
#include "api/auth/TokenAuthenticator.h"
#include "api/control/ReceiverControl.h"
#include "api/http/JSONBody.h"
#include "api/matching/NameMatcher.h"
#include "api/matching/VolumeRateLimiter.h"
#include "api/router/RouterErrors.h"
#include "api/scenes/SceneStore.h"

#include <QTextBoundaryFinder>

#include <cmath>
#include <exception>

namespace amplora::api {

namespace Errors = RouterErrors;

namespace {

template<class T> using Checked = Result<T, APIError>;
using Response = Checked<HTTPResponse>;

constexpr qsizetype maxSceneNameLength = 64;

APIError fromControl(const ControlError &error)
{
    return error.apiError ? *error.apiError : Errors::receiverFailed(error.failure);
}

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

Checked<Zone> zoneFromQuery(const HTTPRequest &request)
{
    const auto found = request.query.constFind(QStringLiteral("zone"));
    if (found == request.query.constEnd())
        return Zone::main;
    if (const std::optional<Zone> zone = enumFromName<Zone>(found->toLower()))
        return *zone;
    return Failure { Errors::invalidZone() };
}

// A non-empty string naming one of E's cases, in any letter case.
template<class E> Checked<std::optional<E>> enumeratedField(const JSONObject &body, const QString &key)
{
    Checked<std::optional<QString>> text = stringField(body, key);
    if (!text)
        return Failure { text.error() };
    if (!text.value())
        return std::optional<E>();
    if (const std::optional<E> value = enumFromName<E>(text.value()->toLower()))
        return std::optional<E>(*value);
    return Failure { Errors::notOneOf(key, enumNames<E>()) };
}

// "on", "standby", or "off" for standby, in any letter case.
Checked<std::optional<PowerState>> powerField(const JSONObject &body)
{
    Checked<std::optional<QString>> text = stringField(body, QStringLiteral("power"));
    if (!text)
        return Failure { text.error() };
    if (!text.value())
        return std::optional<PowerState>();
    const QString word = text.value()->toLower();
    if (word == u"on")
        return std::optional<PowerState>(PowerState::on);
    if (word == u"standby" || word == u"off")
        return std::optional<PowerState>(PowerState::standby);
    return Failure { Errors::invalidPower() };
}

std::optional<APIError> stepCheck(const QString &key, double db, double stepDb)
{
    if (stepDb <= 0)
        return std::nullopt;
    const double quotient = db / stepDb;
    if (std::abs(quotient - std::round(quotient)) <= 1e-9)
        return std::nullopt;
    return Errors::invalidStep(key, stepDb);
}

std::optional<APIError> rangeCheck(
    const QString &key, double db, const ReceiverAPIConfiguration::DecibelRange &range, double stepDb)
{
    if (!range.contains(db))
        return Errors::outOfRange(key, range.lower, range.upper);
    return stepCheck(key, db, stepDb);
}

// People count characters as they see them, so a name's length is its number of grapheme clusters.
qsizetype visibleLength(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

// `name` is already trimmed.
std::optional<APIError> sceneNameCheck(const QString &name)
{
    if (name.isEmpty())
        return Errors::missingField(QStringLiteral("\"name\" is required."));
    if (visibleLength(name) > maxSceneNameLength)
        return Errors::invalidValue(QStringLiteral("\"name\" must be 64 characters or fewer."));
    if (name.contains(u'/'))
        return Errors::invalidValue(QStringLiteral("\"name\" must not contain \"/\"."));
    return std::nullopt;
}

const QString kindInput = QStringLiteral("input");
const QString kindSoundMode = QStringLiteral("sound mode");

// The one candidate `requested` names, spelled as the receiver offers it.
Checked<QString> resolveName(
    const QString &requested, const QStringList &candidates, const QString &kind, const char *unknownCode, Zone zone)
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
    return Failure { Errors::unknownName(
        QString::fromLatin1(unknownCode), kind, requested, enumName(zone), candidates) };
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
    scenes,
    scene,
    runScene,
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
        { u"scenes", Endpoint::scenes, u"GET, POST" },
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
    return std::nullopt;
}

} // namespace

// The shared state of every copy of one router. Each operation first takes a strong reference to it, so a
// request that is waiting for the receiver keeps everything it uses alive.
class APIRouter::Engine : public std::enable_shared_from_this<Engine> {
public:
    Engine(std::shared_ptr<ReceiverControl> control, std::shared_ptr<SceneStore> scenes,
        ReceiverAPIConfiguration configuration, std::shared_ptr<TokenAuthenticator> authenticator,
        std::shared_ptr<VolumeRateLimiter> rateLimiter)
        : m_control(std::move(control))
        , m_scenes(std::move(scenes))
        , m_configuration(configuration)
        , m_authenticator(std::move(authenticator))
        , m_rateLimiter(std::move(rateLimiter))
    { }

    QCoro::Task<HTTPResponse> handle(HTTPRequest request);
    QCoro::Task<Checked<QList<ReceiverScene>>> listScenes();
    QCoro::Task<Checked<SavedScene>> saveScene(ReceiverScene scene);
    QCoro::Task<Checked<bool>> deleteScene(QString name);
    QCoro::Task<Checked<SceneRunResult>> runScene(QString name, Zone zone);

private:
    QCoro::Task<Response> route(const HTTPRequest &request);
    QCoro::Task<Response> status(Zone zone);
    QCoro::Task<Response> inputs(Zone zone);
    QCoro::Task<Response> soundModes(Zone zone);
    QCoro::Task<Response> power(Zone zone, const HTTPRequest &request);
    QCoro::Task<Response> volume(Zone zone, const HTTPRequest &request);
    QCoro::Task<Response> mute(Zone zone, const HTTPRequest &request);
    QCoro::Task<Response> input(Zone zone, const HTTPRequest &request);
    QCoro::Task<Response> soundMode(Zone zone, const HTTPRequest &request);
    QCoro::Task<Response> tone(Zone zone, const HTTPRequest &request);
    QCoro::Task<Response> subwoofer(Zone zone, const HTTPRequest &request);
    QCoro::Task<Response> playback(Zone zone, const HTTPRequest &request);
    QCoro::Task<Response> saveSceneFromBody(const HTTPRequest &request);
    QCoro::Task<Response> scene(const QString &name);
    QCoro::Task<Response> deleteSceneResponse(const QString &name);

    // Checks an absolute volume against the cap (read afresh), the minimum and the step.
    QCoro::Task<std::optional<APIError>> absoluteVolumeCheck(double db);
    std::optional<APIError> rateLimit(Zone zone);
    // `requested` resolved against the zone's inputs (kind "input") or sound modes (kind "sound mode").
    QCoro::Task<Checked<QString>> resolveInput(Zone zone, QString requested);
    QCoro::Task<Checked<QString>> resolveSoundMode(Zone zone, QString requested);
    // The scene rules, then the receiver checks in `zone`; the scene with its names resolved.
    QCoro::Task<Checked<ReceiverScene>> validateScene(ReceiverScene scene, Zone zone);
    QCoro::Task<Checked<SavedScene>> storeValidated(ReceiverScene scene);

    const std::shared_ptr<ReceiverControl> m_control;
    const std::shared_ptr<SceneStore> m_scenes;
    const ReceiverAPIConfiguration m_configuration;
    const std::shared_ptr<TokenAuthenticator> m_authenticator;
    const std::shared_ptr<VolumeRateLimiter> m_rateLimiter;
};

QCoro::Task<HTTPResponse> APIRouter::Engine::handle(HTTPRequest request)
{
    const auto keepAlive = shared_from_this();
    Response response = Failure { Errors::receiverFailed(QString()) };
    try {
        response = co_await route(request);
    } catch (const std::exception &exception) {
        // Nothing in the router throws on purpose; this only keeps a surprise from reaching the event loop.
        qCCritical(lcApi) << "Request failed unexpectedly:" << exception.what();
        response = Failure { Errors::receiverFailed(QString::fromLocal8Bit(exception.what())) };
    }
    if (response)
        co_return std::move(response).value();
    const APIError &error = response.error();
    if (error.status >= 500)
        qCWarning(lcApi).noquote() << request.method << request.pathSegments.join(u'/') << "failed:" << error.status
                                   << error.code << error.message;
    else
        qCDebug(lcApi).noquote() << request.method << request.pathSegments.join(u'/') << "refused:" << error.status
                                 << error.code;
    co_return HTTPResponse::error(error);
}

QCoro::Task<Response> APIRouter::Engine::route(const HTTPRequest &request)
{
    const QStringList &segments = request.pathSegments;
    if (segments.size() < 2 || segments.at(0) != u"api" || segments.at(1) != u"v1")
        co_return Failure { Errors::outsideAPI() };
    if (!m_authenticator || !m_authenticator->authenticate(request))
        co_return Failure { Errors::unauthorized() };

    const QStringList rest = segments.mid(2);
    const std::optional<Route> found = routeFor(rest);
    if (!found)
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
        co_return co_await saveSceneFromBody(request);
    case Endpoint::scene:
        if (request.method == u"GET")
            co_return co_await scene(rest.at(1));
        co_return co_await deleteSceneResponse(rest.at(1));
    default:
        break;
    }

    const Checked<Zone> zone = zoneFromQuery(request);
    if (!zone)
        co_return Failure { zone.error() };
    switch (found->endpoint) {
    case Endpoint::status:
        co_return co_await status(*zone);
    case Endpoint::inputs:
        co_return co_await inputs(*zone);
    case Endpoint::soundModes:
        co_return co_await soundModes(*zone);
    case Endpoint::power:
        co_return co_await power(*zone, request);
    case Endpoint::volume:
        co_return co_await volume(*zone, request);
    case Endpoint::mute:
        co_return co_await mute(*zone, request);
    case Endpoint::input:
        co_return co_await input(*zone, request);
    case Endpoint::soundMode:
        co_return co_await soundMode(*zone, request);
    case Endpoint::tone:
        co_return co_await tone(*zone, request);
    case Endpoint::subwoofer:
        co_return co_await subwoofer(*zone, request);
    case Endpoint::playback:
        co_return co_await playback(*zone, request);
    case Endpoint::runScene: {
        Checked<SceneRunResult> result = co_await runScene(rest.at(1), *zone);
        if (!result)
            co_return Failure { result.error() };
        co_return HTTPResponse::json(200, result.value().toJSON());
    }
    case Endpoint::scenes:
    case Endpoint::scene:
        break;
    }
    co_return Failure { Errors::unknownEndpoint(rest) };
}

QCoro::Task<Response> APIRouter::Engine::status(Zone zone)
{
    Result<ReceiverStatus, ControlError> status = co_await m_control->status(zone);
    if (!status)
        co_return Failure { fromControl(status.error()) };
    co_return HTTPResponse::json(200, status.value().toJSON());
}

QCoro::Task<Response> APIRouter::Engine::inputs(Zone zone)
{
    Result<QStringList, ControlError> names = co_await m_control->inputs(zone);
    if (!names)
        co_return Failure { fromControl(names.error()) };
    co_return HTTPResponse::json(200,
        JSONValue(JSONValue::Object {
            { QStringLiteral("inputs"), JSONValue::fromStrings(names.value()) },
            { QStringLiteral("zone"), JSONValue(enumName(zone)) },
        }));
}

QCoro::Task<Response> APIRouter::Engine::soundModes(Zone zone)
{
    Result<QStringList, ControlError> names = co_await m_control->soundModes(zone);
    if (!names)
        co_return Failure { fromControl(names.error()) };
    co_return HTTPResponse::json(200,
        JSONValue(JSONValue::Object {
            { QStringLiteral("soundModes"), JSONValue::fromStrings(names.value()) },
            { QStringLiteral("zone"), JSONValue(enumName(zone)) },
        }));
}

QCoro::Task<Response> APIRouter::Engine::power(Zone zone, const HTTPRequest &request)
{
    const Checked<JSONObject> body = jsonObject(request.body, { QStringLiteral("power") });
    if (!body)
        co_return Failure { body.error() };
    const Checked<std::optional<PowerState>> power = powerField(*body);
    if (!power)
        co_return Failure { power.error() };
    if (!power.value())
        co_return Failure { Errors::missingField(QStringLiteral("\"power\" is required.")) };

    const Result<Done, ControlError> done = co_await m_control->setPower(zone, *power.value());
    if (!done)
        co_return Failure { fromControl(done.error()) };
    co_return acknowledgement(zone, { { QStringLiteral("power"), JSONValue(enumName(*power.value())) } });
}

QCoro::Task<Response> APIRouter::Engine::volume(Zone zone, const HTTPRequest &request)
{
    const Checked<JSONObject> body = jsonObject(request.body, { QStringLiteral("db"), QStringLiteral("step") });
    if (!body)
        co_return Failure { body.error() };
    const Checked<std::optional<double>> db = numberField(*body, QStringLiteral("db"));
    if (!db)
        co_return Failure { db.error() };
    const Checked<std::optional<VolumeStepDirection>> step
        = enumeratedField<VolumeStepDirection>(*body, QStringLiteral("step"));
    if (!step)
        co_return Failure { step.error() };
    if (!db.value() && !step.value())
        co_return Failure { Errors::missingField(
            QStringLiteral("Send {\"db\": -30} or {\"step\": \"up\"|\"down\"}.")) };
    if (db.value() && step.value())
        co_return Failure { Errors::invalidValue(QStringLiteral("Send either \"db\" or \"step\", not both.")) };

    if (const std::optional<double> target = db.value()) {
        if (std::optional<APIError> refused = co_await absoluteVolumeCheck(*target))
            co_return Failure { *refused };
        if (std::optional<APIError> refused = rateLimit(zone))
            co_return Failure { *refused };
        const Result<Done, ControlError> done = co_await m_control->setVolume(zone, *target);
        if (!done)
            co_return Failure { fromControl(done.error()) };
        co_return acknowledgement(zone, { { QStringLiteral("volumeDb"), JSONValue(*target) } });
    }

    const VolumeStepDirection direction = *step.value();
    if (direction == VolumeStepDirection::up) {
        const Result<ReceiverStatus, ControlError> current = co_await m_control->status(zone);
        if (!current)
            co_return Failure { fromControl(current.error()) };
        const Result<double, ControlError> cap = co_await m_control->volumeCapDb();
        if (!cap)
            co_return Failure { fromControl(cap.error()) };
        const double next = current.value().volumeDb + m_control->volumeStepDb();
        if (next > cap.value())
            co_return Failure { Errors::volumeAboveCap(next, cap.value()) };
    }
    if (std::optional<APIError> refused = rateLimit(zone))
        co_return Failure { *refused };
    const Result<Done, ControlError> done = co_await m_control->stepVolume(zone, direction);
    if (!done)
        co_return Failure { fromControl(done.error()) };
    co_return acknowledgement(zone, { { QStringLiteral("step"), JSONValue(enumName(direction)) } });
}

QCoro::Task<Response> APIRouter::Engine::mute(Zone zone, const HTTPRequest &request)
{
    const Checked<JSONObject> body = jsonObject(request.body, { QStringLiteral("mute") });
    if (!body)
        co_return Failure { body.error() };
    const Checked<std::optional<bool>> mute = boolField(*body, QStringLiteral("mute"));
    if (!mute)
        co_return Failure { mute.error() };
    if (!mute.value())
        co_return Failure { Errors::missingField(QStringLiteral("\"mute\" is required.")) };

    const Result<Done, ControlError> done = co_await m_control->setMute(zone, *mute.value());
    if (!done)
        co_return Failure { fromControl(done.error()) };
    co_return acknowledgement(zone, { { QStringLiteral("mute"), JSONValue(*mute.value()) } });
}

QCoro::Task<Response> APIRouter::Engine::input(Zone zone, const HTTPRequest &request)
{
    const Checked<JSONObject> body = jsonObject(request.body, { QStringLiteral("input") });
    if (!body)
        co_return Failure { body.error() };
    const Checked<std::optional<QString>> requested = stringField(*body, QStringLiteral("input"));
    if (!requested)
        co_return Failure { requested.error() };
    if (!requested.value())
        co_return Failure { Errors::missingField(QStringLiteral("\"input\" is required.")) };

    const Checked<QString> name = co_await resolveInput(zone, *requested.value());
    if (!name)
        co_return Failure { name.error() };
    const Result<Done, ControlError> done = co_await m_control->setInput(zone, name.value());
    if (!done)
        co_return Failure { fromControl(done.error()) };
    co_return acknowledgement(zone, { { QStringLiteral("input"), JSONValue(name.value()) } });
}

QCoro::Task<Response> APIRouter::Engine::soundMode(Zone zone, const HTTPRequest &request)
{
    const Checked<JSONObject> body = jsonObject(request.body, { QStringLiteral("soundMode") });
    if (!body)
        co_return Failure { body.error() };
    const Checked<std::optional<QString>> requested = stringField(*body, QStringLiteral("soundMode"));
    if (!requested)
        co_return Failure { requested.error() };
    if (!requested.value())
        co_return Failure { Errors::missingField(QStringLiteral("\"soundMode\" is required.")) };

    const Checked<QString> name = co_await resolveSoundMode(zone, *requested.value());
    if (!name)
        co_return Failure { name.error() };
    const Result<Done, ControlError> done = co_await m_control->setSoundMode(zone, name.value());
    if (!done)
        co_return Failure { fromControl(done.error()) };
    co_return acknowledgement(zone, { { QStringLiteral("soundMode"), JSONValue(name.value()) } });
}

QCoro::Task<Response> APIRouter::Engine::tone(Zone zone, const HTTPRequest &request)
{
    const Checked<JSONObject> body = jsonObject(request.body, { QStringLiteral("bass"), QStringLiteral("treble") });
    if (!body)
        co_return Failure { body.error() };
    const Checked<std::optional<double>> bass = numberField(*body, QStringLiteral("bass"));
    if (!bass)
        co_return Failure { bass.error() };
    const Checked<std::optional<double>> treble = numberField(*body, QStringLiteral("treble"));
    if (!treble)
        co_return Failure { treble.error() };
    if (!bass.value() && !treble.value())
        co_return Failure { Errors::missingField(QStringLiteral("Send \"bass\", \"treble\" or both.")) };

    JSONValue::Object answer;
    for (const auto &[key, value] : { std::pair { QStringLiteral("bass"), bass.value() },
             std::pair { QStringLiteral("treble"), treble.value() } }) {
        if (!value)
            continue;
        if (std::optional<APIError> refused
            = rangeCheck(key, *value, m_configuration.toneRangeDb, m_configuration.dbStep))
            co_return Failure { *refused };
        answer.emplace(key, JSONValue(*value));
    }
    const Result<Done, ControlError> done = co_await m_control->setTone(zone, bass.value(), treble.value());
    if (!done)
        co_return Failure { fromControl(done.error()) };
    co_return acknowledgement(zone, std::move(answer));
}

QCoro::Task<Response> APIRouter::Engine::subwoofer(Zone zone, const HTTPRequest &request)
{
    const Checked<JSONObject> body = jsonObject(request.body, { QStringLiteral("db") });
    if (!body)
        co_return Failure { body.error() };
    const Checked<std::optional<double>> db = numberField(*body, QStringLiteral("db"));
    if (!db)
        co_return Failure { db.error() };
    if (!db.value())
        co_return Failure { Errors::missingField(QStringLiteral("\"db\" is required.")) };
    if (zone != Zone::main)
        co_return Failure { Errors::subwooferOnlyInMain() };
    if (std::optional<APIError> refused
        = rangeCheck(QStringLiteral("db"), *db.value(), m_configuration.subwooferRangeDb, m_configuration.dbStep))
        co_return Failure { *refused };

    const Result<Done, ControlError> done = co_await m_control->setSubwoofer(zone, *db.value());
    if (!done)
        co_return Failure { fromControl(done.error()) };
    co_return acknowledgement(zone, { { QStringLiteral("subwoofer"), JSONValue(*db.value()) } });
}

QCoro::Task<Response> APIRouter::Engine::playback(Zone zone, const HTTPRequest &request)
{
    const Checked<JSONObject> body = jsonObject(request.body, { QStringLiteral("action") });
    if (!body)
        co_return Failure { body.error() };
    const Checked<std::optional<PlaybackAction>> action
        = enumeratedField<PlaybackAction>(*body, QStringLiteral("action"));
    if (!action)
        co_return Failure { action.error() };
    if (!action.value())
        co_return Failure { Errors::missingField(QStringLiteral("\"action\" is required.")) };

    const Result<Done, ControlError> done = co_await m_control->playback(*action.value());
    if (!done)
        co_return Failure { fromControl(done.error()) };
    co_return acknowledgement(zone, { { QStringLiteral("action"), JSONValue(enumName(*action.value())) } });
}

QCoro::Task<Response> APIRouter::Engine::saveSceneFromBody(const HTTPRequest &request)
{
    const Checked<JSONObject> body = jsonObject(request.body,
        { QStringLiteral("name"), QStringLiteral("power"), QStringLiteral("zone"), QStringLiteral("input"),
            QStringLiteral("soundMode"), QStringLiteral("volumeDb"), QStringLiteral("bass"), QStringLiteral("treble"),
            QStringLiteral("sub") });
    if (!body)
        co_return Failure { body.error() };

    ReceiverScene scene;
    {
        const Checked<std::optional<QString>> name = stringField(*body, QStringLiteral("name"));
        if (!name)
            co_return Failure { name.error() };
        scene.name = name.value().value_or(QString());
        if (std::optional<APIError> refused = sceneNameCheck(scene.name))
            co_return Failure { *refused };
    }
    {
        const Checked<std::optional<PowerState>> power = powerField(*body);
        if (!power)
            co_return Failure { power.error() };
        scene.power = power.value();
        const Checked<std::optional<Zone>> zone = enumeratedField<Zone>(*body, QStringLiteral("zone"));
        if (!zone)
            co_return Failure { zone.error() };
        scene.zone = zone.value();
    }
    for (const auto &[key, field] : { std::pair { QStringLiteral("input"), &scene.input },
             std::pair { QStringLiteral("soundMode"), &scene.soundMode } }) {
        const Checked<std::optional<QString>> text = stringField(*body, key);
        if (!text)
            co_return Failure { text.error() };
        *field = text.value();
    }
    for (const auto &[key, field] :
        { std::pair { QStringLiteral("volumeDb"), &scene.volumeDb }, std::pair { QStringLiteral("bass"), &scene.bass },
            std::pair { QStringLiteral("treble"), &scene.treble }, std::pair { QStringLiteral("sub"), &scene.sub } }) {
        const Checked<std::optional<double>> number = numberField(*body, key);
        if (!number)
            co_return Failure { number.error() };
        *field = number.value();
    }

    const Checked<SavedScene> saved = co_await storeValidated(scene);
    if (!saved)
        co_return Failure { saved.error() };
    co_return HTTPResponse::json(saved.value().created ? 201 : 200, saved.value().scene.toJSON());
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
    co_return HTTPResponse { 204, {}, {} };
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
    co_return co_await storeValidated(std::move(scene));
}

QCoro::Task<Checked<bool>> APIRouter::Engine::deleteScene(QString name)
{
    const auto keepAlive = shared_from_this();
    const Result<bool, SceneStoreError> removed = co_await m_scenes->remove(name);
    if (!removed)
        co_return Failure { fromStore(removed.error()) };
    co_return removed.value();
}

QCoro::Task<Checked<SceneRunResult>> APIRouter::Engine::runScene(QString name, Zone requestedZone)
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
    const Checked<ReceiverScene> checked = co_await validateScene(*found.value(), zone);
    if (!checked)
        co_return Failure { checked.error() };
    const ReceiverScene &scene = checked.value();
    if (scene.volumeDb) {
        if (std::optional<APIError> refused = rateLimit(zone))
            co_return Failure { *refused };
    }

    SceneRunResult result { scene.name, zone, {} };
    const auto stopped = [&](const QString &label, const ControlError &error) {
        return Errors::sceneStopped(scene.name, label, result.applied, error.description());
    };
    if (scene.power) {
        const Result<Done, ControlError> done = co_await m_control->setPower(zone, *scene.power);
        if (!done)
            co_return Failure { stopped(QStringLiteral("power"), done.error()) };
        result.applied.append(QStringLiteral("power"));
    }
    if (scene.input) {
        const Result<Done, ControlError> done = co_await m_control->setInput(zone, *scene.input);
        if (!done)
            co_return Failure { stopped(QStringLiteral("input"), done.error()) };
        result.applied.append(QStringLiteral("input"));
    }
    if (scene.soundMode) {
        const Result<Done, ControlError> done = co_await m_control->setSoundMode(zone, *scene.soundMode);
        if (!done)
            co_return Failure { stopped(QStringLiteral("soundMode"), done.error()) };
        result.applied.append(QStringLiteral("soundMode"));
    }
    if (scene.volumeDb) {
        const Result<Done, ControlError> done = co_await m_control->setVolume(zone, *scene.volumeDb);
        if (!done)
            co_return Failure { stopped(QStringLiteral("volumeDb"), done.error()) };
        result.applied.append(QStringLiteral("volumeDb"));
    }
    if (scene.bass || scene.treble) {
        const Result<Done, ControlError> done = co_await m_control->setTone(zone, scene.bass, scene.treble);
        if (!done)
            co_return Failure { stopped(QStringLiteral("tone"), done.error()) };
        result.applied.append(QStringLiteral("tone"));
    }
    if (scene.sub) {
        const Result<Done, ControlError> done = co_await m_control->setSubwoofer(zone, *scene.sub);
        if (!done)
            co_return Failure { stopped(QStringLiteral("sub"), done.error()) };
        result.applied.append(QStringLiteral("sub"));
    }
    co_return result;
}

QCoro::Task<std::optional<APIError>> APIRouter::Engine::absoluteVolumeCheck(double db)
{
    const Result<double, ControlError> cap = co_await m_control->volumeCapDb();
    if (!cap)
        co_return fromControl(cap.error());
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

QCoro::Task<Checked<QString>> APIRouter::Engine::resolveInput(Zone zone, QString requested)
{
    const Result<QStringList, ControlError> candidates = co_await m_control->inputs(zone);
    if (!candidates)
        co_return Failure { fromControl(candidates.error()) };
    co_return resolveName(requested, candidates.value(), kindInput, "unknown_input", zone);
}

QCoro::Task<Checked<QString>> APIRouter::Engine::resolveSoundMode(Zone zone, QString requested)
{
    const Result<QStringList, ControlError> candidates = co_await m_control->soundModes(zone);
    if (!candidates)
        co_return Failure { fromControl(candidates.error()) };
    if (candidates.value().isEmpty())
        co_return Failure { Errors::noSoundModes(enumName(zone)) };
    co_return resolveName(requested, candidates.value(), kindSoundMode, "unknown_sound_mode", zone);
}

QCoro::Task<Checked<ReceiverScene>> APIRouter::Engine::validateScene(ReceiverScene scene, Zone zone)
{
    if (!scene.hasSetting())
        co_return Failure { Errors::emptyScene() };
    if (scene.power == PowerState::standby && scene.hasSettingBesidesPower())
        co_return Failure { Errors::standbySceneWithSettings() };

    if (scene.input) {
        const Checked<QString> resolved = co_await resolveInput(zone, *scene.input);
        if (!resolved)
            co_return Failure { resolved.error() };
        scene.input = resolved.value();
    }
    if (scene.soundMode) {
        const Checked<QString> resolved = co_await resolveSoundMode(zone, *scene.soundMode);
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
    co_return scene;
}

QCoro::Task<Checked<APIRouter::SavedScene>> APIRouter::Engine::storeValidated(ReceiverScene scene)
{
    const Zone zone = scene.zone.value_or(Zone::main);
    const Checked<ReceiverScene> checked = co_await validateScene(std::move(scene), zone);
    if (!checked)
        co_return Failure { checked.error() };
    const Result<bool, SceneStoreError> created = co_await m_scenes->save(checked.value());
    if (!created)
        co_return Failure { fromStore(created.error()) };
    co_return SavedScene { checked.value(), created.value() };
}

APIRouter::APIRouter(std::shared_ptr<ReceiverControl> control, std::shared_ptr<SceneStore> scenes,
    ReceiverAPIConfiguration configuration, std::shared_ptr<TokenAuthenticator> authenticator,
    std::shared_ptr<VolumeRateLimiter> rateLimiter)
    : m_engine(std::make_shared<Engine>(
        std::move(control), std::move(scenes), configuration, std::move(authenticator), std::move(rateLimiter)))
{ }

QCoro::Task<HTTPResponse> APIRouter::handle(HTTPRequest request) const
{
    return m_engine->handle(std::move(request));
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
    return m_engine->runScene(std::move(name), zone);
}

} // namespace amplora::api
