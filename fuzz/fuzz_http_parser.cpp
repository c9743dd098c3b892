// libFuzzer target: the API's request parser, then the JSON body readers and the error response writer on what
// it produced. Crashes, leaks, hangs and broken invariants all count as findings.

#include "api/http/HTTPRequestParser.h"
#include "api/http/HTTPResponse.h"
#include "api/http/JSONBody.h"

#include <QStringList>

#include "FuzzRequire.h"

#include <cstdint>
#include <cstdlib>

using namespace amplora::api;

namespace {

void readBody(const QByteArray &body)
{
    static const QStringList allowed { QStringLiteral("db"), QStringLiteral("step"), QStringLiteral("mute"),
        QStringLiteral("input") };
    const auto object = jsonObject(body, allowed);
    if (!object) {
        require(object.error().status == 400);
        require(!HTTPResponse::error(object.error()).serialized().isEmpty());
        return;
    }
    (void)numberField(object.value(), QStringLiteral("db"));
    (void)stringField(object.value(), QStringLiteral("step"));
    (void)boolField(object.value(), QStringLiteral("mute"));
    if (const auto input = stringField(object.value(), QStringLiteral("input")); input && input.value())
        require(!input.value()->isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Small limits so the fuzzer reaches both of them quickly.
    const HTTPRequestParser::Limits limits { 512, 256 };
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const HTTPRequestParser::State whole = HTTPRequestParser::parse(bytes, limits);

    // Feeding the same bytes in pieces, as a connection does, reaches the same verdict at the first piece that
    // settles it, and never later than the whole buffer.
    HTTPRequestParser parser(limits);
    const qsizetype step = size > 0 ? 1 + data[0] % 61 : 1;
    HTTPRequestParser::State incremental;
    for (qsizetype offset = 0; offset < bytes.size() && incremental.needMore(); offset += step) {
        parser.append(bytes.sliced(offset, std::min(step, bytes.size() - offset)));
        incremental = parser.parse();
    }
    require(incremental.kind == whole.kind);
    // However the bytes are split, each is searched once for the blank line and the header block decoded once.
    require(parser.bytesExamined() <= 2 * parser.buffer().size());

    switch (whole.kind) {
    case HTTPRequestParser::State::Kind::NeedMore:
        break;
    case HTTPRequestParser::State::Kind::Failed:
        require(whole.error.status >= 400 && !whole.error.code.isEmpty() && !whole.error.message.isEmpty());
        require(HTTPResponse::error(whole.error).serialized().startsWith("HTTP/1.1 "));
        break;
    case HTTPRequestParser::State::Kind::Complete:
        require(whole.consumed <= bytes.size());
        require(whole.request.body.size() <= limits.maxBodyBytes);
        require(whole.request.method == whole.request.method.toUpper());
        for (const QString &segment : whole.request.pathSegments)
            require(!segment.isEmpty());
        for (auto it = whole.request.headers.cbegin(); it != whole.request.headers.cend(); ++it)
            require(it.key() == it.key().toLower());
        // The request ends where the parser says: the bytes up to there give the same request.
        require(HTTPRequestParser::parse(bytes.first(whole.consumed), limits).request == whole.request);
        require(incremental.request == whole.request);
        readBody(whole.request.body);
        break;
    }
    return 0;
}
