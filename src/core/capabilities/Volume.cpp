#include "core/capabilities/Volume.h"

#include "core/capabilities/Capability.h"
#include "core/protocol/Features.h"

namespace amplora::Volume {

std::optional<double> db(const ZoneStatus &status, const std::optional<VolumeScale> &scale)
{
    if (status.actualVolume && status.actualVolume->mode == QStringLiteral("db")) {
        if (const std::optional<double> &value = status.actualVolume->value) {
            return value;
        }
    }
    if (status.volume && scale) {
        return scale->dB(*status.volume);
    }
    return std::nullopt;
}

void setRaw(ZoneStatus &status, int raw, const std::optional<VolumeScale> &scale)
{
    status.volume = raw;
    if (scale) {
        status.actualVolume = ActualVolume { QStringLiteral("db"), scale->dB(raw), QStringLiteral("dB") };
    }
}

bool takesDecibels(const ZoneFeatures *zone)
{
    return announces(zone, QStringLiteral("actual_volume"));
}

std::optional<YXCCommand> command(Zone zone, bool decibels, const std::optional<VolumeScale> &scale, double dB)
{
    if (decibels) {
        return YXCCommand::setActualVolume(zone, dB);
    }
    if (scale) {
        return YXCCommand::setVolume(zone, scale->raw(dB));
    }
    return std::nullopt;
}

double stepped(double currentDb, const std::optional<VolumeScale> &scale, Step direction)
{
    const double step = scale ? scale->stepDB : 0.5;
    return currentDb + (direction == Step::up ? step : -step);
}

Levels::DecibelRange bounds(const std::optional<VolumeScale> &scale)
{
    if (scale) {
        return { scale->minDB, scale->maxDB, scale->stepDB };
    }
    return { Levels::lowestVolumeDb, Levels::highestVolumeDb, 0.5 };
}

} // namespace amplora::Volume
