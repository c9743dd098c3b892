#include "core/protocol/VolumeScale.h"

#include "core/protocol/Features.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace amplora {

namespace {

// Truncation toward zero, kept inside the range of int (a hostile range must not overflow the conversion).
int truncatedStep(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(std::trunc(value), lowest, highest));
}

} // namespace

std::optional<VolumeScale> VolumeScale::from(const ZoneFeatures &zone)
{
    const RangeStep *decibels = zone.range(QStringLiteral("actual_volume_db"));
    if (!decibels) {
        return std::nullopt;
    }
    // Written as negations so that NaN and infinite ranges give no scale either.
    if (!(decibels->step > 0) || !(decibels->max > decibels->min) || !std::isfinite(decibels->max - decibels->min)
        || !std::isfinite(decibels->step)) {
        return std::nullopt;
    }
    VolumeScale scale;
    scale.minDB = decibels->min;
    scale.maxDB = decibels->max;
    scale.stepDB = decibels->step;
    if (const RangeStep *raw = zone.range(QStringLiteral("volume"))) {
        scale.rawMin = truncatedStep(raw->min);
        scale.rawMax = truncatedStep(raw->max);
    }
    return scale;
}

double VolumeScale::dB(int raw) const
{
    return minDB + raw * stepDB;
}

int VolumeScale::raw(double dB) const
{
    const double steps = roundHalfAwayFromZero((dB - minDB) / stepDB);
    // Clamped as a double first so that a far-off value cannot overflow the conversion; a receiver whose raw range
    // is reversed gets rawMin, as max(rawMin, min(rawMax, x)) would give.
    const double clamped = std::max<double>(rawMin, std::min<double>(rawMax, std::isnan(steps) ? rawMin : steps));
    return static_cast<int>(clamped);
}

double VolumeScale::snap(double dB) const
{
    const double snapped = roundHalfAwayFromZero((dB - minDB) / stepDB) * stepDB + minDB;
    const double limited = std::min(snapped, maxDB);
    return limited < minDB ? minDB : limited;
}

double VolumeScale::ceiling(double capDB) const
{
    const double value = std::floor((std::min(maxDB, capDB) - minDB) / stepDB + 0.000000001) * stepDB + minDB;
    return value < minDB ? minDB : value;
}

double VolumeScale::limit(double dB, double capDB) const
{
    return std::min(snap(dB), ceiling(capDB));
}

} // namespace amplora
