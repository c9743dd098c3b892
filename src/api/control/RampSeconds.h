#pragma once

#include <chrono>
#include <cmath>

namespace amplora::api {

// How long a volume fade may take, as every door (request, scene, session-bus action, command line) takes it:
// seconds, more than none and at most ten minutes.
inline constexpr double maxRampSeconds = 600;

constexpr bool rampSecondsInRange(double seconds)
{
    return seconds > 0 && seconds <= maxRampSeconds;
}

// The fade's length as the control takes it, to the millisecond.
inline std::chrono::milliseconds rampDuration(double seconds)
{
    return std::chrono::milliseconds(std::llround(seconds * 1000));
}

} // namespace amplora::api
