#pragma once

#include "core/capabilities/Capability.h"
#include "core/protocol/Features.h"
#include "core/protocol/TunerInfo.h"
#include "core/protocol/YXCCommand.h"
#include "core/protocol/ZoneStatus.h"

#include <QList>
#include <QString>

#include <optional>

namespace amplora {

// The receiver's radio tuner: whether it has one, how its frequencies read, and its presets.
namespace Tuner {

// The input id a zone plays the tuner through.
inline constexpr auto input = "tuner";

// What the tuner plays, ready to show: the band ("fm", "am", "dab"), the frequency as text ("98.10 MHz",
// "531 kHz"), the station's name (RDS program service or DAB service label) and its running text (RDS radio text
// or DAB DLS), each absent when the station sends none.
struct Reading {
    QString band;
    QString frequency;
    std::optional<QString> station;
    std::optional<QString> text;

    friend bool operator==(const Reading &, const Reading &) = default;
};

// A filled preset ready to show: its slot, band and frequency text (none for a DAB station, which a preset holds
// by an id, not a frequency).
struct Preset {
    int number = 0;
    QString band;
    std::optional<QString> frequency;

    friend bool operator==(const Preset &, const Preset &) = default;
};

// Whether the receiver announces a tuner with at least one band it plays.
bool supported(const std::optional<Features> &features);
// Whether the zone listens to the tuner now.
bool isPlaying(const ZoneStatus &status);
// A frequency in kHz as the band shows it: FM in MHz with as many decimals as the band's step needs (two for
// 50 kHz steps, one for 100 kHz; without a step the shortest exact form with at least one), AM in kHz, DAB in
// MHz to the kHz. Empty for a band it does not know or a frequency of 0.
QString frequencyText(const QString &band, int kHz, const TunerFeatures *features);
// What the tuner plays; none without a band it knows.
std::optional<Reading> reading(const TunerPlayInfo &info, const TunerFeatures *features);
// The preset list to read and recall from: "common" where the receiver keeps one list across bands, else the
// band the tuner plays (or, before that is known, the first band it announces).
QString presetList(const std::optional<Features> &features, const std::optional<TunerPlayInfo> &playing);
// How many slots that list has; none when the receiver does not say.
std::optional<int> presetSlots(const std::optional<Features> &features);
QList<Preset> presets(const QList<ListedTunerPreset> &listed, const std::optional<Features> &features);
// Refused without a tuner, or when no filled slot in `listed` has this number.
Refusable<YXCCommand> recall(Zone zone, const std::optional<Features> &features,
    const std::optional<TunerPlayInfo> &playing, const QList<ListedTunerPreset> &listed, int number);

} // namespace Tuner

} // namespace amplora
