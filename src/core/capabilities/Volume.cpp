#include "core/capabilities/Volume.h"

#include "core/capabilities/Capability.h"
#include "core/protocol/Features.h"

#include <algorithm>
#include <cmath>

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

std::vector<RampStep> ramp(double currentDb, double targetDb, const std::optional<VolumeScale> &scale,
    std::chrono::milliseconds duration, double capDb)
{
    const double unit = scale && scale->stepDB > 0 ? scale->stepDB : 0.5;
    const double ceiling = scale ? scale->ceiling(capDb) : capDb;
    const double target = std::min(targetDb, ceiling);
    const double start = std::min(currentDb, ceiling);
    // The receiver reports volumes on its own grid; the tolerance only absorbs the decimal's binary error.
    const auto units = static_cast<long long>(std::ceil(std::abs(target - start) / unit - 1e-6));
    if (units <= 0 || duration.count() <= 0) {
        return { { target, std::chrono::milliseconds(0) } };
    }
    const long long commands = duration / rampSpacing + 1;
    const long long multiple = (units + commands - 1) / commands;
    const long long count = (units + multiple - 1) / multiple;
    const double direction = target > start ? 1.0 : -1.0;
    std::vector<RampStep> steps;
    steps.reserve(std::size_t(count));
    for (long long i = 1; i <= count; ++i) {
        double db = i == count ? target : start + direction * double(i * multiple) * unit;
        if (scale && i != count) {
            db = scale->snap(db);
        }
        const std::chrono::milliseconds at = count == 1
            ? std::chrono::milliseconds(0)
            : std::chrono::milliseconds(duration.count() * (i - 1) / (count - 1));
        steps.push_back({ db, at });
    }
    return steps;
}

} // namespace amplora::Volume
