#include "api/router/APIRouter.h"

#include "api/Logging.h"
#include "api/auth/TokenAuthenticator.h"
#include "api/router/RouteTable.h"
#include "api/router/RouterErrors.h"
#include "api/scenes/SceneService.h"

#include <exception>

namespace amplora::api {

namespace Errors = RouterErrors;

namespace {

const QString prefix = QStringLiteral("/api/v1/");

// The whole table, in the order a 405 answer lists a path's methods.
const std::vector<Route> &routeTable()
{
    static const std::vector<Route> table = [] {
        std::vector<Route> all = statusRoutes();
        for (std::vector<Route> part : { controlRoutes(), sceneRoutes(), inputProfileRoutes() }) {
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    }();
    return table;
}

bool isParameter(QStringView segment)
{
    return segment.startsWith(u'{') && segment.endsWith(u'}');
}

// The segments of `segments` that the route's free segments stand for, or nothing when the path is another's.
// Fixed segments match exactly and case-sensitively.
std::optional<QStringList> match(const Route &route, const QStringList &segments)
{
    const QList<QStringView> pattern = QStringView(route.path).split(u'/');
    if (pattern.size() != segments.size()) {
        return std::nullopt;
    }
    QStringList parameters;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (isParameter(pattern.at(i))) {
            parameters.append(segments.at(i));
        } else if (pattern.at(i) != segments.at(i)) {
            return std::nullopt;
        }
    }
    return parameters;
}

Checked<Zone> zoneFromQuery(const HTTPRequest &request)
{
    const auto found = request.query.constFind(QStringLiteral("zone"));
    if (found == request.query.constEnd()) {
        return Zone::main;
    }
    if (const std::optional<Zone> zone = enumFromName<Zone>(found->toLower())) {
        return *zone;
    }
    return Failure { Errors::invalidZone() };
}

bool offered(const RouterState &state, const Route &route)
{
    return route.handler != nullptr && (state.events || route.path != u"events")
        && (state.profiles || !route.path.startsWith(u"input-profiles"));
}

// The route the request names, with its free segments; or the 404 or 405 the client gets.
struct Matched {
    const Route *route = nullptr;
    QStringList parameters;
};

Checked<Matched> find(const RouterState &state, const HTTPRequest &request, const QStringList &rest)
{
    QStringList methods;
    Matched found;
    for (const Route &route : routeTable()) {
        if (!offered(state, route)) {
            continue;
        }
        std::optional<QStringList> parameters = match(route, rest);
        if (!parameters) {
            continue;
        }
        methods.append(route.method);
        if (!found.route && route.method == request.method) {
            found = Matched { &route, std::move(*parameters) };
        }
    }
    if (methods.isEmpty()) {
        return Failure { Errors::unknownEndpoint(rest) };
    }
    if (!found.route) {
        return Failure { Errors::methodNotAllowed(methods.join(QStringLiteral(", "))) };
    }
    return found;
}

QCoro::Task<Response> route(std::shared_ptr<RouterState> state, HTTPRequest request, Cancellation cancel)
{
    const QStringList &segments = request.pathSegments;
    if (segments.size() < 2 || segments.at(0) != u"api" || segments.at(1) != u"v1") {
        co_return Failure { Errors::outsideAPI() };
    }
    if (!state->authenticator || !state->authenticator->authenticate(request)) {
        co_return Failure { Errors::unauthorized() };
    }

    const QStringList rest = segments.mid(2);
    const Checked<Matched> found = find(*state, request, rest);
    if (!found) {
        co_return Failure { found.error() };
    }
    Zone zone = Zone::main;
    if (found->route->zone == Route::ZoneQuery::read) {
        const Checked<Zone> queried = zoneFromQuery(request);
        if (!queried) {
            co_return Failure { queried.error() };
        }
        zone = *queried;
    }
    const RouteHandler handler = found->route->handler;
    RouteCall call { std::move(request), zone, found->parameters, std::move(cancel) };
    co_return co_await handler(std::move(state), std::move(call));
}

QCoro::Task<HTTPResponse> handled(std::shared_ptr<RouterState> state, HTTPRequest request, Cancellation cancel)
{
    Response response = Failure { Errors::receiverFailed(QString()) };
    try {
        response = co_await route(state, request, cancel);
    } catch (const std::exception &exception) {
        // Nothing in the router throws on purpose; this only keeps a surprise from reaching the event loop.
        qCCritical(lcApi) << "Request failed unexpectedly:" << exception.what();
        response = Failure { Errors::receiverFailed(QString::fromLocal8Bit(exception.what())) };
    }
    if (response) {
        co_return std::move(response).value();
    }
    const APIError &error = response.error();
    if (cancel.isCancelled()) {
        qCDebug(lcApi).noquote() << request.method << request.pathSegments.join(u'/') << "abandoned:" << error.status
                                 << error.code;
    } else if (error.status >= 500) {
        qCWarning(lcApi).noquote() << request.method << request.pathSegments.join(u'/') << "failed:" << error.status
                                   << error.code << error.message;
    } else {
        qCDebug(lcApi).noquote() << request.method << request.pathSegments.join(u'/') << "refused:" << error.status
                                 << error.code;
    }
    co_return HTTPResponse::error(error);
}

} // namespace

APIRouter::APIRouter(std::shared_ptr<ReceiverControl> control, std::shared_ptr<SceneService> scenes,
    ReceiverAPIConfiguration configuration, std::shared_ptr<TokenAuthenticator> authenticator,
    std::shared_ptr<VolumeRateLimiter> rateLimiter, std::shared_ptr<StatusEvents> events)
    : m_state(std::make_shared<RouterState>(RouterState { std::move(control), std::move(scenes), configuration,
        std::move(authenticator), std::move(rateLimiter), std::move(events), {}, nullptr }))
{ }

APIRouter::APIRouter(const std::shared_ptr<ReceiverControl> &control, std::shared_ptr<SceneStore> scenes,
    ReceiverAPIConfiguration configuration, std::shared_ptr<TokenAuthenticator> authenticator,
    std::shared_ptr<VolumeRateLimiter> rateLimiter, std::shared_ptr<StatusEvents> events)
    : APIRouter(control, std::make_shared<SceneService>(control, std::move(scenes), configuration), configuration,
        std::move(authenticator), std::move(rateLimiter), std::move(events))
{ }

void APIRouter::setInputProfiles(std::shared_ptr<InputProfileService> profiles)
{
    m_state->profiles = std::move(profiles);
}

QCoro::Task<HTTPResponse> APIRouter::handle(HTTPRequest request, Cancellation cancel) const
{
    return handled(m_state, std::move(request), std::move(cancel));
}

QStringList APIRouter::endpoints() const
{
    QStringList listed;
    for (const Route &route : routeTable()) {
        if (offered(*m_state, route)) {
            listed.append(route.method + u' ' + prefix + route.path);
        }
    }
    return listed;
}

} // namespace amplora::api
