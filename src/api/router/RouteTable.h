#pragma once

// The router's own parts, shared by the files that declare its routes: the state every copy of one router
// shares, one matched request, and the route table's entries.

#include "api/control/ReceiverStatus.h"
#include "api/control/Zone.h"
#include "api/http/HTTPRequest.h"
#include "api/http/HTTPResponse.h"
#include "api/router/RequestBodies.h"
#include "api/server/ReceiverAPIConfiguration.h"

#include "base/Cancellation.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

namespace amplora::api {

class InputProfileService;
class ReceiverControl;
class SceneService;
class StatusEvents;
class TokenAuthenticator;
class VolumeRateLimiter;

using Response = Checked<HTTPResponse>;

// What every copy of one router shares. A request keeps it alive until its answer is ready.
struct RouterState {
    std::shared_ptr<ReceiverControl> control;
    std::shared_ptr<SceneService> scenes;
    ReceiverAPIConfiguration configuration;
    std::shared_ptr<TokenAuthenticator> authenticator;
    std::shared_ptr<VolumeRateLimiter> rateLimiter;
    std::shared_ptr<StatusEvents> events; // none: GET /events is not found

    // The last status answered per zone, encoded: automations poll a status that rarely changes, and comparing
    // it costs far less than encoding it again.
    struct EncodedStatus {
        ReceiverStatus status;
        QByteArray body;
    };
    std::map<Zone, EncodedStatus> encodedStatus;

    std::shared_ptr<InputProfileService> profiles; // none: the input-profile endpoints are not found
};

// One request matched to its route. Handlers are coroutines and take it, like the state, by value: every part is
// implicitly shared, so a copy costs a few reference counts.
struct RouteCall {
    HTTPRequest request;
    Zone zone; // main for a route that does not read the zone
    QStringList parameters; // the path segments the route's "{...}" segments stand for, in order
    Cancellation cancel;
};

using RouteHandler = QCoro::Task<Response> (*)(std::shared_ptr<RouterState>, RouteCall);

struct Route {
    enum class ZoneQuery {
        read, // "?zone=" picks the zone, and a wrong one is refused before the body is read
        ignored, // the route acts on no zone (or on the scene's own)
    };

    QString method;
    QString path; // after /api/v1/; a "{...}" segment matches any one segment
    ZoneQuery zone = ZoneQuery::read;
    RouteHandler handler = nullptr;
};

namespace RouteBodies {

// The request parsers, each given what it needs of the request and the router.
template<class T> Checked<T> parse(Checked<T> (*parser)(QByteArrayView), const RouterState &, const RouteCall &call)
{
    return parser(call.request.body);
}

template<class T>
Checked<T> parse(Checked<T> (*parser)(QByteArrayView, const ReceiverAPIConfiguration &), const RouterState &state,
    const RouteCall &call)
{
    return parser(call.request.body, state.configuration);
}

template<class T>
Checked<T> parse(Checked<T> (*parser)(QByteArrayView, Zone, const ReceiverAPIConfiguration &), const RouterState &state,
    const RouteCall &call)
{
    return parser(call.request.body, call.zone, state.configuration);
}

} // namespace RouteBodies

// The handler of a route whose body `Parser` reads: a body it refuses is the answer, else `Handler` gets the
// parsed request.
template<auto Parser, auto Handler> QCoro::Task<Response> withBody(std::shared_ptr<RouterState> state, RouteCall call)
{
    auto body = RouteBodies::parse(Parser, *state, call);
    if (!body) {
        co_return Failure { body.error() };
    }
    co_return co_await Handler(std::move(state), std::move(call), std::move(body).value());
}

// Each file's share of the route table, in the order the 405 answer lists methods.
std::vector<Route> controlRoutes();
std::vector<Route> sceneRoutes();
std::vector<Route> inputProfileRoutes();
std::vector<Route> statusRoutes();

} // namespace amplora::api
