#pragma once

#include "base/Clock.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <optional>
#include <utility>
#include <variant>

namespace amplora {

// The pure decision of a throttled control: send a value now, schedule the trailing send, or fold the value into
// the one already scheduled.
template<class T> struct ThrottleState {
    struct SendNow {
        T value;
        friend bool operator==(const SendNow &, const SendNow &) = default;
    };
    struct FlushAfter {
        Clock::Duration delay;
        friend bool operator==(const FlushAfter &, const FlushAfter &) = default;
    };
    struct Coalesced {
        friend bool operator==(const Coalesced &, const Coalesced &) = default;
    };
    using Decision = std::variant<SendNow, FlushAfter, Coalesced>;

    Clock::Duration interval = std::chrono::milliseconds(150);
    std::optional<Clock::TimePoint> lastSentAt;
    std::optional<T> pending;

    Decision offer(T value, Clock::TimePoint now)
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
// thread; the trailing send runs from the event loop through the clock's timer.
template<class T> class Throttler {
public:
    // `clock` must outlive the throttler.
    Throttler(Clock &clock, Clock::Duration interval, std::function<void(const T &)> send)
        : m_clock(clock)
        , m_send(std::move(send))
    {
        m_state.interval = interval;
    }

    Throttler(const Throttler &) = delete;
    Throttler &operator=(const Throttler &) = delete;

    const ThrottleState<T> &state() const { return m_state; }

    void submit(T value)
    {
        auto decision = m_state.offer(std::move(value), m_clock.now());
        if (auto *now = std::get_if<typename ThrottleState<T>::SendNow>(&decision)) {
            m_send(now->value);
        } else if (auto *later = std::get_if<typename ThrottleState<T>::FlushAfter>(&decision)) {
            // Bound to the timer context: once the throttler is gone, a pending flush does nothing.
            m_clock.callAfter(later->delay, &m_timerContext, [this] { flush(); });
        }
    }

private:
    void flush()
    {
        if (!m_state.pending) {
            return;
        }
        T value = std::move(*m_state.pending);
        m_state.pending.reset();
        m_state.lastSentAt = m_clock.now();
        m_send(value);
    }

    Clock &m_clock;
    ThrottleState<T> m_state;
    std::function<void(const T &)> m_send;
    QObject m_timerContext;
};

} // namespace amplora
