#pragma once

#include "core/capabilities/Levels.h"
#include "core/protocol/VolumeScale.h"
#include "core/protocol/YXCCommand.h"
#include "core/protocol/Zone.h"
#include "core/protocol/ZoneStatus.h"

#include <chrono>
#include <optional>
#include <vector>

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

// A fade's commands go out at most this often, so the receiver keeps up and other clients still get a word in.
inline constexpr std::chrono::milliseconds rampSpacing { 250 };

// One command of a fade: the volume it sets and when, counted from the fade's start.
struct RampStep {
    double db = 0;
    std::chrono::milliseconds at { 0 };
    friend bool operator==(const RampStep &, const RampStep &) = default;
};

// The commands that fade the zone's volume from `currentDb` to `targetDb` over `duration`: evenly spaced steps
// of the zone's own step (half a decibel without a scale), or of a whole multiple of it where the distance holds
// more steps than the duration allows at one command per rampSpacing. The first step goes out at once, the last,
// exactly the target, when the duration has passed. No step is above the cap: a fade towards a target above it
// ends at it, and one from above it goes below it at once. A target the zone already has gives one command, so
// asking still reaches the receiver.
std::vector<RampStep> ramp(double currentDb, double targetDb, const std::optional<VolumeScale> &scale,
    std::chrono::milliseconds duration, double capDb);

} // namespace Volume

} // namespace amplora
