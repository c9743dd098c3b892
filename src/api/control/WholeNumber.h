#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace amplora::api {

// A JSON number read as a count (minutes, a level): none unless it is whole. Beyond what an int holds it
// saturates, which keeps every comparison with the receiver's small ranges right without undefined conversions.
inline std::optional<int> wholeNumber(double value)
{
    if (!std::isfinite(value) || std::trunc(value) != value) {
        return std::nullopt;
    }
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(value, lowest, highest));
}

} // namespace amplora::api
