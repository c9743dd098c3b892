#include "core/protocol/LenientJson.h"

#include "core/protocol/LenientText.h"

#include <nlohmann/json.hpp>

#include <string>

namespace amplora {

namespace {

using json = nlohmann::json;

// The library's own document builder, which also notes where the text stopped being JSON: one pass, no
// exceptions, and a position for every kind of failure (a number too large included).
struct LocatingBuilder : nlohmann::detail::json_sax_dom_parser<json> {
    using json_sax_dom_parser::json_sax_dom_parser;

    // Counted from 1, as the library does: the byte at which it gave up, or the size plus one when the text ran out.
    std::size_t stoppedAt = 0;

    template<class Exception> bool parse_error(std::size_t position, const std::string &, const Exception &)
    {
        stoppedAt = position;
        return false;
    }
};

} // namespace

Result<nlohmann::json, DecodingError> parseLenientJson(const QByteArray &bytes)
{
    const QByteArray text = lenientUtf8(bytes);
    json root;
    LocatingBuilder builder(root, /*allow_exceptions=*/false);
    if (json::sax_parse(text.cbegin(), text.cend(), &builder)) {
        return root;
    }
    const auto offset = static_cast<qsizetype>(builder.stoppedAt > 0 ? builder.stoppedAt - 1 : 0);
    return Failure { DecodingError::notJSON(text, offset) };
}

} // namespace amplora
