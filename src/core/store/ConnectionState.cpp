#include "core/store/ConnectionState.h"

namespace amplora {

QString ConnectionState::name() const
{
    switch (m_kind) {
    case Kind::idle:
        return QStringLiteral("idle");
    case Kind::connecting:
        return QStringLiteral("connecting");
    case Kind::connected:
        return QStringLiteral("connected");
    case Kind::failed:
        return QStringLiteral("failed");
    }
    return {};
}

} // namespace amplora
