#include "core/capabilities/Tuner.h"

#include <algorithm>
#include <cmath>

namespace amplora::Tuner {

namespace {

const QStringList &bands()
{
    static const QStringList known { QStringLiteral("fm"), QStringLiteral("am"), QStringLiteral("dab") };
    return known;
}

// Decimals of a MHz value in steps of `stepKHz`: 50 kHz needs two (98.15), 100 kHz one (98.1).
int decimalsForStep(int stepKHz)
{
    for (int decimals = 0, unit = 1000; decimals < 3; ++decimals, unit /= 10) {
        if (stepKHz % unit == 0) {
            return decimals;
        }
    }
    return 3;
}

QString megahertz(int kHz, int decimals)
{
    return QString::number(kHz / 1000.0, 'f', decimals) + QStringLiteral(" MHz");
}

// The shortest exact MHz form with at least one decimal: 98100 -> "98.1", 98150 -> "98.15".
QString shortestMegahertz(int kHz)
{
    int decimals = 3;
    while (decimals > 1 && kHz % (decimals == 3 ? 10 : 100) == 0) {
        --decimals;
    }
    return megahertz(kHz, decimals);
}

std::optional<QString> nonBlank(const std::optional<QString> &text)
{
    if (!text) {
        return std::nullopt;
    }
    const QString trimmed = text->trimmed();
    return trimmed.isEmpty() ? std::nullopt : std::optional<QString>(trimmed);
}

const TunerFeatures *tunerOf(const std::optional<Features> &features)
{
    return features && features->tuner ? &*features->tuner : nullptr;
}

} // namespace

bool supported(const std::optional<Features> &features)
{
    const TunerFeatures *tuner = tunerOf(features);
    return tuner && std::any_of(bands().cbegin(), bands().cend(), [tuner](const QString &band) {
        return tuner->funcList.contains(band);
    });
}

bool isPlaying(const ZoneStatus &status)
{
    return status.input == QLatin1String(input);
}

QString frequencyText(const QString &band, int kHz, const TunerFeatures *features)
{
    if (kHz <= 0) {
        return {};
    }
    if (band == QLatin1String("am")) {
        return QString::number(kHz) + QStringLiteral(" kHz");
    }
    if (band == QLatin1String("dab")) {
        return megahertz(kHz, 3);
    }
    if (band != QLatin1String("fm")) {
        return {};
    }
    const RangeStep *range = features ? features->range(band) : nullptr;
    const double step = range ? range->step : 0;
    if (step >= 1 && step == std::trunc(step) && step <= 1000) {
        return megahertz(kHz, decimalsForStep(int(step)));
    }
    return shortestMegahertz(kHz);
}

std::optional<Reading> reading(const TunerPlayInfo &info, const TunerFeatures *features)
{
    const QString band = info.band.value_or(QString());
    if (!bands().contains(band)) {
        return std::nullopt;
    }
    Reading result { band, {}, std::nullopt, std::nullopt };
    if (band == QLatin1String("dab")) {
        const TunerDab dab = info.dab.value_or(TunerDab {});
        result.frequency = frequencyText(band, dab.freq.value_or(0), features);
        result.station = nonBlank(dab.serviceLabel);
        result.text = nonBlank(dab.dls);
        return result;
    }
    const TunerBand analogue = (band == QLatin1String("fm") ? info.fm : info.am).value_or(TunerBand {});
    result.frequency = frequencyText(band, analogue.freq.value_or(0), features);
    // Only FM stations send RDS; an AM answer may still carry the last FM station's texts.
    if (band == QLatin1String("fm") && info.rds) {
        result.station = nonBlank(info.rds->programService);
        result.text = nonBlank(info.rds->radioTextA);
        if (!result.text) {
            result.text = nonBlank(info.rds->radioTextB);
        }
    }
    return result;
}

QString presetList(const std::optional<Features> &features, const std::optional<TunerPlayInfo> &playing)
{
    const TunerFeatures *tuner = tunerOf(features);
    const std::optional<QString> type = tuner && tuner->preset ? tuner->preset->type : std::nullopt;
    if (!tuner || !type || *type != QLatin1String("separate")) {
        return QStringLiteral("common");
    }
    if (playing && playing->band && bands().contains(*playing->band)) {
        return *playing->band;
    }
    for (const QString &band : tuner->funcList) {
        if (bands().contains(band)) {
            return band;
        }
    }
    return QStringLiteral("common");
}

std::optional<int> presetSlots(const std::optional<Features> &features)
{
    const TunerFeatures *tuner = tunerOf(features);
    return tuner && tuner->preset ? tuner->preset->num : std::nullopt;
}

QList<Preset> presets(const QList<ListedTunerPreset> &listed, const std::optional<Features> &features)
{
    QList<Preset> result;
    for (const ListedTunerPreset &entry : listed) {
        Preset preset { entry.number, entry.band, std::nullopt };
        if (entry.band != QLatin1String("dab")) {
            const QString text = frequencyText(entry.band, entry.frequency, tunerOf(features));
            if (!text.isEmpty()) {
                preset.frequency = text;
            }
        }
        result.append(preset);
    }
    return result;
}

Refusable<YXCCommand> recall(Zone zone, const std::optional<Features> &features,
    const std::optional<TunerPlayInfo> &playing, const QList<ListedTunerPreset> &listed, int number)
{
    if (!supported(features)) {
        return Failure { Refusal::notSupported(zone, Capability::tuner) };
    }
    const bool filled = std::any_of(
        listed.cbegin(), listed.cend(), [number](const ListedTunerPreset &preset) { return preset.number == number; });
    if (!filled) {
        return Failure { Refusal::unknownTunerPreset(number) };
    }
    return YXCCommand::recallTunerPreset(zone, presetList(features, playing), number);
}

} // namespace amplora::Tuner
