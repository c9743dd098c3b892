#include "api/http/JSONEncoder.h"

#include <charconv>
#include <cmath>

namespace amplora::api {

namespace {

// Whole numbers up to this size print exactly as integers; beyond it the shortest round-trip form is used.
constexpr double kLargestExactInteger = 9007199254740992.0; // 2^53

bool appendValue(QByteArray &out, const JSONValue &value)
{
    switch (value.kind()) {
    case JSONValue::Kind::Null:
        out += "null";
        return true;
    case JSONValue::Kind::Bool:
        out += value.toBool() ? "true" : "false";
        return true;
    case JSONValue::Kind::Number:
        if (!std::isfinite(value.toNumber())) {
            return false;
        }
        JSONEncoder::appendNumber(out, value.toNumber());
        return true;
    case JSONValue::Kind::String:
        JSONEncoder::appendString(out, value.toString());
        return true;
    case JSONValue::Kind::Array: {
        out += '[';
        bool first = true;
        for (const JSONValue &element : value.toArray()) {
            if (!first) {
                out += ',';
            }
            first = false;
            if (!appendValue(out, element)) {
                return false;
            }
        }
        out += ']';
        return true;
    }
    case JSONValue::Kind::Object: {
        out += '{';
        bool first = true;
        for (const auto &[key, element] : value.toObject()) {
            if (!first) {
                out += ',';
            }
            first = false;
            JSONEncoder::appendString(out, key);
            out += ':';
            if (!appendValue(out, element)) {
                return false;
            }
        }
        out += '}';
        return true;
    }
    }
    return false;
}

} // namespace

std::optional<QByteArray> JSONEncoder::encode(const JSONValue &value)
{
    QByteArray out;
    out.reserve(256);
    if (!appendValue(out, value)) {
        return std::nullopt;
    }
    return out;
}

void JSONEncoder::appendNumber(QByteArray &out, double value)
{
    char buffer[64];
    std::to_chars_result result;
    if (value == std::trunc(value) && std::fabs(value) <= kLargestExactInteger) {
        // -0.0 prints as 0, like any whole number.
        result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
    } else {
        result = std::to_chars(buffer, buffer + sizeof buffer, value);
    }
    out.append(buffer, result.ptr - buffer);
}

void JSONEncoder::appendString(QByteArray &out, const QString &value)
{
    static constexpr char hex[] = "0123456789abcdef";
    const QByteArray utf8 = value.toUtf8();
    const char *const data = utf8.constData();
    out += '"';
    // Bytes that need no escape are copied in runs; most strings are one run.
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte >= 0x20 && byte != '"' && byte != '\\') {
            continue;
        }
        out.append(data + runStart, i - runStart);
        runStart = i + 1;
        switch (byte) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += "\\u00";
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        }
    }
    out.append(data + runStart, utf8.size() - runStart);
    out += '"';
}

} // namespace amplora::api
