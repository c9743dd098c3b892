#pragma once

#include "api/control/Zone.h"
#include "base/Clock.h"

#include <QList>

#include <array>
#include <chrono>
#include <mutex>

namespace amplora::api {

// Keeps a misbehaving automation from hammering the receiver's volume: at most `limit` changes per zone
// within a sliding window. Every call is serialised by one lock, so two simultaneous requests can never
// both take the last free slot; the lock is never held across a suspension.
class VolumeRateLimiter {
public:
    struct Decision {
        bool allowed = true;
        // How long to wait before the next change can pass, in seconds; at least 0.001 when refused, 0 when
        // allowed.
        double retryAfterSeconds = 0;
    };

    // `clock` must outlive the limiter; its now() is read under the lock, from any thread.
    VolumeRateLimiter(int limit, double windowSeconds, const Clock &clock = Clock::system());

    // Asks to make `count` volume changes in `zone` now. A refusal records nothing.
    Decision allow(Zone zone, int count = 1);
    // Returns the latest `count` changes allowed in `zone` that were not made after all.
    void giveBack(Zone zone, int count = 1);

    int limit() const { return m_limit; }
    double windowSeconds() const { return m_window.count(); }

private:
    using Timestamp = Clock::TimePoint;

    const int m_limit;
    const std::chrono::duration<double> m_window;
    const Clock &m_clock;
    std::mutex m_lock;
    std::array<QList<Timestamp>, EnumCases<Zone>::names.size()> m_history; // per zone, oldest first
};

} // namespace amplora::api
