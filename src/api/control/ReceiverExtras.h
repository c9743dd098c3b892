#pragma once

#include "api/control/EnumCases.h"

#include <QString>

#include <optional>

namespace amplora::api {

// The player's repeat setting, as the receiver words it.
enum class RepeatMode { off, one, all };

template<> struct EnumCases<RepeatMode> {
    static constexpr std::array<std::string_view, 3> names { "off", "one", "all" };
};

// The player's shuffle setting, as the receiver words it.
enum class ShuffleMode { off, on, songs, albums };

template<> struct EnumCases<ShuffleMode> {
    static constexpr std::array<std::string_view, 4> names { "off", "on", "songs", "albums" };
};

// One of the receiver's favourites (its presets): the slot number (from 1), the receiver's name for it and the
// source it plays from (the receiver's input id, such as "net_radio").
struct Favourite {
    int number = 0;
    QString name;
    QString input;

    friend bool operator==(const Favourite &, const Favourite &) = default;
};

// One of the tuner's presets: the slot number (from 1), the band ("fm", "am", "dab"), the frequency as it reads
// ("98.10 MHz"; none for a DAB station, which a preset holds by an id) and a name where the receiver gives one.
struct TunerPreset {
    int number = 0;
    QString band;
    std::optional<QString> frequency;
    std::optional<QString> name;

    friend bool operator==(const TunerPreset &, const TunerPreset &) = default;
};

} // namespace amplora::api
