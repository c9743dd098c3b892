#pragma once

#include <QString>

#include <optional>

namespace amplora::api {

// What the receiver's player reports; every field may be missing.
struct NowPlaying {
    std::optional<QString> playback; // the receiver's own playback state word
    std::optional<QString> artist;
    std::optional<QString> album;
    std::optional<QString> track;

    friend bool operator==(const NowPlaying &, const NowPlaying &) = default;
};

} // namespace amplora::api
