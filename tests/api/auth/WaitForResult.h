#pragma once

#include <QCoroTask>

#include <optional>

namespace amplora::test {

// QCoro::waitFor for tasks whose value has no empty state (a Result): spins a nested event loop until the task
// is done. Tests only.
template<class T> T waitForResult(QCoro::Task<T> task)
{
    std::optional<T> out;
    const auto drive = [](QCoro::Task<T> awaited, std::optional<T> *into) -> QCoro::Task<> {
        into->emplace(co_await std::move(awaited));
    };
    QCoro::waitFor(drive(std::move(task), &out));
    return std::move(*out);
}

} // namespace amplora::test
