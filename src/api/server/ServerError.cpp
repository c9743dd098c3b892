#include "api/server/ServerError.h"

namespace amplora::api {

QString ServerError::description() const
{
    switch (m_kind) {
    case Kind::ListenerFailed:
        return m_platformDescription;
    case Kind::AlreadyRunning:
        return QStringLiteral("The API is already running.");
    case Kind::TokenStore:
        return m_keychainError.description();
    }
    return {};
}

} // namespace amplora::api
