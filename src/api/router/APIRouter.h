#pragma once

#include "api/control/Zone.h"
#include "api/http/APIError.h"
#include "api/http/HTTPRequest.h"
#include "api/http/HTTPResponse.h"
#include "api/scenes/ReceiverScene.h"
#include "api/scenes/SceneRunResult.h"
#include "api/server/ReceiverAPIConfiguration.h"

#include "base/Cancellation.h"
#include "base/Result.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <memory>

namespace amplora::api {

class ReceiverControl;
class SceneStore;
class StatusEvents;
class TokenAuthenticator;
class VolumeRateLimiter;

// Turns one parsed request into one response: checks the /api/v1 prefix and the bearer token, picks the
// endpoint, validates the query and body, enforces the volume cap, bounds, step and rate limit, and only then
// calls the receiver or the scene store. A refused request changes nothing.
//
// The router holds no per-request state and may be copied freely; copies share their collaborators. A
// request being handled keeps those collaborators alive until it completes, even if every router is gone.
class APIRouter {
public:
    struct SavedScene {
        ReceiverScene scene; // as stored: input and sound mode spelled as the receiver offers them
        bool created = false; // the name was new
    };

    // Without `events`, GET /api/v1/events is not found.
    APIRouter(std::shared_ptr<ReceiverControl> control, std::shared_ptr<SceneStore> scenes,
        ReceiverAPIConfiguration configuration, std::shared_ptr<TokenAuthenticator> authenticator,
        std::shared_ptr<VolumeRateLimiter> rateLimiter, std::shared_ptr<StatusEvents> events = nullptr);

    // Never fails: every failure becomes an error response. Once `cancel` fires (the client has gone) the request
    // stops at its next step, leaving reads only it waited for; a scene already being applied is applied whole.
    QCoro::Task<HTTPResponse> handle(HTTPRequest request, Cancellation cancel = Cancellation()) const;

    // The scene operations behind the endpoints, for the application's own windows and actions; they apply
    // exactly the rules and checks of the HTTP endpoints.
    QCoro::Task<Result<QList<ReceiverScene>, APIError>> listScenes() const;
    QCoro::Task<Result<SavedScene, APIError>> saveScene(ReceiverScene scene) const;
    QCoro::Task<Result<bool, APIError>> deleteScene(QString name) const;
    QCoro::Task<Result<SceneRunResult, APIError>> runScene(QString name, Zone zone) const;

private:
    class Engine;
    std::shared_ptr<Engine> m_engine;
};

} // namespace amplora::api
