#pragma once

#include "core/capabilities/Capability.h"
#include "core/protocol/Features.h"
#include "core/protocol/YXCCommand.h"
#include "core/protocol/ZoneStatus.h"

#include <optional>

namespace amplora {

// The zone's on/off switches: each there only where the zone announces it, read from its field of the status.
namespace Switch {

// Extra bass, surround AI and the enhancer; direct has its own rule below.
bool supported(Capability which, const ZoneFeatures *zone);
std::optional<bool> state(Capability which, const ZoneStatus &status);
YXCCommand command(Capability which, Zone zone, bool enable);
Refusable<YXCCommand> checkedCommand(Capability which, Zone zone, const ZoneFeatures *features, bool enable);

} // namespace Switch

// Direct and pure direct are one switch: whichever the zone announces (pure direct first).
namespace Direct {

bool supported(const ZoneFeatures *zone);
// The switch's state, read from the field the zone announces; none when it announces neither or the status does
// not say.
std::optional<bool> state(const ZoneStatus &status, const ZoneFeatures *zone);
Refusable<YXCCommand> command(Zone zone, const ZoneFeatures *features, bool enable);

} // namespace Direct

namespace Dialogue {

// The dialogue level's range when the zone announces the level with a range a control can sweep; none otherwise.
std::optional<RangeStep> range(const ZoneFeatures *zone);
// Refused where the zone has no dialogue level or `level` lies outside its range.
Refusable<YXCCommand> command(Zone zone, const ZoneFeatures *features, int level);

} // namespace Dialogue

namespace Sleep {

// The sleep timer's settings, in minutes; 0 is off.
inline constexpr int steps[] = { 0, 30, 60, 90, 120 };

bool supported(const ZoneFeatures *zone);
// The setting a request for `minutes` gets: the next one up (nothing is cut short), 120 at most, 0 below 1.
int minutes(int requested);
// The setting after `minutes` when a button cycles through them: Off, 30, 60, 90, 120, Off.
int next(int minutes);
// The command for the setting `requested` rounds to; refused where the zone has no sleep timer.
Refusable<YXCCommand> command(Zone zone, const ZoneFeatures *features, int requested);

} // namespace Sleep

} // namespace amplora
