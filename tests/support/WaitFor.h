#pragma once

#include <QCoreApplication>
#include <QCoroTask>

#include <optional>
#include <utility>

namespace amplora::test {

// Runs the event loop until the task has finished and returns its result. Unlike QCoro::waitFor it takes results
// without a default constructor, such as Result<T, E>. Test code only: a nested event loop.
template<class T> T waitFor(QCoro::Task<T> &&task)
{
    auto hold = [](QCoro::Task<T> inner) -> QCoro::Task<std::optional<T>> { co_return co_await std::move(inner); };
    auto result = QCoro::waitFor(hold(std::move(task)));
    // Finished network replies are released with deleteLater; let that happen before the test moves on or ends.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return std::move(*result);
}

} // namespace amplora::test
