#pragma once

#include "core/handoff/SpotifyTarget.h"

#include <QStringList>
#include <QUrl>

#include <optional>

namespace amplora {

// How a hand-off finds and opens Spotify. The workspace opener really opens things; the dry-run opener only
// logs what it would open, so tests and "--dry-run-open" never start anything.
class SpotifyOpening {
public:
    virtual ~SpotifyOpening() = default;

    // The desktop entry of the first installed application among these desktop-file ids, as a file URL.
    virtual std::optional<QUrl> applicationURL(const QStringList &desktopFileIds) const = 0;

    // Opening failures are logged, not reported: the hand-off counts as done once it has asked.
    virtual void open(const SpotifyTarget &target) = 0;
};

} // namespace amplora
