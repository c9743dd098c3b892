#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace amplora {

// Answer of "netusb/getPlayInfo": what the network/USB source is playing. Every field is optional.
struct PlayInfo {
    std::optional<int> responseCode;
    std::optional<QString> input;
    std::optional<QString> playback; // "play", "pause", "stop", ...
    std::optional<int> playTime; // seconds
    std::optional<int> totalTime; // seconds
    std::optional<QString> artist;
    std::optional<QString> album;
    std::optional<QString> track;
    std::optional<QString> albumartUrl; // a path on the receiver or a full URL
    std::optional<int> albumartId;
    std::optional<QString> repeat; // "off", "one", "all"
    std::optional<QString> shuffle; // "off", "on", "songs", "albums"
    // The modes the current source offers; absent or empty when it offers none.
    std::optional<QStringList> repeatAvailable;
    std::optional<QStringList> shuffleAvailable;

    // Whether there is anything to show: a track title, or failing that an artist.
    bool hasMetadata() const;

    friend bool operator==(const PlayInfo &, const PlayInfo &) = default;
};

} // namespace amplora
