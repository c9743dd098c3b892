#pragma once

#include <QString>

#include <optional>

namespace amplora {

struct ToneControl {
    std::optional<QString> mode;
    std::optional<int> bass;
    std::optional<int> treble;

    friend bool operator==(const ToneControl &, const ToneControl &) = default;
};

struct ActualVolume {
    std::optional<QString> mode;
    std::optional<double> value; // decibels when the unit is "dB"
    std::optional<QString> unit;

    friend bool operator==(const ActualVolume &, const ActualVolume &) = default;
};

// Answer of zone + "/getStatus". Every field is optional; the client rejects an answer without a power state.
struct ZoneStatus {
    std::optional<int> responseCode;
    std::optional<QString> power; // "on" or "standby"
    std::optional<int> volume; // raw steps
    std::optional<bool> mute;
    std::optional<int> maxVolume;
    std::optional<QString> input;
    std::optional<QString> inputText;
    std::optional<QString> soundProgram;
    std::optional<bool> pureDirect;
    std::optional<bool> direct;
    std::optional<bool> enhancer;
    std::optional<ToneControl> toneControl;
    std::optional<int> dialogueLevel;
    std::optional<int> subwooferVolume;
    std::optional<ActualVolume> actualVolume;
    std::optional<bool> extraBass;
    std::optional<bool> surroundAi;
    std::optional<int> sleep; // minutes left on the sleep timer; 0 when off

    friend bool operator==(const ZoneStatus &, const ZoneStatus &) = default;
};

} // namespace amplora
