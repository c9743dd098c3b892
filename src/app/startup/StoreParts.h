#pragma once

#include "api/control/ControlError.h"
#include "api/scenes/SceneStoreError.h"
#include "base/Result.h"
#include "core/store/LaunchOptions.h"
#include "core/store/ReceiverStore.h"

#include <functional>
#include <memory>
#include <optional>

namespace amplora::api {
class InputProfileService;
class ReceiverControl;
class SceneService;
} // namespace amplora::api

namespace amplora::app {

class InputProfileApplier;

// The parts the application's store runs on for these launch options: the receiver's client (or the mock
// receiver with "--mock"), discovery on the network (or the sample list in the mock mode and under tests; none
// with "--mock-discovery-empty") and the Spotify opener (a dry run under tests and "--dry-run-open").
ReceiverStoreParts defaultStoreParts(const LaunchOptions &launch, bool emptyMockDiscovery);

// The one control over `store` and the one scene service that every door (the API, the session-bus actions,
// the windows) shares, so each applies the same rules. The scenes live in the file at its default place
// ("scenes-mock.json" with "--mock"). Fails when that place cannot be set up. `store` must outlive both.
// The input profiles live beside the scenes ("input-profiles.json", "input-profiles-mock.json"), and their
// applier follows the store from the start.
struct ControlParts {
    std::shared_ptr<api::ReceiverControl> control;
    std::shared_ptr<api::SceneService> scenes;
    std::shared_ptr<api::InputProfileService> profiles;
    std::shared_ptr<InputProfileApplier> profileApplier;
};
// The dialogue level's range check for the input profiles, from the features `store` holds.
std::function<std::optional<api::ControlError>(api::Zone, int)> dialogueCheck(ReceiverStore &store);

Result<ControlParts, api::SceneStoreError> defaultControlParts(ReceiverStore &store, const LaunchOptions &launch);

} // namespace amplora::app
