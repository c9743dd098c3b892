#include "api/control/JSONObjectReader.h"

#include "api/control/WholeNumber.h"

namespace amplora::api {

JSONObjectReader::JSONObjectReader(const JSONValue &value)
    : m_value(value)
{
    if (value.kind() != JSONValue::Kind::Object) {
        fail(QStringLiteral("Expected a JSON object."));
    }
}

const JSONValue *JSONObjectReader::field(const QString &key, JSONValue::Kind kind, bool required, const char *expected)
{
    if (m_error) {
        return nullptr;
    }
    const JSONValue::Object &object = m_value.toObject();
    const auto found = object.find(key);
    if (found == object.end() || found->second.isNull()) {
        if (required) {
            fail(QStringLiteral("\"%1\" is missing.").arg(key));
        }
        return nullptr;
    }
    if (found->second.kind() != kind) {
        fail(QStringLiteral("\"%1\" must be %2.").arg(key, QLatin1StringView(expected)));
        return nullptr;
    }
    return &found->second;
}

std::optional<QString> JSONObjectReader::string(const QString &key, bool required)
{
    if (const JSONValue *value = field(key, JSONValue::Kind::String, required, "a string")) {
        return value->toString();
    }
    return std::nullopt;
}

std::optional<double> JSONObjectReader::number(const QString &key, bool required)
{
    if (const JSONValue *value = field(key, JSONValue::Kind::Number, required, "a number")) {
        return value->toNumber();
    }
    return std::nullopt;
}

std::optional<int> JSONObjectReader::wholeNumber(const QString &key)
{
    const std::optional<double> value = number(key);
    if (!value) {
        return std::nullopt;
    }
    const std::optional<int> whole = api::wholeNumber(*value);
    if (!whole) {
        fail(QStringLiteral("\"%1\" must be a whole number.").arg(key));
    }
    return whole;
}

std::optional<bool> JSONObjectReader::boolean(const QString &key, bool required)
{
    if (const JSONValue *value = field(key, JSONValue::Kind::Bool, required, "true or false")) {
        return value->toBool();
    }
    return std::nullopt;
}

const JSONValue *JSONObjectReader::object(const QString &key)
{
    return field(key, JSONValue::Kind::Object, false, "an object");
}

void JSONObjectReader::fail(const QString &message)
{
    if (!m_error) {
        m_error = JSONDecodeError { message };
    }
}

} // namespace amplora::api
