#include "api/control/ReceiverHealth.h"

namespace amplora::api {

namespace {

JSONValue orNull(const std::optional<int> &value)
{
    return value ? JSONValue(*value) : JSONValue(nullptr);
}

} // namespace

JSONValue ReceiverHealth::toJSON() const
{
    return JSONValue(JSONValue::Object {
        { QStringLiteral("receiver"), JSONValue(receiver) },
        { QStringLiteral("connection"), JSONValue(enumName(connection)) },
        { QStringLiteral("updates"), JSONValue(enumName(updates)) },
        { QStringLiteral("lastEventSecondsAgo"), orNull(lastEventSecondsAgo) },
        { QStringLiteral("eventPort"), orNull(eventPort) },
    });
}

} // namespace amplora::api
