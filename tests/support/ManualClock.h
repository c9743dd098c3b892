#pragma once

#include "base/Clock.h"

#include <QPointer>

#include <vector>

namespace amplora::test {

// A clock that only moves when the test says so. Timers fire inside advance(), each at its own time and in
// order of due time (ties in the order they were set), so timing logic is tested exactly and without waiting.
class ManualClock final : public Clock {
public:
    explicit ManualClock(TimePoint start = TimePoint(std::chrono::hours(1000)))
        : m_now(start)
    { }

    TimePoint now() const override { return m_now; }
    void callAfter(Duration delay, QObject *context, std::function<void()> action) override;

    // Moves time forward by `step`, running every timer that falls due on the way (also timers set by them).
    void advance(Duration step);

private:
    struct Timer {
        TimePoint due;
        quint64 order;
        bool bound;
        QPointer<QObject> context;
        std::function<void()> action;
    };

    TimePoint m_now;
    quint64 m_nextOrder = 0;
    std::vector<Timer> m_timers;
};

} // namespace amplora::test
