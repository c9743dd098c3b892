#pragma once

#include "api/control/EnumCases.h"

namespace amplora::api {

// A command for the receiver's network/USB player.
enum class PlaybackAction { play, pause, next, previous };

template<> struct EnumCases<PlaybackAction> {
    static constexpr std::array<std::string_view, 4> names { "play", "pause", "next", "previous" };
};

} // namespace amplora::api
