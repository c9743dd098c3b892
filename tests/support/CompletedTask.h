#pragma once

#include <QCoroTask>

#include <optional>

namespace amplora::test {

// The result of a task that finishes without waiting (as everything over the in-memory fakes does), read
// without an event loop; nothing when the task is still waiting. QCoro::waitFor cannot hold a Result, which
// has no empty state.
template<class T> std::optional<T> completedResult(QCoro::Task<T> task)
{
    std::optional<T> out;
    const auto drive
        = [](QCoro::Task<T> awaited, std::optional<T> *into) -> QCoro::Task<> { into->emplace(co_await awaited); };
    drive(std::move(task), &out);
    return out;
}

} // namespace amplora::test
