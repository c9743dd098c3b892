#pragma once

#include "api/control/Zone.h"
#include "api/http/APIError.h"
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
class VolumeRateLimiter;

template<class T> using SceneResult = QCoro::Task<Result<T, APIError>>;

// The scenes, for every door: the HTTP endpoints, the session-bus actions and the application's windows. It
// applies the scene rules and checks each scene against the receiver in the zone it acts on, when it is saved
// and again when it runs, so a scene stored by any door is held to the same rules. Failures carry exactly the
// errors the HTTP endpoints answer.
//
// A call in progress keeps the service and its collaborators alive until it completes, even if every owner
// is gone; hold the service by shared pointer.
class SceneService : public std::enable_shared_from_this<SceneService> {
public:
    struct Saved {
        ReceiverScene scene; // as stored: input, favourite and sound mode spelled as the receiver offers them
        bool created = false; // the name was new
    };

    SceneService(std::shared_ptr<ReceiverControl> control, std::shared_ptr<SceneStore> store,
        ReceiverAPIConfiguration configuration);

    SceneResult<QList<ReceiverScene>> list();
    // Fails as scene_not_found when there is none by that name.
    SceneResult<ReceiverScene> scene(QString name);
    // The name is trimmed and checked, then the scene rules and the receiver checks in the scene's zone (main
    // when it names none). `cancel` fires when the caller has gone: nothing is stored then.
    SceneResult<Saved> save(ReceiverScene scene, Cancellation cancel = Cancellation());
    // True when a scene was removed.
    SceneResult<bool> remove(QString name);
    // Checks the scene again in the zone it acts on (its own, else `zone`), then applies it step by step. A
    // caller gone before the first step changes nothing; once a step went out the scene is applied whole. A
    // scene with a volume takes one change from `rateLimiter` in that zone; none means no limit.
    SceneResult<SceneRunResult> run(QString name, Zone zone, Cancellation cancel = Cancellation(),
        std::shared_ptr<VolumeRateLimiter> rateLimiter = nullptr);

    const ReceiverAPIConfiguration &configuration() const { return m_configuration; }

private:
    // The scene with its names resolved, and the number of the favourite it recalls.
    struct ValidScene {
        ReceiverScene scene;
        std::optional<int> favouriteNumber;
    };
    SceneResult<ValidScene> validate(ReceiverScene scene, Zone zone, Cancellation cancel);

    const std::shared_ptr<ReceiverControl> m_control;
    const std::shared_ptr<SceneStore> m_store;
    const ReceiverAPIConfiguration m_configuration;
};

} // namespace amplora::api
