#include "app/startup/StoreParts.h"

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

} // namespace amplora::app
