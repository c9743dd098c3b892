#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace amplora {

// Transport controls of the network/USB source.
enum class PlaybackAction { play, pause, stop, previous, next };

// The wire value: "play", "pause", "stop", "previous" or "next".
QString rawValue(PlaybackAction action);
std::optional<PlaybackAction> playbackActionFromRawValue(QStringView raw);

} // namespace amplora
