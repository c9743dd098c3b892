#pragma once

#include "base/Clock.h"
#include "core/handoff/SpotifyOpening.h"
#include "core/handoff/SpotifyTarget.h"

#include <chrono>
#include <memory>
#include <optional>

namespace amplora {

// Opens Spotify (the desktop application when installed, else the web player) when the user picks the Spotify
// input. Clicks and events that follow within three seconds of a real opening open nothing more.
class SpotifyHandoff {
public:
    using Target = SpotifyTarget;

    static constexpr std::chrono::milliseconds minimumInterval { 3000 };

    // The desktop-file ids under which Spotify's client is installed: the distribution package, Flathub and Snap.
    static const QStringList &desktopFileIds();
    static const QUrl &webPlayerURL();

    // `clock` must outlive the hand-off.
    explicit SpotifyHandoff(std::unique_ptr<SpotifyOpening> opener, const Clock &clock = Clock::system());

    Target target() const;

    // The target that was opened, or nothing when the call fell within the interval of the last opening.
    std::optional<Target> open();

    SpotifyOpening &opener() const { return *m_opener; }

private:
    std::unique_ptr<SpotifyOpening> m_opener;
    const Clock &m_clock;
    std::optional<Clock::TimePoint> m_lastOpened;
};

} // namespace amplora
