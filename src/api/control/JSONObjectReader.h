#pragma once

#include "api/control/EnumCases.h"
#include "api/control/JSONDecodeError.h"
#include "api/http/JSONValue.h"

#include <QString>

#include <optional>

namespace amplora::api {

// Reads typed fields of one JSON object for the API's record decoders. The first problem is kept and later
// reads answer nothing, so a decoder reads every field and checks error() once at the end. A missing key and
// a JSON null are both absent.
class JSONObjectReader {
public:
    explicit JSONObjectReader(const JSONValue &value);

    std::optional<QString> string(const QString &key, bool required = false);
    std::optional<double> number(const QString &key, bool required = false);
    // A number that must be whole (see wholeNumber()).
    std::optional<int> wholeNumber(const QString &key);
    std::optional<bool> boolean(const QString &key, bool required = false);
    const JSONValue *object(const QString &key);

    template<class E> std::optional<E> enumeration(const QString &key, bool required = false)
    {
        const std::optional<QString> text = string(key, required);
        if (!text) {
            return std::nullopt;
        }
        const std::optional<E> value = enumFromName<E>(*text);
        if (!value) {
            fail(QStringLiteral("\"%1\" must be one of: %2.").arg(key, enumNames<E>().join(QStringLiteral(", "))));
        }
        return value;
    }

    const std::optional<JSONDecodeError> &error() const { return m_error; }

private:
    // The value under `key` when it has the wanted kind; absent (and perhaps a recorded error) otherwise.
    const JSONValue *field(const QString &key, JSONValue::Kind kind, bool required, const char *expected);
    void fail(const QString &message);

    const JSONValue &m_value;
    std::optional<JSONDecodeError> m_error;
};

} // namespace amplora::api
