#include "core/protocol/LenientJson.h"

#include "core/protocol/LenientText.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace amplora {

namespace {

using json = nlohmann::json;
using Kind = DecodingError::Kind;

// A number of the document, counted in reading order from 0, that stands for a value beyond a double.
struct Infinity {
    std::size_t number;
    double value;
};

// The library's own document builder, which also notes where the text stopped being JSON (one pass, no
// exceptions, and a position for every kind of failure) and puts back the infinities a rewrite took out.
struct LocatingBuilder : nlohmann::detail::json_sax_dom_parser<json> {
    using json_sax_dom_parser::json_sax_dom_parser;

    // Counted from 1, as the library does: the byte at which it gave up, or the size plus one when the text ran out.
    std::size_t stoppedAt = 0;
    std::span<const Infinity> infinities;
    std::size_t numbers = 0;

    template<class Exception> bool parse_error(std::size_t position, const std::string &, const Exception &)
    {
        stoppedAt = position;
        return false;
    }

    bool number_integer(number_integer_t value)
    {
        const auto infinity = takeInfinity();
        return infinity ? json_sax_dom_parser::number_float(*infinity, {}) : json_sax_dom_parser::number_integer(value);
    }

    bool number_unsigned(number_unsigned_t value)
    {
        const auto infinity = takeInfinity();
        return infinity ? json_sax_dom_parser::number_float(*infinity, {})
                        : json_sax_dom_parser::number_unsigned(value);
    }

    bool number_float(number_float_t value, const string_t &text)
    {
        const auto infinity = takeInfinity();
        return json_sax_dom_parser::number_float(infinity.value_or(value), text);
    }

private:
    std::optional<double> takeInfinity()
    {
        const std::size_t index = numbers++;
        if (infinities.empty() || infinities.front().number != index) {
            return std::nullopt;
        }
        const double value = infinities.front().value;
        infinities = infinities.subspan(1);
        return value;
    }
};

// Whether one number token is well-formed JSON whose value is beyond a double: asked of the library itself, so
// that the answer matches its reading to the last digit.
struct OverflowCheck : nlohmann::detail::json_sax_acceptor<json> {
    bool beyondDouble = false;

    template<class Exception> bool parse_error(std::size_t, const std::string &, const Exception &exception)
    {
        beyondDouble = exception.id == 406; // "number overflow"
        return false;
    }
};

bool isBeyondDouble(const QByteArray &token)
{
    // Only an exponent or more digits than a double's largest value has can take a number that far.
    constexpr qsizetype longestFinite = 310;
    if (!token.contains('e') && !token.contains('E') && token.size() < longestFinite) {
        return false;
    }
    OverflowCheck check;
    json::sax_parse(token.cbegin(), token.cend(), &check);
    return check.beyondDouble;
}

bool isNumberByte(char byte)
{
    return (byte >= '0' && byte <= '9') || byte == '-' || byte == '+' || byte == '.' || byte == 'e' || byte == 'E';
}

std::optional<char16_t> escapedUnit(const QByteArray &text, qsizetype at)
{
    // "\uXXXX" at `at`.
    if (at + 6 > text.size() || text.at(at) != '\\' || text.at(at + 1) != 'u') {
        return std::nullopt;
    }
    char16_t unit = 0;
    for (qsizetype i = at + 2; i < at + 6; ++i) {
        const char byte = text.at(i);
        int digit = -1;
        if (byte >= '0' && byte <= '9') {
            digit = byte - '0';
        } else if (byte >= 'a' && byte <= 'f') {
            digit = byte - 'a' + 10;
        } else if (byte >= 'A' && byte <= 'F') {
            digit = byte - 'A' + 10;
        } else {
            return std::nullopt;
        }
        unit = static_cast<char16_t>(unit * 16 + digit);
    }
    return unit;
}

// The document with what the library refuses rewritten in place, at the same length so that every offset stays
// that of the received text: a number beyond a double becomes a 0 padded with spaces (and is noted, to be read as
// the infinity it stood for), a lone surrogate escape becomes "\ufffd".
struct Rewrite {
    QByteArray text;
    std::vector<Infinity> infinities;
    bool changed = false;

    // Past the string whose opening quote is just before `at`.
    qsizetype string(qsizetype at)
    {
        while (at < text.size()) {
            const char byte = text.at(at);
            if (byte == '"') {
                return at + 1;
            }
            if (byte != '\\') {
                ++at;
                continue;
            }
            const auto unit = escapedUnit(text, at);
            if (!unit) {
                at += 2;
                continue;
            }
            if (QChar::isHighSurrogate(*unit)) {
                const auto next = escapedUnit(text, at + 6);
                if (next && QChar::isLowSurrogate(*next)) {
                    at += 12;
                    continue;
                }
            }
            if (QChar::isSurrogate(*unit)) {
                text.replace(at, 6, "\\ufffd");
                changed = true;
            }
            at += 6;
        }
        return at;
    }

    void run()
    {
        std::size_t numbers = 0;
        qsizetype at = 0;
        while (at < text.size()) {
            const char byte = text.at(at);
            if (byte == '"') {
                at = string(at + 1);
            } else if (byte == '-' || (byte >= '0' && byte <= '9')) {
                qsizetype end = at;
                while (end < text.size() && isNumberByte(text.at(end))) {
                    ++end;
                }
                if (isBeyondDouble(text.mid(at, end - at))) {
                    const double infinity = std::numeric_limits<double>::infinity();
                    infinities.push_back({ numbers, byte == '-' ? -infinity : infinity });
                    text.replace(at, end - at, '0' + QByteArray(end - at - 1, ' '));
                    changed = true;
                }
                ++numbers;
                at = end;
            } else {
                ++at;
            }
        }
    }
};

// Its moves are json's, which are noexcept; the check follows json's invariant assertion into code that cannot
// throw there (nlohmann marks its own moves the same way).
// NOLINTNEXTLINE(bugprone-exception-escape)
struct Parsed {
    json root;
    bool ok = false;
    std::size_t stoppedAt = 0;
};

Parsed parse(const QByteArray &text, std::span<const Infinity> infinities)
{
    Parsed parsed;
    LocatingBuilder builder(parsed.root, /*allow_exceptions=*/false);
    builder.infinities = infinities;
    parsed.ok = json::sax_parse(text.cbegin(), text.cend(), &builder);
    parsed.stoppedAt = builder.stoppedAt;
    return parsed;
}

QString typeName(const json &value)
{
    switch (value.type()) {
    case json::value_t::object:
        return QStringLiteral("an object");
    case json::value_t::array:
        return QStringLiteral("a list");
    case json::value_t::string:
        return QStringLiteral("a string");
    case json::value_t::boolean:
        return QStringLiteral("a boolean");
    case json::value_t::null:
        return QStringLiteral("null");
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
    case json::value_t::number_float:
        return QStringLiteral("a number");
    case json::value_t::binary:
    case json::value_t::discarded:
        break;
    }
    return QStringLiteral("a value");
}

Unreadable beyondDouble()
{
    return { Kind::dataCorrupted, QStringLiteral("a number beyond a double") };
}

} // namespace

Result<nlohmann::json, DecodingError> parseLenientJson(const QByteArray &bytes)
{
    const QByteArray text = lenientUtf8(bytes);
    Parsed parsed = parse(text, {});
    if (!parsed.ok) {
        // Nearly every answer parses at once; only one that did not pays for the rewrite.
        Rewrite rewrite { text, {} };
        rewrite.run();
        if (rewrite.changed) {
            parsed = parse(rewrite.text, rewrite.infinities);
        }
    }
    if (parsed.ok) {
        return std::move(parsed.root);
    }
    const auto offset = static_cast<qsizetype>(parsed.stoppedAt > 0 ? parsed.stoppedAt - 1 : 0);
    return Failure { DecodingError::notJSON(text, offset) };
}

Unreadable wrongType(const nlohmann::json &value, const char *expected)
{
    return { Kind::typeMismatch,
        typeName(value) + QStringLiteral(" where ") + QLatin1String(expected) + QStringLiteral(" is expected") };
}

Result<int, Unreadable> readWholeNumber(const nlohmann::json &value)
{
    constexpr auto lowest = std::numeric_limits<int>::min();
    constexpr auto highest = std::numeric_limits<int>::max();
    const Unreadable beyondInt { Kind::dataCorrupted, QStringLiteral("a number beyond the integer range") };
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(highest)) {
            return Failure { beyondInt };
        }
        return static_cast<int>(number);
    }
    if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        if (number < lowest || number > highest) {
            return Failure { beyondInt };
        }
        return static_cast<int>(number);
    }
    if (value.is_number_float()) {
        const double number = value.get<double>();
        if (!std::isfinite(number)) {
            return Failure { beyondDouble() };
        }
        if (std::trunc(number) != number) {
            return Failure { Unreadable {
                Kind::typeMismatch, QStringLiteral("a fraction where a whole number is expected") } };
        }
        if (number < lowest || number > highest) {
            return Failure { beyondInt };
        }
        return static_cast<int>(number);
    }
    return Failure { wrongType(value, "a whole number") };
}

Result<double, Unreadable> readNumber(const nlohmann::json &value)
{
    if (!value.is_number()) {
        return Failure { wrongType(value, "a number") };
    }
    const double number = value.get<double>();
    if (!std::isfinite(number)) {
        return Failure { beyondDouble() };
    }
    return number;
}

Result<bool, Unreadable> readBoolean(const nlohmann::json &value)
{
    if (!value.is_boolean()) {
        return Failure { wrongType(value, "a boolean") };
    }
    return value.get<bool>();
}

Result<QString, Unreadable> readText(const nlohmann::json &value)
{
    if (!value.is_string()) {
        return Failure { wrongType(value, "a string") };
    }
    return QString::fromStdString(value.get_ref<const std::string &>());
}

} // namespace amplora
