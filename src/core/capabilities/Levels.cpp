#include "core/capabilities/Levels.h"

#include "core/protocol/Features.h"
#include "core/protocol/VolumeScale.h"

#include <QString>

namespace amplora::Levels {

namespace {

constexpr double maxRawLevel = 1000;
constexpr DecibelRange commonLevelRange { -6.0, 6.0, levelStepDb };

DecibelRange announcedRange(const ZoneFeatures *zone, const QString &id)
{
    const RangeStep *range = zone ? zone->range(id) : nullptr;
    // A range a knob cannot sweep (empty, reversed, without a whole step, not in whole steps or beyond any
    // receiver's) tells nothing.
    const auto whole = [](double value) {
        return value >= -maxRawLevel && value <= maxRawLevel && value == static_cast<int>(value);
    };
    if (!range || !(range->max > range->min) || !whole(range->min) || !whole(range->max) || !whole(range->step)
        || range->step < 1) {
        return commonLevelRange;
    }
    return { levelDb(static_cast<int>(range->min)), levelDb(static_cast<int>(range->max)),
        levelDb(static_cast<int>(range->step)) };
}

} // namespace

int rawLevel(double dB)
{
    return static_cast<int>(roundHalfAwayFromZero(dB / levelStepDb));
}

DecibelRange toneRangeDb(const ZoneFeatures *zone)
{
    return announcedRange(zone, QStringLiteral("tone_control"));
}

DecibelRange subwooferRangeDb(const ZoneFeatures *zone)
{
    return announcedRange(zone, QStringLiteral("subwoofer_volume"));
}

} // namespace amplora::Levels
