#include "app/startup/StoreParts.h"

#include "api/scenes/FileInputProfileStore.h"
#include "api/scenes/FileSceneStore.h"
#include "api/scenes/InputProfileService.h"
#include "api/scenes/SceneService.h"
#include "app/controller/InputProfileApplier.h"
#include "app/controller/ReceiverControlAdapter.h"
#include "core/capabilities/Switches.h"

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

api::InputProfileService::DialogueCheck dialogueCheck(ReceiverStore &store)
{
    QPointer<ReceiverStore> watched(&store);
    return [watched](api::Zone zone, int level) -> std::optional<api::ControlError> {
        const std::optional<Features> *features = watched ? &watched->state().features() : nullptr;
        const Zone coreZone = ReceiverControlAdapter::coreZone(zone);
        const ZoneFeatures *zoneFeatures = features && *features ? (*features)->zoneFeatures(coreZone) : nullptr;
        const Refusable<YXCCommand> command = Dialogue::command(coreZone, zoneFeatures, level);
        if (!command) {
            return ReceiverControlAdapter::controlError(command.error());
        }
        return std::nullopt;
    };
}

Result<ControlParts, api::SceneStoreError> defaultControlParts(ReceiverStore &store, const LaunchOptions &launch)
{
    auto scenesPath = api::FileSceneStore::defaultFilePath(
        launch.mock ? QStringLiteral("scenes-mock.json") : QStringLiteral("scenes.json"));
    if (!scenesPath) {
        return Failure { scenesPath.error() };
    }
    auto profilesPath = api::FileSceneStore::defaultFilePath(
        launch.mock ? QStringLiteral("input-profiles-mock.json") : QStringLiteral("input-profiles.json"));
    if (!profilesPath) {
        return Failure { profilesPath.error() };
    }
    ControlParts parts;
    const auto adapter = std::make_shared<ReceiverControlAdapter>(store);
    parts.control = adapter;
    // The same default limits the API server checks its control endpoints by.
    parts.scenes = std::make_shared<api::SceneService>(
        parts.control, std::make_shared<api::FileSceneStore>(scenesPath.value()), api::ReceiverAPIConfiguration {});
    parts.profiles = std::make_shared<api::InputProfileService>(parts.control,
        std::make_shared<api::FileInputProfileStore>(profilesPath.value()), api::ReceiverAPIConfiguration {},
        dialogueCheck(store));
    parts.profileApplier = std::make_shared<InputProfileApplier>(store, adapter, parts.profiles);
    return parts;
}

} // namespace amplora::app
