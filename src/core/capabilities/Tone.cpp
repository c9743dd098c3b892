#include "core/capabilities/Tone.h"

#include "core/protocol/Features.h"

#include <cmath>

namespace amplora {

namespace {

std::optional<double> levelDb(const std::optional<int> &raw)
{
    return raw ? std::optional(Levels::levelDb(*raw)) : std::nullopt;
}

std::optional<int> rawOf(std::optional<double> dB)
{
    return dB ? std::optional(Levels::rawLevel(*dB)) : std::nullopt;
}

// NaN is inside no range, so it is refused like any value outside.
bool within(const Levels::DecibelRange &range, double dB)
{
    return range.contains(dB);
}

} // namespace

namespace Tone {

bool supported(const ZoneFeatures *zone)
{
    return announces(zone, QStringLiteral("tone_control"));
}

Levels::DecibelRange rangeDb(const ZoneFeatures *zone)
{
    return Levels::toneRangeDb(zone);
}

std::optional<double> bassDb(const ZoneStatus &status)
{
    return status.toneControl ? levelDb(status.toneControl->bass) : std::nullopt;
}

std::optional<double> trebleDb(const ZoneStatus &status)
{
    return status.toneControl ? levelDb(status.toneControl->treble) : std::nullopt;
}

std::optional<QString> manualMode(const ZoneFeatures *zone)
{
    QString manual = QStringLiteral("manual");
    if (zone && zone->toneControlModeList && zone->toneControlModeList->contains(manual)) {
        return manual;
    }
    return std::nullopt;
}

std::optional<Refusal> refusal(Zone zone, const ZoneFeatures *features, const QString &what, double dB)
{
    if (!supported(features)) {
        return Refusal::notSupported(zone, Capability::tone);
    }
    const Levels::DecibelRange range = rangeDb(features);
    if (!within(range, dB)) {
        return Refusal::levelOutOfRange(zone, what, dB, range);
    }
    return std::nullopt;
}

YXCCommand command(
    Zone zone, const std::optional<QString> &mode, std::optional<double> bassDb, std::optional<double> trebleDb)
{
    return YXCCommand::setToneControl(zone, mode, rawOf(bassDb), rawOf(trebleDb));
}

Refusable<YXCCommand> checkedCommand(
    Zone zone, const ZoneFeatures *features, std::optional<double> bassDb, std::optional<double> trebleDb)
{
    if (!supported(features)) {
        return Failure { Refusal::notSupported(zone, Capability::tone) };
    }
    if (bassDb) {
        if (auto refused = refusal(zone, features, QStringLiteral("Bass"), *bassDb)) {
            return Failure { *refused };
        }
    }
    if (trebleDb) {
        if (auto refused = refusal(zone, features, QStringLiteral("Treble"), *trebleDb)) {
            return Failure { *refused };
        }
    }
    return command(zone, manualMode(features), bassDb, trebleDb);
}

} // namespace Tone

namespace Subwoofer {

bool supported(const ZoneFeatures *zone)
{
    return announces(zone, QStringLiteral("subwoofer_volume"));
}

Levels::DecibelRange rangeDb(const ZoneFeatures *zone)
{
    return Levels::subwooferRangeDb(zone);
}

std::optional<double> db(const ZoneStatus &status)
{
    return levelDb(status.subwooferVolume);
}

std::optional<Refusal> refusal(Zone zone, const ZoneFeatures *features, double dB)
{
    if (!supported(features)) {
        return Refusal::notSupported(zone, Capability::subwoofer);
    }
    const Levels::DecibelRange range = rangeDb(features);
    if (!within(range, dB)) {
        return Refusal::levelOutOfRange(zone, QStringLiteral("Subwoofer"), dB, range);
    }
    return std::nullopt;
}

YXCCommand command(Zone zone, double dB)
{
    return YXCCommand::setSubwooferVolume(zone, Levels::rawLevel(dB));
}

Refusable<YXCCommand> checkedCommand(Zone zone, const ZoneFeatures *features, double dB)
{
    if (auto refused = refusal(zone, features, dB)) {
        return Failure { *refused };
    }
    return command(zone, dB);
}

} // namespace Subwoofer

} // namespace amplora
