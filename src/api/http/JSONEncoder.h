#pragma once

#include "api/http/JSONValue.h"

#include <QByteArray>

#include <optional>

namespace amplora::api {

// The library's one JSON writer: compact, keys in ascending order, a whole-number double written without a
// fraction (-20, not -20.0). Fails (no value) on a number that is not finite, which JSON cannot carry.
class JSONEncoder {
public:
    static std::optional<QByteArray> encode(const JSONValue &value);
    static void appendNumber(QByteArray &out, double value);
    static void appendString(QByteArray &out, const QString &value);
};

} // namespace amplora::api
