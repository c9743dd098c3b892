#pragma once

#include "api/auth/APITokenStore.h"

#include <coroutine>
#include <optional>
#include <vector>

namespace amplora::test {

// A token store that answers only when the test says so, as a slow Secret Service does. A read answers what was
// stored when it was asked.
class HeldTokenStore final : public api::APITokenStore {
public:
    explicit HeldTokenStore(std::optional<QString> token = std::nullopt)
        : stored(std::move(token))
    { }

    std::optional<QString> stored;
    int saves = 0;

    // Answers the waiting calls, always the latest first, until none waits, also calls made meanwhile.
    void answerAllLatestFirst()
    {
        while (!m_waiting.empty()) {
            const std::coroutine_handle<> call = m_waiting.back();
            m_waiting.pop_back();
            call.resume();
        }
    }

    QCoro::Task<Result<std::optional<QString>, api::KeychainError>> read() override
    {
        const std::optional<QString> snapshot = stored;
        co_await Held { this };
        co_return snapshot;
    }
    QCoro::Task<Result<Done, api::KeychainError>> save(QString token) override
    {
        co_await Held { this };
        ++saves;
        stored = std::move(token);
        co_return Done {};
    }

private:
    struct Held {
        HeldTokenStore *store;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> call) { store->m_waiting.push_back(call); }
        void await_resume() const noexcept { }
    };
    std::vector<std::coroutine_handle<>> m_waiting;
};

} // namespace amplora::test
