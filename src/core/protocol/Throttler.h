#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <variant>

namespace amplora {

// Seconds on the system's monotonic clock, unaffected by changes of the wall clock.
inline double uptimeSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The pure decision of a throttled control: send a value now, schedule the trailing send, or fold the value into
// the one already scheduled.
template<class T> struct ThrottleState {
    struct SendNow {
        T value;
        friend bool operator==(const SendNow &, const SendNow &) = default;
    };
    struct FlushAfter {
        double seconds;
        friend bool operator==(const FlushAfter &, const FlushAfter &) = default;
    };
    struct Coalesced {
        friend bool operator==(const Coalesced &, const Coalesced &) = default;
    };
    using Decision = std::variant<SendNow, FlushAfter, Coalesced>;

    double interval = 0.15;
    std::optional<double> lastSentAt;
    std::optional<T> pending;

    Decision offer(T value, double now)
    {
        if (lastSentAt && interval > now - *lastSentAt) {
            const bool flushScheduled = pending.has_value();
            pending = std::move(value);
            if (flushScheduled) {
                return Coalesced {};
            }
            return FlushAfter { interval - (now - *lastSentAt) };
        }
        lastSentAt = now;
        pending.reset();
        return SendNow { std::move(value) };
    }

    friend bool operator==(const ThrottleState &, const ThrottleState &) = default;
};

// Limits how often a continuously changing control sends: the first change goes out at once, later changes inside
// the window are coalesced into one trailing send of the latest value at the window's end. Lives on the main
// thread; the trailing send runs from the event loop.
template<class T> class Throttler {
public:
    using Clock = std::function<double()>;
    // Runs `flush` after `delay` on the event loop. Injected by tests to fire the trailing send exactly.
    using Scheduler = std::function<void(std::chrono::nanoseconds delay, std::function<void()> flush)>;

    Throttler(
        double interval, std::function<void(const T &)> send, Clock clock = uptimeSeconds, Scheduler scheduler = {})
        : m_send(std::move(send))
        , m_clock(std::move(clock))
        , m_scheduler(std::move(scheduler))
    {
        m_state.interval = interval;
    }

    Throttler(const Throttler &) = delete;
    Throttler &operator=(const Throttler &) = delete;

    const ThrottleState<T> &state() const { return m_state; }

    void submit(T value)
    {
        auto decision = m_state.offer(std::move(value), m_clock());
        if (auto *now = std::get_if<typename ThrottleState<T>::SendNow>(&decision)) {
            m_send(now->value);
        } else if (auto *later = std::get_if<typename ThrottleState<T>::FlushAfter>(&decision)) {
            schedule(later->seconds);
        }
    }

private:
    void schedule(double seconds)
    {
        const auto delay = std::chrono::nanoseconds(static_cast<std::int64_t>(std::max(0.0, seconds) * 1e9));
        // The flush holds the throttler weakly: once the throttler is gone, a pending flush does nothing.
        std::weak_ptr<int> alive = m_alive;
        auto flush = [this, alive] {
            if (alive.lock()) {
                this->flush();
            }
        };
        if (m_scheduler) {
            m_scheduler(delay, std::move(flush));
            return;
        }
        // Rounded up to whole milliseconds so the flush never comes before the window has passed.
        const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(delay);
        QTimer::singleShot(milliseconds, Qt::PreciseTimer, &m_timerContext, std::move(flush));
    }

    void flush()
    {
        const double now = m_clock();
        if (!m_state.pending) {
            return;
        }
        T value = std::move(*m_state.pending);
        m_state.pending.reset();
        m_state.lastSentAt = now;
        m_send(value);
    }

    ThrottleState<T> m_state;
    std::function<void(const T &)> m_send;
    Clock m_clock;
    Scheduler m_scheduler;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    QObject m_timerContext; // cancels a scheduled flush when the throttler goes
};

} // namespace amplora
