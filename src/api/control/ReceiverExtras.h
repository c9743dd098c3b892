#pragma once

#include "api/control/EnumCases.h"

#include <QString>

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

} // namespace amplora::api
