#pragma once

#include "base/Result.h"
#include "core/discovery/DiscoveryError.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QString>

#include <coroutine>
#include <optional>

namespace amplora {

// Hosts that devices name are compared with where their datagrams came from as addresses, never as text:
// "10.0.0.5" and "::ffff:10.0.0.5" are one host, and a name is no address at all.

// The address, an IPv4-mapped IPv6 address as the IPv4 address it carries.
QHostAddress plainAddress(const QHostAddress &address);

// The literal address a URL's host names, plain; none for a name or an empty host.
std::optional<QHostAddress> literalAddress(const QString &host);

// Whether the host is a literal address equal to the given one.
bool namesAddress(const QString &host, const QHostAddress &address);

// Where the user says the receiver is: an IPv4 or IPv6 address or a host name, with an optional port.
struct ReceiverHost {
    QString machine; // the address or name, without brackets, port or trailing dot
    std::optional<quint16> port;

    // Whether the machine is a name to resolve rather than an address.
    bool isName() const { return !literalAddress(machine).has_value(); }
    // The text to connect to: "name", "name:port", "[fe80::1]:8080".
    QString text() const;

    // Accepts "192.168.1.20", "192.168.1.20:80", "fe80::1", "[fe80::1]:80", "av-receiver", "av-receiver.local."
    // (host name labels as RFC 1123 has them, international names in their ASCII form), with blanks around.
    // Refuses anything else with the reason: blanks or control characters inside, a scheme, a path, user
    // information, a port out of range, a malformed name or dotted number.
    static Result<ReceiverHost, DiscoveryError> parse(const QString &text);
};

// Resolves a name through the system resolver (so /etc/hosts, and mDNS where the system has it, apply) and
// resumes the waiting coroutine on the thread that asked (which needs an event loop), never blocking it.
class HostLookup {
public:
    explicit HostLookup(QString name)
        : m_name(std::move(name))
    { }
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> waiter);
    QHostInfo await_resume() const { return m_info; }

private:
    QString m_name;
    QHostInfo m_info;
};

} // namespace amplora
