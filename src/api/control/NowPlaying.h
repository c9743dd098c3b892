#pragma once

#include <QString>

#include <optional>

namespace amplora::api {

// What the receiver's player reports; every field may be missing. A zone listening to the tuner has the tuner's
// fields instead of the player's: the band ("fm", "am", "dab"), the frequency as it reads ("98.10 MHz",
// "531 kHz"; a DAB station not yet tuned has none), the station's name and its running text, when it sends them.
struct NowPlaying {
    std::optional<QString> playback; // the receiver's own playback state word
    std::optional<QString> artist;
    std::optional<QString> album;
    std::optional<QString> track;
    std::optional<QString> band;
    std::optional<QString> frequency;
    std::optional<QString> station;
    std::optional<QString> text;

    friend bool operator==(const NowPlaying &, const NowPlaying &) = default;
};

} // namespace amplora::api
