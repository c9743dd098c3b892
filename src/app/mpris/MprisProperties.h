#pragma once

#include "base/Clock.h"
#include "core/capabilities/Tuner.h"
#include "core/protocol/VolumeScale.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>

namespace amplora {
class ReceiverStore;
struct PlayInfo;
} // namespace amplora

namespace amplora::app {

// A zone's volume on the media-player scale: 0 is the zone's lowest step, 1 the highest step the user's volume cap
// allows, so a desktop slider at its end never goes past the cap.
struct MprisVolume {
    VolumeScale scale;
    double capDB = 0;

    // The highest step not above the cap: where the slider ends.
    double topDB() const { return scale.ceiling(capDB); }
    // Between 0 and 1; a volume above the cap (set on the receiver itself) shows as 1.
    double fraction(double dB) const;
    // The decibels a slider position asks for, not yet snapped to the zone's steps; below 0 counts as 0 and above
    // 1 as 1.
    double decibels(double fraction) const;
};

// What the media-player interface shows of the store: the selected zone and the network player behind its input.
struct MprisProperties {
    using ArtURL = std::function<QString()>;

    // The current input hands transport commands to the network player, the same test that decides whether the
    // store polls the play information.
    static bool takesTransport(const ReceiverStore &store);
    // "Playing", "Paused" or "Stopped"; "Stopped" whenever the zone is off or its input has no player.
    static QString playbackStatus(const ReceiverStore &store);
    // The track the zone plays, in the interface's keys; empty when nothing is known. `artUrl` gives the cover's
    // file URL (empty when there is none); it is asked only when there is a track to show.
    static QVariantMap metadata(const ReceiverStore &store, const ArtURL &artUrl);
    // The same for a zone listening to the tuner: the station (or its frequency) as the title, the band and
    // frequency as the album, the station's running text as the artist and comment.
    static QVariantMap tunerMetadata(const Tuner::Reading &reading);
    // A path that stays the same while the same track plays and changes with the track.
    static QString trackId(const PlayInfo &info);
    // None when the zone reports no decibel range.
    static std::optional<MprisVolume> volume(const ReceiverStore &store);
    static double volumeFraction(const ReceiverStore &store);
    // Microseconds into the track at `now`, 0 when unknown.
    static qint64 position(const ReceiverStore &store, Clock::TimePoint now);
    // Every property of the player interface except Position, which clients read when they need it.
    static QVariantMap player(const ReceiverStore &store, const ArtURL &artUrl);
};

} // namespace amplora::app
