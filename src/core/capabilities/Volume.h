#pragma once

#include "core/capabilities/Levels.h"
#include "core/protocol/VolumeScale.h"
#include "core/protocol/YXCCommand.h"
#include "core/protocol/Zone.h"
#include "core/protocol/ZoneStatus.h"

#include <optional>

namespace amplora {

struct ZoneFeatures;

// A zone's volume: its scale, the command a volume in dB becomes, one step of it, and the bounds every door
// checks a requested volume against.
namespace Volume {

enum class Step { up, down };

// The zone's volume in dB as the receiver reports it: its own decibel value when it gives one, else the raw steps
// on the zone's scale; none when neither is known.
std::optional<double> db(const ZoneStatus &status, const std::optional<VolumeScale> &scale);

// Sets the raw volume, and the decibels it stands for when the zone's scale is known (push events carry only the
// raw steps).
void setRaw(ZoneStatus &status, int raw, const std::optional<VolumeScale> &scale);

// Whether the zone takes its volume in decibels ("setActualVolume") rather than in raw steps.
bool takesDecibels(const ZoneFeatures *zone);

// The command that sets the zone's volume to `dB`: in decibels when the zone takes them, else the raw step on its
// scale; none when the zone takes neither.
std::optional<YXCCommand> command(Zone zone, bool decibels, const std::optional<VolumeScale> &scale, double dB);

// One step of the zone's own scale up or down from `currentDb`; half a decibel when the zone gives no scale.
double stepped(double currentDb, const std::optional<VolumeScale> &scale, Step direction);

// The quietest and loudest volume the zone takes, in dB: its scale's, or the common ones before it told its own.
Levels::DecibelRange bounds(const std::optional<VolumeScale> &scale);

} // namespace Volume

} // namespace amplora
