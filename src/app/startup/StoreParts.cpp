#include "app/startup/StoreParts.h"

#include "api/scenes/FileSceneStore.h"
#include "api/scenes/SceneService.h"
#include "app/controller/ReceiverControlAdapter.h"

#include "core/discovery/MockDiscovery.h"
#include "core/discovery/ReceiverDiscovery.h"
#include "core/handoff/DryRunSpotifyOpener.h"
#include "core/handoff/WorkspaceSpotifyOpener.h"
#include "core/store/MockTransport.h"

namespace amplora::app {

ReceiverStoreParts defaultStoreParts(const LaunchOptions &launch, bool emptyMockDiscovery)
{
    ReceiverStoreParts parts;
    parts.transportFactory = [launch](const QString &host) { return makeReceiverTransport(launch, host); };
    if (launch.mock || launch.isRunningTests) {
        parts.discovery = emptyMockDiscovery ? std::make_unique<MockDiscovery>(QList<DiscoveredReceiver> {})
                                             : std::make_unique<MockDiscovery>();
    } else {
        parts.discovery = std::make_unique<ReceiverDiscovery>();
    }
    if (launch.dryRunOpen || launch.isRunningTests) {
        parts.spotifyOpener = std::make_unique<DryRunSpotifyOpener>();
    } else {
        parts.spotifyOpener = std::make_unique<WorkspaceSpotifyOpener>();
    }
    return parts;
}

Result<ControlParts, api::SceneStoreError> defaultControlParts(ReceiverStore &store, const LaunchOptions &launch)
{
    auto scenesPath = api::FileSceneStore::defaultFilePath(
        launch.mock ? QStringLiteral("scenes-mock.json") : QStringLiteral("scenes.json"));
    if (!scenesPath) {
        return Failure { scenesPath.error() };
    }
    ControlParts parts;
    parts.control = std::make_shared<ReceiverControlAdapter>(store);
    // The same default limits the API server checks its control endpoints by.
    parts.scenes = std::make_shared<api::SceneService>(
        parts.control, std::make_shared<api::FileSceneStore>(scenesPath.value()), api::ReceiverAPIConfiguration {});
    return parts;
}

} // namespace amplora::app
