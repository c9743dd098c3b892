#pragma once

#include "core/capabilities/Capability.h"
#include "core/protocol/PlayInfo.h"
#include "core/protocol/PlaybackAction.h"
#include "core/protocol/YXCCommand.h"

#include <optional>

namespace amplora {

// What the network/USB player is doing, and what a play/pause button asks of it.
namespace Playback {

// Playing, fast-forwarding or fast-reversing: the player is moving through the track, so a play/pause button
// pauses it.
bool isPlaying(const std::optional<PlayInfo> &info);
bool isStopped(const PlayInfo &info);
// The playback word a player shows once playing or paused.
QString word(bool playing);
// What a play/pause button asks: pause while playing, else play.
PlaybackAction toggled(const std::optional<PlayInfo> &info);

} // namespace Playback

// Repeat and shuffle: only the modes what is playing offers now ("[]" or none: it offers neither).
namespace PlayerModes {

// `which` is Capability::repeat or Capability::shuffle.
QStringList offered(Capability which, const std::optional<PlayInfo> &info);
// The setting after the current one in the offered order; a mode the list does not hold (or none reported)
// starts from the first. None while nothing is offered.
std::optional<QString> next(Capability which, const std::optional<PlayInfo> &info);
Refusable<YXCCommand> command(Capability which, Zone zone, const std::optional<PlayInfo> &info, const QString &mode);

} // namespace PlayerModes

} // namespace amplora
