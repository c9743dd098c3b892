#include "api/http/JSONValue.h"

namespace amplora::api {

JSONValue JSONValue::fromStrings(const QStringList &strings)
{
    Array array;
    array.reserve(strings.size());
    for (const QString &string : strings) {
        array.emplace_back(string);
    }
    return JSONValue(std::move(array));
}

bool operator==(const JSONValue &a, const JSONValue &b)
{
    if (a.m_kind != b.m_kind) {
        return false;
    }
    switch (a.m_kind) {
    case JSONValue::Kind::Null:
        return true;
    case JSONValue::Kind::Bool:
        return a.m_bool == b.m_bool;
    case JSONValue::Kind::Number:
        return a.m_number == b.m_number;
    case JSONValue::Kind::String:
        return a.m_string == b.m_string;
    case JSONValue::Kind::Array:
        return a.m_array == b.m_array;
    case JSONValue::Kind::Object:
        return a.m_object == b.m_object;
    }
    return false;
}

} // namespace amplora::api
