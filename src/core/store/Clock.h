#pragma once

#include <QObject>

#include <chrono>
#include <functional>

namespace amplora {

// The store's time source and timer. Everything the store times (polling pauses, registration renewals, edit
// hold, throttle windows, recovery spacing) goes through one Clock, so a test can drive time exactly.
class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Duration = std::chrono::nanoseconds;

    virtual ~Clock() = default;

    virtual TimePoint now() const = 0;

    // Calls `action` once, from the event loop, when `delay` has passed. Nothing is called once `context` is gone.
    virtual void callAfter(Duration delay, QObject *context, std::function<void()> action) = 0;

    // The monotonic system clock with precise Qt timers.
    static Clock &system();
};

// Seconds as a plain number, for the parts that count time in doubles (the throttler).
inline double secondsSinceEpoch(Clock::TimePoint point)
{
    return std::chrono::duration<double>(point.time_since_epoch()).count();
}

inline std::chrono::duration<double> secondsBetween(Clock::TimePoint from, Clock::TimePoint to)
{
    return std::chrono::duration<double>(to - from);
}

} // namespace amplora
