#pragma once

#include "base/Clock.h"

#include <coroutine>
#include <memory>
#include <vector>

namespace amplora {

// Sleeps that can all be ended at once. A background loop awaits `sleep(...)`; `wakeAll()` resumes every sleeper
// immediately (the awaited value is then false), which is how stopping the store's tasks or destroying the store
// ends its loops without waiting for a timer. A sleeper is never left suspended: it resumes either when its time
// has passed or when it is woken.
class SleepGroup {
    struct Sleeper {
        std::coroutine_handle<> waiter;
        bool finished = false;
        bool woken = false;
        void resume(bool wokenEarly);
    };

public:
    class Awaiter {
    public:
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> waiter);
        // True when the full time passed; false when the sleeper was woken early.
        bool await_resume() const noexcept { return !m_sleeper->woken; }

    private:
        friend class SleepGroup;
        Awaiter(SleepGroup &group, Clock &clock, Clock::Duration delay, QObject *context);

        SleepGroup &m_group;
        Clock &m_clock;
        Clock::Duration m_delay;
        QObject *m_context;
        std::shared_ptr<Sleeper> m_sleeper;
    };

    SleepGroup() = default;
    SleepGroup(const SleepGroup &) = delete;
    SleepGroup &operator=(const SleepGroup &) = delete;
    ~SleepGroup() { wakeAll(); }

    // The timer is bound to `context`; the owner of the group must call wakeAll() before `context` goes away.
    Awaiter sleep(Clock &clock, Clock::Duration delay, QObject *context) { return { *this, clock, delay, context }; }

    void wakeAll();
    std::size_t sleeping() const { return m_sleepers.size(); }

private:
    std::vector<std::shared_ptr<Sleeper>> m_sleepers;
};

} // namespace amplora
