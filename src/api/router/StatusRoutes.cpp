// The endpoints that watch rather than act: a zone's status, the link's health and the event stream.

#include "api/control/ReceiverControl.h"
#include "api/router/RouteTable.h"
#include "api/router/RouterErrors.h"
#include "api/server/StatusEvents.h"

namespace amplora::api {

namespace Errors = RouterErrors;

namespace {

QCoro::Task<Response> zoneStatus(std::shared_ptr<RouterState> state, Zone zone, Cancellation cancel)
{
    Result<ReceiverStatus, ControlError> status = co_await state->control->status(zone, cancel);
    if (!status) {
        co_return Failure { Errors::fromControl(status.error()) };
    }
    RouterState::EncodedStatus &encoded = state->encodedStatus[zone];
    if (encoded.body.isEmpty() || !(encoded.status == status.value())) {
        encoded.body = StatusEvents::statusJSON(status.value()); // the same bytes as the event stream's
        encoded.status = std::move(status).value();
    }
    co_return HTTPResponse::encodedJSON(200, encoded.body);
}

QCoro::Task<Response> status(std::shared_ptr<RouterState> state, RouteCall call)
{
    co_return co_await zoneStatus(state, call.zone, call.cancel);
}

QCoro::Task<Response> health(std::shared_ptr<RouterState> state, RouteCall)
{
    Result<ReceiverHealth, ControlError> health = co_await state->control->health();
    if (!health) {
        co_return Failure { Errors::fromControl(health.error()) };
    }
    co_return HTTPResponse::json(200, health.value().toJSON());
}

QCoro::Task<Response> events(std::shared_ptr<RouterState> state, RouteCall call)
{
    const std::shared_ptr<ResponseStream> stream = state->events->subscribe();
    if (!stream) {
        co_return Failure { Errors::tooManySubscribers(state->events->settings().maxSubscribers) };
    }
    const Result<QList<Zone>, ControlError> zones = co_await state->control->zones(call.cancel);
    if (!zones) {
        stream->abandon();
        co_return Failure { Errors::fromControl(zones.error()) };
    }
    for (const Zone zone : zones.value()) {
        const Response answer = co_await zoneStatus(state, zone, call.cancel);
        if (!answer) {
            stream->abandon();
            co_return Failure { answer.error() };
        }
        // Exactly the body GET /status answers. The stream holds it until the connection sends the head.
        state->events->sendFirst(stream, zone, answer->body);
    }
    HTTPResponse response;
    response.headers = {
        { QByteArrayLiteral("Content-Type"), QByteArrayLiteral("text/event-stream") },
        { QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-cache") },
    };
    response.stream = stream;
    co_return response;
}

} // namespace

std::vector<Route> statusRoutes()
{
    using Z = Route::ZoneQuery;
    return {
        { QStringLiteral("GET"), QStringLiteral("status"), Z::read, &status },
        // The router leaves this one out when it has no subscribers to offer.
        { QStringLiteral("GET"), QStringLiteral("events"), Z::ignored, &events },
        { QStringLiteral("GET"), QStringLiteral("health"), Z::ignored, &health }, // the link as a whole
    };
}

} // namespace amplora::api
