#include "api/auth/KeychainError.h"

namespace amplora::api {

QString KeychainError::description() const
{
    return QStringLiteral("Keychain error %1: %2")
        .arg(status)
        .arg(platformMessage.isEmpty() ? QStringLiteral("unknown") : platformMessage);
}

} // namespace amplora::api
