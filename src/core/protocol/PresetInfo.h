#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace amplora {

// One favourite (preset) slot of the network/USB player. An empty slot reads input "unknown" with no text.
struct Preset {
    QString input;
    QString text;

    bool isEmpty() const;

    friend bool operator==(const Preset &, const Preset &) = default;
};

// A favourite worth offering: its slot number (from 1), the receiver's name for it and its source.
struct ListedPreset {
    int number = 0;
    QString name;
    QString input;

    friend bool operator==(const ListedPreset &, const ListedPreset &) = default;
};

// Answer of "netusb/getPresetInfo": the slots in order, slot 1 first. Decoded leniently: a malformed slot
// counts as empty, so the numbers of the others stay right.
struct PresetInfo {
    std::optional<int> responseCode;
    QList<Preset> presets;

    // The filled slots in order, numbered by their place; at most `slots` of them when the receiver announced
    // how many it has.
    QList<ListedPreset> listed(std::optional<int> slots = std::nullopt) const;

    friend bool operator==(const PresetInfo &, const PresetInfo &) = default;
};

} // namespace amplora
