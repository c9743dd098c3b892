#pragma once

#include "api/control/EnumCases.h"

namespace amplora::api {

// One volume step up or down.
enum class VolumeStepDirection { up, down };

template<> struct EnumCases<VolumeStepDirection> {
    static constexpr std::array<std::string_view, 2> names { "up", "down" };
};

} // namespace amplora::api
