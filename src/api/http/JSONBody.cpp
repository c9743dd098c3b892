#include "api/http/JSONBody.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

namespace amplora::api {

struct JSONObject::Data {
    nlohmann::json object;
};

JSONObject::JSONObject()
    : m_data(std::make_shared<const Data>(Data { nlohmann::json::object() }))
{ }
JSONObject::~JSONObject() = default;
JSONObject::JSONObject(const JSONObject &) = default;
JSONObject &JSONObject::operator=(const JSONObject &) = default;

QStringList JSONObject::keys() const
{
    QStringList keys;
    for (const auto &item : m_data->object.items()) {
        keys.append(QString::fromStdString(item.key()));
    }
    keys.sort();
    return keys;
}

bool JSONObject::contains(const QString &key) const
{
    return m_data->object.contains(key.toStdString());
}

namespace {

APIError badRequest(const char *code, QString message)
{
    return APIError { 400, QString::fromLatin1(code), std::move(message), {}, {}, {} };
}

QString quoted(const QString &key)
{
    return u'"' + key + u'"';
}

// The value under `key`, or nothing when the key is missing or holds null.
const nlohmann::json *presentValue(const nlohmann::json &object, const QString &key)
{
    const auto it = object.find(key.toStdString());
    if (it == object.end() || it->is_null()) {
        return nullptr;
    }
    return &*it;
}

} // namespace

Result<JSONObject, APIError> jsonObject(QByteArrayView body, const QStringList &allowedKeys)
{
    if (body.isEmpty()) {
        return Failure { badRequest("missing_body", QStringLiteral("A JSON object body is required.")) };
    }
    nlohmann::json parsed = nlohmann::json::parse(body.begin(), body.end(), nullptr, false);
    if (parsed.is_discarded()) {
        return Failure { badRequest("invalid_json", QStringLiteral("The body is not valid JSON.")) };
    }
    if (!parsed.is_object()) {
        return Failure { badRequest("invalid_json", QStringLiteral("The body must be a JSON object.")) };
    }

    QStringList unknown;
    for (const auto &item : parsed.items()) {
        const QString key = QString::fromStdString(item.key());
        if (!allowedKeys.contains(key)) {
            unknown.append(key);
        }
    }
    if (!unknown.isEmpty()) {
        QStringList allowed = allowedKeys;
        unknown.sort();
        allowed.sort();
        return Failure { badRequest("unknown_field",
            QStringLiteral("Unknown field(s): %1. Allowed: %2.")
                .arg(unknown.join(QStringLiteral(", ")), allowed.join(QStringLiteral(", ")))) };
    }
    JSONObject object;
    object.m_data = std::make_shared<const JSONObject::Data>(JSONObject::Data { std::move(parsed) });
    return object;
}

Result<std::optional<bool>, APIError> boolField(const JSONObject &object, const QString &key)
{
    const nlohmann::json *value = presentValue(object.m_data->object, key);
    if (!value) {
        return std::optional<bool>();
    }
    if (!value->is_boolean()) {
        return Failure { badRequest("invalid_type", quoted(key) + QStringLiteral(" must be true or false.")) };
    }
    return std::optional<bool>(value->get<bool>());
}

Result<std::optional<QString>, APIError> stringField(const JSONObject &object, const QString &key)
{
    const nlohmann::json *value = presentValue(object.m_data->object, key);
    if (!value) {
        return std::optional<QString>();
    }
    if (!value->is_string()) {
        return Failure { badRequest("invalid_type", quoted(key) + QStringLiteral(" must be a string.")) };
    }
    const QString trimmed = QString::fromStdString(value->get_ref<const std::string &>()).trimmed();
    if (trimmed.isEmpty()) {
        return Failure { badRequest("invalid_value", quoted(key) + QStringLiteral(" must not be empty.")) };
    }
    return std::optional<QString>(trimmed);
}

Result<std::optional<double>, APIError> numberField(const JSONObject &object, const QString &key)
{
    const nlohmann::json *value = presentValue(object.m_data->object, key);
    if (!value) {
        return std::optional<double>();
    }
    if (!value->is_number() || !std::isfinite(value->get<double>())) {
        return Failure { badRequest("invalid_type", quoted(key) + QStringLiteral(" must be a number.")) };
    }
    return std::optional<double>(value->get<double>());
}

} // namespace amplora::api
