#include "core/store/StoreError.h"

namespace amplora {

QString StoreError::description() const
{
    switch (m_kind) {
    case Kind::receiver:
        return m_receiverError ? m_receiverError->description() : QString();
    case Kind::otherReceiver:
        return QStringLiteral("The saved address belongs to another receiver.");
    case Kind::superseded:
        return QStringLiteral("The answer came after the request was superseded.");
    case Kind::abandoned:
        return QStringLiteral("The read was abandoned: nobody waited for its answer any more.");
    }
    return {};
}

} // namespace amplora
