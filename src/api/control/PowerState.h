#pragma once

#include "api/control/EnumCases.h"

namespace amplora::api {

// The power states a client can ask for; the receiver's own toggle is not offered.
enum class PowerState { on, standby };

template<> struct EnumCases<PowerState> {
    static constexpr std::array<std::string_view, 2> names { "on", "standby" };
};

} // namespace amplora::api
