#include "core/discovery/DiscoveryError.h"

namespace amplora {

QString DiscoveryError::description() const
{
    switch (m_kind) {
    case Kind::socket:
        return QStringLiteral("Could not open a network socket for the search: %1.").arg(m_reason);
    case Kind::send:
        return QStringLiteral("Could not send the search on the network: %1.").arg(m_reason);
    case Kind::noNetwork:
        return QStringLiteral("No network connection: no interface is up that can search for receivers.");
    case Kind::cancelled:
        return QStringLiteral("The search was cancelled.");
    case Kind::badHost:
        return QStringLiteral("\"%1\" is not a receiver address or host name: %2.").arg(m_host, m_reason);
    case Kind::unresolved:
        return QStringLiteral("Could not find the receiver \"%1\": %2.").arg(m_host, m_reason);
    case Kind::noAnswer:
        return QStringLiteral("Nothing answered at %1: no receiver there answered the search or its device "
                              "information.")
            .arg(m_host);
    }
    return {};
}

} // namespace amplora
