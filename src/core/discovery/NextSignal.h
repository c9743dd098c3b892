#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <coroutine>
#include <functional>
#include <memory>
#include <optional>

namespace amplora {

// Awaits the next emission of one signal, or a time-out: `bool fired = co_await NextSignal(run, &Run::changed)`.
// The coroutine resumes on a later turn of the event loop, never inside the emission or the timer, so a signal
// emitted again meanwhile, or both at once, cannot touch a finished wait. (QCoro 0.8's signal awaiter does: a
// second emission in the same turn reaches its freed state.)
class NextSignal {
public:
    template<class Sender, class Signal>
    NextSignal(Sender *sender, Signal signal, std::optional<std::chrono::milliseconds> timeout = std::nullopt)
        : m_connect([sender, signal](QObject *context, std::function<void()> fire) {
            QObject::connect(sender, signal, context, std::move(fire));
        })
        , m_timeout(timeout)
    { }

    NextSignal(const NextSignal &) = delete;
    NextSignal &operator=(const NextSignal &) = delete;
    // g++ moves a temporary awaiter into the coroutine frame; nothing refers to it before it is awaited.
    NextSignal(NextSignal &&) = default;

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> handle)
    {
        m_context = std::make_unique<QObject>();
        const auto wake = [this, handle](bool fired) {
            if (m_woken) {
                return;
            }
            m_woken = true;
            m_fired = fired;
            // Resumed from an object that outlives this wait, so the wait may end (and free its context) freely.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [handle] { handle.resume(); }, Qt::QueuedConnection);
        };
        m_connect(m_context.get(), [wake] { wake(true); });
        if (m_timeout) {
            auto *timer = new QTimer(m_context.get());
            timer->setSingleShot(true);
            QObject::connect(timer, &QTimer::timeout, m_context.get(), [wake] { wake(false); });
            timer->start(*m_timeout);
        }
    }

    // True when the signal came, false when the time ran out.
    bool await_resume() const noexcept { return m_fired; }

private:
    std::function<void(QObject *, std::function<void()>)> m_connect;
    std::optional<std::chrono::milliseconds> m_timeout;
    std::unique_ptr<QObject> m_context;
    bool m_woken = false;
    bool m_fired = false;
};

} // namespace amplora
