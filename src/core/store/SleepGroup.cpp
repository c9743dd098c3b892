#include "core/store/SleepGroup.h"

#include <algorithm>

namespace amplora {

void SleepGroup::Sleeper::resume(bool wokenEarly)
{
    if (finished) {
        return;
    }
    finished = true;
    woken = wokenEarly;
    waiter.resume();
}

SleepGroup::Awaiter::Awaiter(SleepGroup &group, Clock &clock, Clock::Duration delay, QObject *context)
    : m_group(group)
    , m_clock(clock)
    , m_delay(delay)
    , m_context(context)
    , m_sleeper(std::make_shared<Sleeper>())
{ }

void SleepGroup::Awaiter::await_suspend(std::coroutine_handle<> waiter)
{
    m_sleeper->waiter = waiter;
    m_group.m_sleepers.push_back(m_sleeper);
    std::weak_ptr<Sleeper> weak = m_sleeper;
    SleepGroup *group = &m_group;
    m_clock.callAfter(m_delay, m_context, [weak, group] {
        const std::shared_ptr<Sleeper> sleeper = weak.lock();
        if (!sleeper || sleeper->finished) {
            return;
        }
        std::erase(group->m_sleepers, sleeper);
        sleeper->resume(false);
    });
}

void SleepGroup::wakeAll()
{
    // Resuming a sleeper runs its coroutine, which may start a new sleep: take the list first.
    std::vector<std::shared_ptr<Sleeper>> sleepers;
    sleepers.swap(m_sleepers);
    for (const auto &sleeper : sleepers) {
        sleeper->resume(true);
    }
}

} // namespace amplora
