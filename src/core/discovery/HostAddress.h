#pragma once

#include <QHostAddress>
#include <QString>

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

} // namespace amplora
