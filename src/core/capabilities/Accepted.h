#pragma once

#include "core/protocol/PlayInfo.h"
#include "core/protocol/VolumeScale.h"
#include "core/protocol/YXCCommand.h"
#include "core/protocol/Zone.h"
#include "core/protocol/ZoneStatus.h"

#include <optional>

namespace amplora {

// What a change does to the stored state, as far as the command alone tells: shown at once when a control is
// used (the window) and when the receiver accepts a command (every other door), until a read says otherwise.
namespace Accepted {

// The zone's status after `command` (a change of that zone); false when it tells nothing (a scene or favourite
// recalled, a power toggle, another zone).
bool apply(ZoneStatus &status, Zone zone, const YXCCommand &command, const std::optional<VolumeScale> &scale);
// The same for what is playing: playback, repeat and shuffle.
bool apply(PlayInfo &info, const YXCCommand &command);

} // namespace Accepted

} // namespace amplora
