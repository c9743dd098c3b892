#include "api/http/APIError.h"

namespace amplora::api {

JSONValue APIError::toJSON() const
{
    JSONValue::Object object {
        { QStringLiteral("status"), JSONValue(status) },
        { QStringLiteral("code"), JSONValue(code) },
        { QStringLiteral("message"), JSONValue(message) },
    };
    if (cap) {
        object.emplace(QStringLiteral("cap"), JSONValue(*cap));
    }
    if (validNames) {
        object.emplace(QStringLiteral("validNames"), JSONValue::fromStrings(*validNames));
    }
    if (retryAfterSeconds) {
        object.emplace(QStringLiteral("retryAfterSeconds"), JSONValue(*retryAfterSeconds));
    }
    return JSONValue(std::move(object));
}

JSONValue ErrorEnvelope::toJSON() const
{
    return JSONValue(JSONValue::Object { { QStringLiteral("error"), error.toJSON() } });
}

} // namespace amplora::api
