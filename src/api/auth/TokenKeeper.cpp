#include "api/auth/TokenKeeper.h"

#include "api/Logging.h"
#include "api/auth/APIToken.h"
#include "api/auth/APITokenStore.h"
#include "api/auth/TokenAuthenticator.h"

namespace amplora::api {

// Suspends until the operation has its result; at once when it has one already. It has a constructor on purpose:
// g++ 12 destroys an aggregate-initialised temporary in a co_await expression twice, which here gave the operation
// back one reference too many and freed it under drain().
struct TokenKeeper::Finished {
    explicit Finished(std::shared_ptr<Operation> awaited)
        : operation(std::move(awaited))
    { }

    std::shared_ptr<Operation> operation;

    bool await_ready() const noexcept { return operation->result.has_value(); }
    void await_suspend(std::coroutine_handle<> waiter) { operation->waiters.push_back(waiter); }
    // Resumed only once the result is there: await_ready() saw it, or the operation set it before resuming.
    TokenResult await_resume() const { return *operation->result; } // NOLINT(bugprone-unchecked-optional-access)
};

TokenKeeper::TokenKeeper(std::shared_ptr<APITokenStore> store, std::shared_ptr<TokenAuthenticator> authenticator)
    : m_store(std::move(store))
    , m_authenticator(std::move(authenticator))
{ }

QCoro::Task<TokenKeeper::TokenResult> TokenKeeper::current()
{
    // No operation of ours could come between a waiting load and a new one, so they share one answer.
    if (!m_queue.empty() && m_queue.back()->kind == Operation::Kind::Load) {
        return await(m_queue.back());
    }
    return await(enqueue(Operation::Kind::Load));
}

QCoro::Task<TokenKeeper::TokenResult> TokenKeeper::regenerate()
{
    return await(enqueue(Operation::Kind::Regenerate));
}

QCoro::Task<TokenKeeper::TokenResult> TokenKeeper::await(std::shared_ptr<Operation> operation)
{
    const std::shared_ptr<TokenKeeper> self = shared_from_this();
    co_return co_await Finished(std::move(operation));
}

std::shared_ptr<TokenKeeper::Operation> TokenKeeper::enqueue(Operation::Kind kind)
{
    auto operation = std::make_shared<Operation>(Operation { kind, std::nullopt, {} });
    m_queue.push_back(operation);
    if (!m_draining) {
        drain(shared_from_this());
    }
    return operation;
}

QCoro::Task<> TokenKeeper::drain(std::shared_ptr<TokenKeeper> self)
{
    self->m_draining = true;
    while (!self->m_queue.empty()) {
        std::shared_ptr<Operation> operation = self->m_queue.front();
        TokenResult result = co_await self->run(operation->kind);
        if (result) {
            self->m_authenticator->setToken(result.value());
        }
        // Off the queue before anyone hears of it, so a waiter that asks again starts a new operation. All the
        // bookkeeping is done before the first waiter runs: a waiter may ask again, end, or drop the last
        // reference to the operation, so nothing of it is read once they resume.
        self->m_queue.pop_front();
        operation->result = std::move(result);
        const std::vector<std::coroutine_handle<>> waiters = std::exchange(operation->waiters, {});
        operation.reset();
        for (const std::coroutine_handle<> waiter : waiters) {
            waiter.resume();
        }
    }
    self->m_draining = false;
}

QCoro::Task<TokenKeeper::TokenResult> TokenKeeper::run(Operation::Kind kind)
{
    const std::shared_ptr<APITokenStore> store = m_store;
    if (kind == Operation::Kind::Load) {
        co_return co_await store->loadOrCreate();
    }
    QString token = APIToken::generate();
    auto saved = co_await store->save(token);
    if (!saved) {
        co_return Failure { saved.error() };
    }
    qCInfo(lcApi) << "The API token was regenerated; the previous one no longer works";
    co_return token;
}

} // namespace amplora::api
