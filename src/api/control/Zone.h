#pragma once

#include "api/control/EnumCases.h"

namespace amplora::api {

// A receiver zone.
enum class Zone { main, zone2 };

template<> struct EnumCases<Zone> {
    static constexpr std::array<std::string_view, 2> names { "main", "zone2" };
};

} // namespace amplora::api
