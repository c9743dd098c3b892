#pragma once

#include <QString>

#include <chrono>

namespace amplora {

// Why the push-event self-test reports no arrival: it could not run (no connection, no port, read-only mode, a
// refused request, a restarted connection) or it ran and no event came in time. The text is the one shown.
class PushEventCheckError {
public:
    enum class Kind { notConnected, noListener, readOnly, requestFailed, interrupted, noEvent };

    static PushEventCheckError notConnected();
    static PushEventCheckError noListener();
    static PushEventCheckError readOnly();
    static PushEventCheckError requestFailed(const QString &description);
    static PushEventCheckError interrupted();
    // `waited` is the wait that passed, `port` the bound event port, `sender` the receiver's address and
    // `pollPause` how often the store polls meanwhile.
    static PushEventCheckError noEvent(
        std::chrono::milliseconds waited, quint16 port, const QString &sender, std::chrono::milliseconds pollPause);

    Kind kind() const { return m_kind; }
    QString description() const { return m_text; }

    friend bool operator==(const PushEventCheckError &, const PushEventCheckError &) = default;

private:
    PushEventCheckError(Kind kind, QString text)
        : m_kind(kind)
        , m_text(std::move(text))
    { }

    Kind m_kind;
    QString m_text;
};

// The line of a passed self-test: "Push events arrive (12 ms)."
QString pushEventsArriveText(std::chrono::milliseconds latency);

} // namespace amplora
