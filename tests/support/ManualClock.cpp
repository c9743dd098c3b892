#include "support/ManualClock.h"

#include <algorithm>

namespace amplora::test {

void ManualClock::callAfter(Duration delay, QObject *context, std::function<void()> action)
{
    m_timers.push_back(
        { m_now + std::max(delay, Duration::zero()), m_nextOrder++, context != nullptr, context, std::move(action) });
}

void ManualClock::advance(Duration step)
{
    const TimePoint target = m_now + step;
    for (;;) {
        const auto next = std::min_element(m_timers.begin(), m_timers.end(),
            [](const Timer &a, const Timer &b) { return a.due != b.due ? a.due < b.due : a.order < b.order; });
        if (next == m_timers.end() || next->due > target) {
            break;
        }
        Timer timer = std::move(*next);
        m_timers.erase(next);
        m_now = timer.due;
        if (!timer.bound || timer.context) {
            timer.action();
        }
    }
    m_now = target;
}

} // namespace amplora::test
