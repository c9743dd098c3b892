#pragma once

#include "core/protocol/Zone.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace amplora {

// One input the receiver offers.
struct InputFeature {
    QString id;
    std::optional<bool> distributionEnable;
    std::optional<bool> renameEnable;
    std::optional<bool> accountEnable;
    std::optional<QString> playInfoType;

    friend bool operator==(const InputFeature &, const InputFeature &) = default;
};

struct SystemFeatures {
    QStringList funcList;
    std::optional<int> zoneNum;
    QList<InputFeature> inputList;

    const InputFeature *input(const QString &id) const;

    friend bool operator==(const SystemFeatures &, const SystemFeatures &) = default;
};

// The range of one zone setting, such as "volume" or "actual_volume_db".
struct RangeStep {
    QString id;
    double min = 0;
    double max = 0;
    double step = 1.0;

    friend bool operator==(const RangeStep &, const RangeStep &) = default;
};

struct ZoneFeatures {
    QString id;
    QStringList funcList;
    QStringList inputList;
    std::optional<QStringList> soundProgramList;
    std::optional<QStringList> toneControlModeList;
    QList<RangeStep> rangeStep; // only the ranges this application uses
    std::optional<int> sceneNum; // how many scene buttons the zone has

    const RangeStep *range(const QString &id) const;

    friend bool operator==(const ZoneFeatures &, const ZoneFeatures &) = default;
};

struct PresetFeature {
    std::optional<int> num;

    friend bool operator==(const PresetFeature &, const PresetFeature &) = default;
};

// What the network/USB player offers beyond playback.
struct NetUSBFeatures {
    std::optional<PresetFeature> preset; // the favourites (presets) and how many slots there are

    friend bool operator==(const NetUSBFeatures &, const NetUSBFeatures &) = default;
};

// That the receiver can link with others of its kind and share one zone's sound with them.
struct DistributionFeatures {
    std::optional<double> version;
    std::optional<int> clientMax;
    std::optional<QStringList> serverZoneList;

    friend bool operator==(const DistributionFeatures &, const DistributionFeatures &) = default;
};

// How the tuner keeps its presets: "common" (one list across the bands) or "separate" (one list per band), and
// how many slots a list has.
struct TunerPresetFeature {
    std::optional<QString> type;
    std::optional<int> num;

    friend bool operator==(const TunerPresetFeature &, const TunerPresetFeature &) = default;
};

// The tuner a receiver announces: its bands and services ("am", "fm", "rds", "dab", ...), each analogue band's
// range in kHz (the step gives the precision a frequency is shown with) and its presets.
struct TunerFeatures {
    QStringList funcList;
    QList<RangeStep> rangeStep;
    std::optional<TunerPresetFeature> preset;

    const RangeStep *range(const QString &band) const;

    friend bool operator==(const TunerFeatures &, const TunerFeatures &) = default;
};

// Answer of "system/getFeatures". Decoded leniently: malformed entries are skipped and only the main zone and
// zone 2 are kept, each once.
struct Features {
    std::optional<int> responseCode;
    SystemFeatures system;
    QList<ZoneFeatures> zone;
    std::optional<NetUSBFeatures> netusb;
    std::optional<DistributionFeatures> distribution; // present on receivers that can link
    std::optional<TunerFeatures> tuner;

    const ZoneFeatures *zoneFeatures(Zone zone) const;
    QList<Zone> zones() const;

    friend bool operator==(const Features &, const Features &) = default;
};

} // namespace amplora
