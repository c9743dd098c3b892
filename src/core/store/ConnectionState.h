#pragma once

#include <QString>

namespace amplora {

// Where the store's connection to its receiver stands. A failure carries the reason the status line shows.
class ConnectionState {
public:
    enum class Kind { idle, connecting, connected, failed };

    static ConnectionState idle() { return { Kind::idle, {} }; }
    static ConnectionState connecting() { return { Kind::connecting, {} }; }
    static ConnectionState connected() { return { Kind::connected, {} }; }
    static ConnectionState failed(QString reason) { return { Kind::failed, std::move(reason) }; }

    Kind kind() const { return m_kind; }
    bool is(Kind kind) const { return m_kind == kind; }
    // The failure's text; empty for the other states.
    const QString &reason() const { return m_reason; }

    // "idle", "connecting", "connected" or "failed".
    QString name() const;

    friend bool operator==(const ConnectionState &, const ConnectionState &) = default;

private:
    ConnectionState(Kind kind, QString reason)
        : m_kind(kind)
        , m_reason(std::move(reason))
    { }

    Kind m_kind;
    QString m_reason;
};

} // namespace amplora
