#include "api/matching/VolumeRateLimiter.h"

#include <algorithm>

namespace amplora::api {

VolumeRateLimiter::VolumeRateLimiter(int limit, double windowSeconds, const Clock &clock)
    : m_limit(limit)
    , m_window(windowSeconds)
    , m_clock(clock)
{ }

VolumeRateLimiter::Decision VolumeRateLimiter::allow(Zone zone, int count)
{
    count = std::max(count, 0);
    const std::lock_guard guard(m_lock);
    const Timestamp t = m_clock.now();
    QList<Timestamp> &history = m_history.at(static_cast<std::size_t>(zone));

    // Entries exactly one window old no longer count.
    history.removeIf([&](Timestamp stamp) { return t - stamp >= m_window; });

    if (history.size() + count > m_limit) {
        const Timestamp oldest = history.isEmpty() ? t : history.constFirst();
        const std::chrono::duration<double> waited = t - oldest;
        return { false, std::max(0.001, (m_window - waited).count()) };
    }
    history.insert(history.size(), count, t);
    return { true, 0 };
}

void VolumeRateLimiter::giveBack(Zone zone, int count)
{
    const std::lock_guard guard(m_lock);
    QList<Timestamp> &history = m_history.at(static_cast<std::size_t>(zone));
    history.resize(std::max<qsizetype>(0, history.size() - std::max(count, 0)));
}

} // namespace amplora::api
