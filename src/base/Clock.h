#pragma once

#include <QObject>

#include <chrono>
#include <functional>

namespace amplora {

// The one time source and timer. Everything the program times (polling pauses, registration renewals, edit hold,
// throttle windows, recovery spacing, the API's rate window, the Spotify hand-off spacing) goes through a Clock,
// so a test can drive time exactly.
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

} // namespace amplora
