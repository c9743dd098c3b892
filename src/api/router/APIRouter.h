#pragma once

#include "api/http/HTTPRequest.h"
#include "api/http/HTTPResponse.h"
#include "api/server/ReceiverAPIConfiguration.h"

#include "base/Cancellation.h"

#include <QCoroTask>
#include <QStringList>

#include <memory>

namespace amplora::api {

class InputProfileService;
class ReceiverControl;
class SceneService;
class SceneStore;
class StatusEvents;
class TokenAuthenticator;
class VolumeRateLimiter;
struct RouterState;

// Turns one parsed request into one response: checks the /api/v1 prefix and the bearer token, picks the route,
// validates the query and body, enforces the volume cap, bounds, step and rate limit, and only then calls the
// receiver or the scene service. A refused request changes nothing.
//
// The router holds no per-request state and may be copied freely; copies share their collaborators. A
// request being handled keeps those collaborators alive until it completes, even if every router is gone.
class APIRouter {
public:
    // Without `events`, GET /api/v1/events is not found.
    APIRouter(std::shared_ptr<ReceiverControl> control, std::shared_ptr<SceneService> scenes,
        ReceiverAPIConfiguration configuration, std::shared_ptr<TokenAuthenticator> authenticator,
        std::shared_ptr<VolumeRateLimiter> rateLimiter, std::shared_ptr<StatusEvents> events = nullptr);
    // A router with a scene service of its own over `scenes`.
    APIRouter(const std::shared_ptr<ReceiverControl> &control, std::shared_ptr<SceneStore> scenes,
        ReceiverAPIConfiguration configuration, std::shared_ptr<TokenAuthenticator> authenticator,
        std::shared_ptr<VolumeRateLimiter> rateLimiter, std::shared_ptr<StatusEvents> events = nullptr);

    // Offers the input-profile endpoints over `profiles` (to this router and its copies); without, they are not
    // found.
    void setInputProfiles(std::shared_ptr<InputProfileService> profiles);

    // Never fails: every failure becomes an error response. Once `cancel` fires (the client has gone) the request
    // stops at its next step, leaving reads only it waited for; a scene already being applied is applied whole.
    QCoro::Task<HTTPResponse> handle(HTTPRequest request, Cancellation cancel = Cancellation()) const;

    // Every route this router answers, as "METHOD /api/v1/path" with "{...}" for a free segment.
    QStringList endpoints() const;

private:
    std::shared_ptr<RouterState> m_state;
};

} // namespace amplora::api
