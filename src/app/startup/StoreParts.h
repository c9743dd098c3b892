#pragma once

#include "api/scenes/SceneStoreError.h"
#include "base/Result.h"
#include "core/store/LaunchOptions.h"
#include "core/store/ReceiverStore.h"

#include <memory>

namespace amplora::api {
class ReceiverControl;
class SceneService;
} // namespace amplora::api

namespace amplora::app {

// The parts the application's store runs on for these launch options: the receiver's client (or the mock
// receiver with "--mock"), discovery on the network (or the sample list in the mock mode and under tests; none
// with "--mock-discovery-empty") and the Spotify opener (a dry run under tests and "--dry-run-open").
ReceiverStoreParts defaultStoreParts(const LaunchOptions &launch, bool emptyMockDiscovery);

// The one control over `store` and the one scene service that every door (the API, the session-bus actions,
// the windows) shares, so each applies the same rules. The scenes live in the file at its default place
// ("scenes-mock.json" with "--mock"). Fails when that place cannot be set up. `store` must outlive both.
struct ControlParts {
    std::shared_ptr<api::ReceiverControl> control;
    std::shared_ptr<api::SceneService> scenes;
};
Result<ControlParts, api::SceneStoreError> defaultControlParts(ReceiverStore &store, const LaunchOptions &launch);

} // namespace amplora::app
