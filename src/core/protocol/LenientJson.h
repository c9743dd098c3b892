#pragma once

#include "base/Result.h"
#include "core/protocol/DecodingError.h"

#include <nlohmann/json_fwd.hpp>

#include <QByteArray>
#include <QString>

namespace amplora {

// Parses receiver JSON (an answer or a push event) after repairing its text with lenientUtf8(): an invalid UTF-8
// sequence inside a string costs that one character, not the whole document. Two things the JSON library refuses
// outright spoil only the value that holds them: a number beyond the range of a double (1e400) is read as an
// infinity, which no field accepts, and a lone surrogate escape ("\ud83d") as U+FFFD. Bytes that are no JSON even
// then fail with a notJSON error that says where. The offset counts in the repaired bytes, which equal the received
// ones unless the document also held invalid UTF-8 before that point.
Result<nlohmann::json, DecodingError> parseLenientJson(const QByteArray &bytes);

// Why a JSON value is not what its field expects: the kind of decoding error it makes where the value is required,
// and the reason in words for the log line that says what was left out ("a number beyond a double").
struct Unreadable {
    DecodingError::Kind kind;
    QString why;
};

// The readings of one receiver value, the same for answers and push events. A whole number is an integer within
// int's range, or a decimal with no fraction (80.0, as some firmware prints it); a number is any finite one.
Result<int, Unreadable> readWholeNumber(const nlohmann::json &value);
Result<double, Unreadable> readNumber(const nlohmann::json &value);
Result<bool, Unreadable> readBoolean(const nlohmann::json &value);
Result<QString, Unreadable> readText(const nlohmann::json &value);

// The reason for a value of the wrong JSON type, such as "an object where a string is expected".
Unreadable wrongType(const nlohmann::json &value, const char *expected);

} // namespace amplora
