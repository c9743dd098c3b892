#include "api/scenes/InputProfile.h"

#include "api/control/JSONObjectReader.h"

namespace amplora::api {

QStringList InputProfile::settingKeys()
{
    return { QStringLiteral("soundMode"), QStringLiteral("direct"), QStringLiteral("volumeDb"),
        QStringLiteral("dialogueLevel") };
}

JSONValue InputProfile::toJSON() const
{
    JSONValue::Object object { { QStringLiteral("input"), JSONValue(input) } };
    if (soundMode) {
        object.emplace(QStringLiteral("soundMode"), JSONValue(*soundMode));
    }
    if (direct) {
        object.emplace(QStringLiteral("direct"), JSONValue(*direct));
    }
    if (volumeDb) {
        object.emplace(QStringLiteral("volumeDb"), JSONValue(*volumeDb));
    }
    if (dialogueLevel) {
        object.emplace(QStringLiteral("dialogueLevel"), JSONValue(*dialogueLevel));
    }
    return JSONValue(std::move(object));
}

JSONValue InputProfile::toStoredJSON() const
{
    JSONValue::Object object = toJSON().toObject();
    object.emplace(QStringLiteral("zone"), JSONValue(enumName(zone)));
    return JSONValue(std::move(object));
}

QStringList InputProfile::storedKeys()
{
    return QStringList { QStringLiteral("zone"), QStringLiteral("input") } + settingKeys();
}

Result<InputProfile, JSONDecodeError> InputProfile::fromStoredJSON(const JSONValue &value)
{
    JSONObjectReader reader(value);
    InputProfile profile;
    profile.zone = reader.enumeration<Zone>(QStringLiteral("zone"), true).value_or(Zone::main);
    profile.input = reader.string(QStringLiteral("input"), true).value_or(QString());
    profile.readSettings(reader);
    if (const std::optional<JSONDecodeError> &error = reader.error()) {
        return Failure { *error };
    }
    return profile;
}

} // namespace amplora::api
