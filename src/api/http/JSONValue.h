#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <map>
#include <vector>

namespace amplora::api {

// Arbitrary JSON for the small result objects the router builds. Objects keep their keys sorted, which is the
// order the shared encoder writes them in. Compared deeply, case by case.
class JSONValue {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };
    using Array = std::vector<JSONValue>;
    using Object = std::map<QString, JSONValue>;

    JSONValue() = default; // null
    JSONValue(std::nullptr_t) { }
    JSONValue(bool value)
        : m_kind(Kind::Bool)
        , m_bool(value)
    { }
    JSONValue(int value)
        : m_kind(Kind::Number)
        , m_number(value)
    { }
    JSONValue(double value)
        : m_kind(Kind::Number)
        , m_number(value)
    { }
    JSONValue(QString value)
        : m_kind(Kind::String)
        , m_string(std::move(value))
    { }
    // Without this a string literal would silently pick the bool constructor.
    JSONValue(const char *utf8)
        : m_kind(Kind::String)
        , m_string(QString::fromUtf8(utf8))
    { }
    JSONValue(Array value)
        : m_kind(Kind::Array)
        , m_array(std::move(value))
    { }
    JSONValue(Object value)
        : m_kind(Kind::Object)
        , m_object(std::move(value))
    { }

    static JSONValue fromStrings(const QStringList &strings);

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool toBool() const { return m_bool; }
    double toNumber() const { return m_number; }
    const QString &toString() const { return m_string; }
    const Array &toArray() const { return m_array; }
    const Object &toObject() const { return m_object; }

    friend bool operator==(const JSONValue &a, const JSONValue &b);

private:
    Kind m_kind = Kind::Null;
    bool m_bool = false;
    double m_number = 0;
    QString m_string;
    Array m_array;
    Object m_object;
};

} // namespace amplora::api
