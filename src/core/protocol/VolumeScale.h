#pragma once

#include <cstdint>
#include <optional>

namespace amplora {

struct ZoneFeatures;

// Rounds half away from zero and keeps the sign of a zero result (-0.4 gives -0.0), as the receiver's "%.1f"
// values need. Values too large to have a fractional part are returned unchanged.
constexpr double roundHalfAwayFromZero(double x)
{
    if (!(x > -4.0e15 && x < 4.0e15)) {
        return x; // NaN, infinities and values without a fractional part
    }
    const auto whole = static_cast<std::int64_t>(x);
    const double fraction = x - static_cast<double>(whole);
    std::int64_t rounded = whole;
    if (fraction >= 0.5) {
        ++rounded;
    } else if (fraction <= -0.5) {
        --rounded;
    }
    if (rounded == 0 && x < 0) {
        return -0.0;
    }
    return static_cast<double>(rounded);
}

// Snaps decibels to the nearest 0.5 dB, half away from zero.
constexpr double snapToHalfDecibel(double dB)
{
    return roundHalfAwayFromZero(dB * 2) / 2;
}

static_assert(snapToHalfDecibel(-35.26) == -35.5);
static_assert(snapToHalfDecibel(-35.24) == -35.0);
static_assert(snapToHalfDecibel(-35.25) == -35.5);
static_assert(snapToHalfDecibel(35.25) == 35.5);

// The mapping of one zone between raw volume steps and decibels, with the snapping and capping rules every volume
// change passes through. Raw step 0 is minDB; each step is stepDB.
struct VolumeScale {
    double minDB = 0;
    double maxDB = 0;
    double stepDB = 0;
    int rawMin = 0;
    int rawMax = 0;

    // From the zone's "actual_volume_db" range (and "volume", when present); none when the range is missing or
    // unusable.
    static std::optional<VolumeScale> from(const ZoneFeatures &zone);

    double dB(int raw) const;
    // The nearest raw step, within rawMin..rawMax.
    int raw(double dB) const;
    // The nearest scale value, within minDB..maxDB.
    double snap(double dB) const;
    // The highest scale value not above the cap.
    double ceiling(double capDB) const;
    // A desired value limited under a cap.
    double limit(double dB, double capDB) const;

    friend bool operator==(const VolumeScale &, const VolumeScale &) = default;
};

} // namespace amplora
