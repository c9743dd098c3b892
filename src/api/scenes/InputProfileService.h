#pragma once

#include "api/control/ControlError.h"
#include "api/control/Zone.h"
#include "api/http/APIError.h"
#include "api/scenes/InputProfile.h"
#include "api/server/ReceiverAPIConfiguration.h"

#include "base/Cancellation.h"
#include "base/Result.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace amplora::api {

class InputProfileStore;
class ReceiverControl;

template<class T> using ProfileResult = QCoro::Task<Result<T, APIError>>;

// The input profiles, for every door: the HTTP endpoints, the window and whatever applies them. A profile is
// checked against its zone when it is saved, each key as a scene's: the input and the sound mode resolved to
// the receiver's spelling, the volume against the cap, the minimum and the step, direct and the dialogue level
// only where the zone has them. Failures carry exactly the errors the HTTP endpoints answer.
//
// A call in progress keeps the service alive until it completes; hold it by shared pointer.
class InputProfileService : public std::enable_shared_from_this<InputProfileService> {
public:
    // Whether a dialogue level lies within the zone's range; none when it does. The contract tells only whether
    // the zone has the level, so the range comes from whoever knows the receiver's features.
    using DialogueCheck = std::function<std::optional<ControlError>(Zone zone, int level)>;

    struct Saved {
        InputProfile profile; // as stored
        bool created = false;
    };

    InputProfileService(std::shared_ptr<ReceiverControl> control, std::shared_ptr<InputProfileStore> store,
        ReceiverAPIConfiguration configuration, DialogueCheck dialogueCheck = nullptr);

    ProfileResult<QList<InputProfile>> list(Zone zone);
    // The profile of exactly this input, if there is one.
    ProfileResult<std::optional<InputProfile>> profile(Zone zone, QString input);
    // `profile.input` is matched loosely against the zone's inputs, then every setting is checked.
    ProfileResult<Saved> save(InputProfile profile, Cancellation cancel = Cancellation());
    // `input` is matched loosely against the zone's profiles; input_profile_not_found when none fits.
    ProfileResult<Done> remove(Zone zone, QString input);

private:
    const std::shared_ptr<ReceiverControl> m_control;
    const std::shared_ptr<InputProfileStore> m_store;
    const ReceiverAPIConfiguration m_configuration;
    const DialogueCheck m_dialogueCheck;
};

} // namespace amplora::api
