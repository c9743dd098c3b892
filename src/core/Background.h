#pragma once

#include <QCoroFuture>
#include <QCoroTask>
#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <memory>
#include <type_traits>

namespace amplora {

// Runs `work` on a thread of the global pool, so that the main thread never waits for it, and resumes the awaiting
// coroutine on its own thread's event loop with the result. `work` runs to its end whatever happens meanwhile: it
// must share nothing the main thread changes, and the caller checks after the co_await whether the result is
// still wanted. Pass a named callable (g++ 12 mishandles a capturing lambda written inside a co_await).
template<class Work> QCoro::Task<std::invoke_result_t<Work &>> runInBackground(Work work)
{
    using Value = std::invoke_result_t<Work &>;
    auto promise = std::make_shared<QPromise<Value>>();
    const QFuture<Value> future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, work]() mutable {
        promise->addResult(work());
        promise->finish();
    });
    Value value = co_await future;
    co_return value;
}

} // namespace amplora
