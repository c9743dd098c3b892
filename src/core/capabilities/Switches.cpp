#include "core/capabilities/Switches.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace amplora {

namespace Switch {

namespace {

QString function(Capability which)
{
    switch (which) {
    case Capability::extraBass:
        return QStringLiteral("extra_bass");
    case Capability::surroundAi:
        return QStringLiteral("surround_ai");
    case Capability::enhancer:
        return QStringLiteral("enhancer");
    default:
        return QString();
    }
}

} // namespace

bool supported(Capability which, const ZoneFeatures *zone)
{
    const QString name = function(which);
    return !name.isEmpty() && announces(zone, name);
}

std::optional<bool> state(Capability which, const ZoneStatus &status)
{
    switch (which) {
    case Capability::extraBass:
        return status.extraBass;
    case Capability::surroundAi:
        return status.surroundAi;
    case Capability::enhancer:
        return status.enhancer;
    default:
        return std::nullopt;
    }
}

YXCCommand command(Capability which, Zone zone, bool enable)
{
    switch (which) {
    case Capability::surroundAi:
        return YXCCommand::setSurroundAI(zone, enable);
    case Capability::enhancer:
        return YXCCommand::setEnhancer(zone, enable);
    default:
        return YXCCommand::setExtraBass(zone, enable);
    }
}

Refusable<YXCCommand> checkedCommand(Capability which, Zone zone, const ZoneFeatures *features, bool enable)
{
    if (!supported(which, features)) {
        return Failure { Refusal::notSupported(zone, which) };
    }
    return command(which, zone, enable);
}

} // namespace Switch

namespace Direct {

namespace {

bool pure(const ZoneFeatures *zone)
{
    return announces(zone, QStringLiteral("pure_direct"));
}

} // namespace

bool supported(const ZoneFeatures *zone)
{
    return pure(zone) || announces(zone, QStringLiteral("direct"));
}

std::optional<bool> state(const ZoneStatus &status, const ZoneFeatures *zone)
{
    if (!supported(zone)) {
        return std::nullopt;
    }
    return pure(zone) ? status.pureDirect : status.direct;
}

Refusable<YXCCommand> command(Zone zone, const ZoneFeatures *features, bool enable)
{
    if (!supported(features)) {
        return Failure { Refusal::notSupported(zone, Capability::direct) };
    }
    return pure(features) ? YXCCommand::setPureDirect(zone, enable) : YXCCommand::setDirect(zone, enable);
}

} // namespace Direct

namespace Dialogue {

std::optional<RangeStep> range(const ZoneFeatures *zone)
{
    const QString dialogue = QStringLiteral("dialogue_level");
    const RangeStep *range = announces(zone, dialogue) ? zone->range(dialogue) : nullptr;
    // A range a control cannot sweep (empty, reversed, without a step) is no range.
    if (!range || !(range->max > range->min) || !(range->step > 0)) {
        return std::nullopt;
    }
    return *range;
}

Refusable<YXCCommand> command(Zone zone, const ZoneFeatures *features, int level)
{
    const std::optional<RangeStep> levels = range(features);
    if (!levels) {
        return Failure { Refusal::notSupported(zone, Capability::dialogue) };
    }
    if (level < levels->min || level > levels->max) {
        return Failure { Refusal::dialogueOutOfRange(
            zone, level, static_cast<int>(std::ceil(levels->min)), static_cast<int>(std::floor(levels->max))) };
    }
    return YXCCommand::setDialogueLevel(zone, level);
}

} // namespace Dialogue

namespace Sleep {

bool supported(const ZoneFeatures *zone)
{
    return announces(zone, QStringLiteral("sleep"));
}

int minutes(int requested)
{
    for (const int step : steps) {
        if (requested <= step) {
            return step;
        }
    }
    return std::end(steps)[-1];
}

int next(int minutes)
{
    // A timer counting down (45 left of 60) moves on to the next setting above what is left.
    for (const int step : steps) {
        if (step > std::max(minutes, 0)) {
            return step;
        }
    }
    return steps[0];
}

Refusable<YXCCommand> command(Zone zone, const ZoneFeatures *features, int requested)
{
    if (!supported(features)) {
        return Failure { Refusal::notSupported(zone, Capability::sleep) };
    }
    return YXCCommand::setSleep(zone, minutes(requested));
}

} // namespace Sleep

} // namespace amplora
