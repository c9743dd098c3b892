#pragma once

#include <functional>
#include <memory>

namespace amplora {

namespace detail {
struct CancelState;
} // namespace detail

// Whether whoever asked for a piece of work still waits for its result. Coroutines cannot be stopped from
// outside, so the work asks: it checks isCancelled() after each suspension, and whatever it waits on (a shared
// read, a network reply) can be told at once through onCancel().
//
// A default-constructed Cancellation is never cancelled: the caller that cannot go away (a window, a D-Bus
// action, the store itself) passes one. Copies share their state; only a CancelSource cancels.
class Cancellation {
public:
    Cancellation() = default;

    bool isCancelled() const;

    // Ends the callback's subscription when destroyed; it may outlive the source.
    class Subscription {
    public:
        Subscription() = default;
        Subscription(Subscription &&other) noexcept;
        Subscription &operator=(Subscription &&other) noexcept;
        Subscription(const Subscription &) = delete;
        Subscription &operator=(const Subscription &) = delete;
        ~Subscription();

    private:
        friend class Cancellation;
        Subscription(std::weak_ptr<detail::CancelState> state, unsigned long long id);
        void release();

        std::weak_ptr<detail::CancelState> m_state;
        unsigned long long m_id = 0;
    };

    // Calls `callback` once when cancelled, from inside CancelSource::cancel(); at once when cancelled already.
    // Nothing is called after the subscription is gone, and a callback may end its own or any other one.
    [[nodiscard]] Subscription onCancel(std::function<void()> callback) const;

private:
    friend class CancelSource;
    explicit Cancellation(std::shared_ptr<detail::CancelState> state)
        : m_state(std::move(state))
    { }

    std::shared_ptr<detail::CancelState> m_state;
};

// The owner's side: hands out tokens and cancels them all, once.
class CancelSource {
public:
    CancelSource();

    Cancellation token() const { return Cancellation(m_state); }
    bool isCancelled() const;
    void cancel();

private:
    std::shared_ptr<detail::CancelState> m_state;
};

} // namespace amplora
