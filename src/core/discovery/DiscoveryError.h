#pragma once

#include <QString>

namespace amplora {

// Why a discovery run failed as a whole, or why probing one host found nothing. In a search, devices that do not
// answer or are not receivers are no error: they are left out of the list.
class DiscoveryError {
public:
    enum class Kind {
        socket, // the search socket could not be opened
        send, // the search could not be sent on any interface
        noNetwork, // no interface is up that can carry the search
        cancelled,
        badHost, // the text is no address or host name
        unresolved, // the name does not resolve
        noAnswer, // a probed host answered neither the search nor as a receiver
    };

    static DiscoveryError socket(const QString &reason) { return { Kind::socket, reason }; }
    static DiscoveryError send(const QString &reason) { return { Kind::send, reason }; }
    static DiscoveryError noNetwork() { return { Kind::noNetwork, {} }; }
    static DiscoveryError cancelled() { return { Kind::cancelled, {} }; }
    static DiscoveryError badHost(const QString &text, const QString &why) { return { Kind::badHost, why, text }; }
    static DiscoveryError unresolved(const QString &name, const QString &reason)
    {
        return { Kind::unresolved, reason, name };
    }
    static DiscoveryError noAnswer(const QString &host) { return { Kind::noAnswer, {}, host }; }

    Kind kind() const { return m_kind; }
    // The socket layer's text for socket and send, the resolver's for unresolved, what is wrong for badHost.
    const QString &reason() const { return m_reason; }
    // The host as given, for badHost, unresolved and noAnswer.
    const QString &host() const { return m_host; }

    QString description() const;

    friend bool operator==(const DiscoveryError &, const DiscoveryError &) = default;

private:
    DiscoveryError(Kind kind, QString reason, QString host = {})
        : m_kind(kind)
        , m_reason(std::move(reason))
        , m_host(std::move(host))
    { }

    Kind m_kind;
    QString m_reason;
    QString m_host;
};

} // namespace amplora
