#pragma once

#include "api/http/APIError.h"

#include "base/Result.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace amplora::api {

// A request body that parsed as a JSON object whose keys are all allowed. Read its fields with the readers
// below; they give the client the exact message for a wrong type.
class JSONObject {
public:
    JSONObject();
    ~JSONObject();
    JSONObject(const JSONObject &);
    JSONObject &operator=(const JSONObject &);

    QStringList keys() const; // sorted
    bool contains(const QString &key) const;

private:
    struct Data;
    std::shared_ptr<const Data> m_data;

    friend Result<JSONObject, APIError> jsonObject(QByteArrayView body, const QStringList &allowedKeys);
    friend Result<std::optional<bool>, APIError> boolField(const JSONObject &object, const QString &key);
    friend Result<std::optional<QString>, APIError> stringField(const JSONObject &object, const QString &key);
    friend Result<std::optional<double>, APIError> numberField(const JSONObject &object, const QString &key);
};

// The body as a JSON object limited to `allowedKeys`: 400 missing_body, invalid_json or unknown_field.
Result<JSONObject, APIError> jsonObject(QByteArrayView body, const QStringList &allowedKeys);

// A missing key and a JSON null both read as absent. Each fails with 400 invalid_type (and a string that is
// empty once trimmed with 400 invalid_value).
Result<std::optional<bool>, APIError> boolField(const JSONObject &object, const QString &key);
Result<std::optional<QString>, APIError> stringField(const JSONObject &object, const QString &key);
Result<std::optional<double>, APIError> numberField(const JSONObject &object, const QString &key);

} // namespace amplora::api
