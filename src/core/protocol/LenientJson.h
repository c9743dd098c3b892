#pragma once

#include "base/Result.h"
#include "core/protocol/DecodingError.h"

#include <nlohmann/json_fwd.hpp>

#include <QByteArray>

namespace amplora {

// Parses receiver JSON (an answer or a push event) after repairing its text with lenientUtf8(): an invalid UTF-8
// sequence inside a string costs that one character, not the whole document. Bytes that are no JSON even then
// fail with a notJSON error that says where. The offset counts in the repaired bytes, which equal the received
// ones unless the document also held invalid UTF-8 before that point.
Result<nlohmann::json, DecodingError> parseLenientJson(const QByteArray &bytes);

} // namespace amplora
