#include "base/Cancellation.h"

#include <map>
#include <vector>

namespace amplora {

struct detail::CancelState {
    bool cancelled = false;
    unsigned long long nextId = 1;
    std::map<unsigned long long, std::function<void()>> callbacks;
};

bool Cancellation::isCancelled() const
{
    return m_state && m_state->cancelled;
}

Cancellation::Subscription Cancellation::onCancel(std::function<void()> callback) const
{
    if (!m_state) {
        return {};
    }
    if (m_state->cancelled) {
        callback();
        return {};
    }
    const unsigned long long id = m_state->nextId++;
    m_state->callbacks.emplace(id, std::move(callback));
    return Subscription(m_state, id);
}

Cancellation::Subscription::Subscription(std::weak_ptr<detail::CancelState> state, unsigned long long id)
    : m_state(std::move(state))
    , m_id(id)
{ }

Cancellation::Subscription::Subscription(Subscription &&other) noexcept
    : m_state(std::move(other.m_state))
    , m_id(other.m_id)
{
    other.m_id = 0;
}

Cancellation::Subscription &Cancellation::Subscription::operator=(Subscription &&other) noexcept
{
    if (this != &other) {
        release();
        m_state = std::move(other.m_state);
        m_id = other.m_id;
        other.m_id = 0;
    }
    return *this;
}

Cancellation::Subscription::~Subscription()
{
    release();
}

void Cancellation::Subscription::release()
{
    if (const std::shared_ptr<detail::CancelState> state = m_state.lock()) {
        state->callbacks.erase(m_id);
    }
    m_state.reset();
    m_id = 0;
}

CancelSource::CancelSource()
    : m_state(std::make_shared<detail::CancelState>())
{ }

bool CancelSource::isCancelled() const
{
    return m_state->cancelled;
}

void CancelSource::cancel()
{
    if (m_state->cancelled) {
        return;
    }
    m_state->cancelled = true;
    // A callback may resume a coroutine that ends other subscriptions, or drops the last source: each one is
    // taken out before it runs, and the state is held until the round is over.
    const std::shared_ptr<detail::CancelState> state = m_state;
    std::vector<unsigned long long> ids;
    ids.reserve(state->callbacks.size());
    for (const auto &entry : state->callbacks) {
        ids.push_back(entry.first);
    }
    for (const unsigned long long id : ids) {
        const auto found = state->callbacks.find(id);
        if (found == state->callbacks.end()) {
            continue;
        }
        std::function<void()> callback = std::move(found->second);
        state->callbacks.erase(found);
        callback();
    }
}

} // namespace amplora
