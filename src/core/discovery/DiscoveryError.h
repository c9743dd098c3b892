#pragma once

#include <QString>

namespace amplora {

// Why a discovery run failed as a whole. Devices that do not answer or are not receivers are no error: they are
// left out of the list.
class DiscoveryError {
public:
    enum class Kind {
        socket, // the search socket could not be opened
        send, // the search could not be sent on any interface
        noNetwork, // no interface is up that can carry the search
        cancelled,
    };

    static DiscoveryError socket(const QString &reason) { return { Kind::socket, reason }; }
    static DiscoveryError send(const QString &reason) { return { Kind::send, reason }; }
    static DiscoveryError noNetwork() { return { Kind::noNetwork, {} }; }
    static DiscoveryError cancelled() { return { Kind::cancelled, {} }; }

    Kind kind() const { return m_kind; }
    // The socket layer's text, for socket and send.
    const QString &reason() const { return m_reason; }

    QString description() const;

    friend bool operator==(const DiscoveryError &, const DiscoveryError &) = default;

private:
    DiscoveryError(Kind kind, QString reason)
        : m_kind(kind)
        , m_reason(std::move(reason))
    { }

    Kind m_kind;
    QString m_reason;
};

} // namespace amplora
