#pragma once

#include <optional>

namespace amplora {

struct ZoneFeatures;

// How the receiver's levels read in decibels, for every door that shows or takes one: the window's knobs, the API,
// D-Bus and scenes. Bass, treble and subwoofer trim travel as whole half-decibel steps; the volume has its own
// scale (VolumeScale).
namespace Levels {

// The quietest volume any zone takes, in dB, for a zone that has not told its own scale yet.
inline constexpr double lowestVolumeDb = -80.5;
// The loudest, on the same terms.
inline constexpr double highestVolumeDb = 16.5;

// One raw tone or subwoofer step.
inline constexpr double levelStepDb = 0.5;

struct DecibelRange {
    double min = 0;
    double max = 0;
    double step = levelStepDb;

    bool contains(double dB) const { return dB >= min && dB <= max; }
    friend bool operator==(const DecibelRange &, const DecibelRange &) = default;
};

// The decibels a raw tone or subwoofer level stands for.
constexpr double levelDb(int raw)
{
    return raw * levelStepDb;
}
// The raw level nearest to `dB` (half a step rounds away from zero).
int rawLevel(double dB);

// The range in dB the zone announces for bass and treble ("tone_control") or for the subwoofer trim
// ("subwoofer_volume"); the common ±6 dB when the zone announces none it could be swept over.
DecibelRange toneRangeDb(const ZoneFeatures *zone);
DecibelRange subwooferRangeDb(const ZoneFeatures *zone);

} // namespace Levels

} // namespace amplora
