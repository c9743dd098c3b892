#pragma once

// The one error style of the code base: an operation that can fail returns Result<T, E>, where E is a typed
// error that carries its complete English text (a description() member). Nothing is thrown across Qt.

#include <type_traits>
#include <utility>
#include <variant>

namespace amplora {

template<class E> struct Failure {
    E error;
};

template<class E> Failure(E) -> Failure<E>;

// Marks the successful result of an operation with no value.
struct Done {
    friend bool operator==(Done, Done) = default;
};

template<class T, class E> class [[nodiscard]] Result {
public:
    using value_type = T;
    using error_type = E;

    Result(T value)
        : m_state(std::in_place_index<0>, std::move(value))
    { }
    template<class F>
    requires std::is_convertible_v<F, E> Result(Failure<F> failure)
        : m_state(std::in_place_index<1>, E(std::move(failure.error)))
    { }

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T &value() const & { return std::get<0>(m_state); }
    T &value() & { return std::get<0>(m_state); }
    T &&value() && { return std::get<0>(std::move(m_state)); }
    const T &operator*() const & { return value(); }
    const T *operator->() const { return &value(); }

    const E &error() const & { return std::get<1>(m_state); }
    E &&error() && { return std::get<1>(std::move(m_state)); }

    friend bool operator==(const Result &, const Result &) = default;

private:
    std::variant<T, E> m_state;
};

} // namespace amplora
