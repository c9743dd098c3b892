#pragma once

#include "core/handoff/WorkspaceSpotifyOpener.h"

namespace amplora {

// Looks Spotify up like the workspace opener but only logs what it would open.
class DryRunSpotifyOpener : public WorkspaceSpotifyOpener {
public:
    using WorkspaceSpotifyOpener::WorkspaceSpotifyOpener;

    void open(const SpotifyTarget &target) override;
};

} // namespace amplora
