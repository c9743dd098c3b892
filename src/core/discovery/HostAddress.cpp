#include "core/discovery/HostAddress.h"

namespace amplora {

QHostAddress plainAddress(const QHostAddress &address)
{
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        bool mapped = false;
        const quint32 ipv4 = address.toIPv4Address(&mapped);
        if (mapped) {
            return QHostAddress(ipv4);
        }
    }
    return address;
}

std::optional<QHostAddress> literalAddress(const QString &host)
{
    QHostAddress address;
    if (host.isEmpty() || !address.setAddress(host)) {
        return std::nullopt;
    }
    return plainAddress(address);
}

bool namesAddress(const QString &host, const QHostAddress &address)
{
    const auto named = literalAddress(host);
    return named && !address.isNull() && *named == plainAddress(address);
}

} // namespace amplora
