#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace amplora {

// What the tuner holds on one of its analogue bands. Frequencies are in kHz on both (98100 is 98.1 MHz).
struct TunerBand {
    std::optional<int> preset; // 0 when the station is no preset
    std::optional<int> freq; // kHz
    std::optional<bool> tuned;
    std::optional<QString> audioMode; // "stereo", "mono"

    friend bool operator==(const TunerBand &, const TunerBand &) = default;
};

// The texts an FM station broadcasts beside its sound.
struct TunerRds {
    std::optional<QString> programType;
    std::optional<QString> programService; // the station's name, eight characters
    std::optional<QString> radioTextA;
    std::optional<QString> radioTextB;

    friend bool operator==(const TunerRds &, const TunerRds &) = default;
};

// A digital station: its names and, while it is tuned, its frequency in kHz.
struct TunerDab {
    std::optional<int> preset;
    std::optional<QString> status; // "ready" once a station plays; "not_ready", "searching", ...
    std::optional<int> freq; // kHz
    std::optional<QString> serviceLabel;
    std::optional<QString> dls; // the station's running text
    std::optional<QString> ensembleLabel;
    std::optional<QString> chLabel;

    friend bool operator==(const TunerDab &, const TunerDab &) = default;
};

// Answer of "tuner/getPlayInfo": the band the tuner plays and what each band holds. Every field is optional.
struct TunerPlayInfo {
    std::optional<int> responseCode;
    std::optional<QString> band; // "am", "fm", "dab"
    std::optional<TunerBand> am;
    std::optional<TunerBand> fm;
    std::optional<TunerRds> rds;
    std::optional<TunerDab> dab;

    friend bool operator==(const TunerPlayInfo &, const TunerPlayInfo &) = default;
};

// One tuner preset slot: the band and the frequency in kHz (for DAB an id the receiver knows the station by).
// An empty slot reads band "unknown" and number 0.
struct TunerPreset {
    QString band;
    int number = 0;

    bool isEmpty() const;

    friend bool operator==(const TunerPreset &, const TunerPreset &) = default;
};

// A filled tuner preset: its slot number (from 1) and what it holds.
struct ListedTunerPreset {
    int number = 0;
    QString band;
    int frequency = 0; // kHz; for DAB the receiver's id of the station

    friend bool operator==(const ListedTunerPreset &, const ListedTunerPreset &) = default;
};

// Answer of "tuner/getPresetInfo": the slots in order, slot 1 first. A malformed slot counts as empty, so the
// numbers of the others stay right.
struct TunerPresetInfo {
    std::optional<int> responseCode;
    QList<TunerPreset> presets;

    // The filled slots in order, numbered by their place; at most `slots` of them when the receiver announced
    // how many it has.
    QList<ListedTunerPreset> listed(std::optional<int> slots = std::nullopt) const;

    friend bool operator==(const TunerPresetInfo &, const TunerPresetInfo &) = default;
};

} // namespace amplora
