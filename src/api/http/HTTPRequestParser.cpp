#include "api/http/HTTPRequestParser.h"

#include <QStringDecoder>

#include <limits>

namespace amplora::api {

namespace {

constexpr QByteArrayView kTerminator = "\r\n\r\n";

APIError parseError(int status, const char *code, QString message)
{
    return APIError { status, QString::fromLatin1(code), std::move(message), {}, {}, {} };
}

APIError malformed(const char *message)
{
    return parseError(400, "malformed_request", QString::fromLatin1(message));
}

APIError headersTooLarge()
{
    return parseError(431, "headers_too_large", QStringLiteral("Request headers are too large."));
}

HTTPRequestParser::State failed(APIError error)
{
    HTTPRequestParser::State state;
    state.kind = HTTPRequestParser::State::Kind::Failed;
    state.error = std::move(error);
    return state;
}

// The longest tail of `buffer` that could still grow into the terminator (0 to 3 bytes).
qsizetype partialTerminatorLength(QByteArrayView buffer)
{
    for (qsizetype length = std::min<qsizetype>(3, buffer.size()); length > 0; --length) {
        if (buffer.last(length) == kTerminator.first(length))
            return length;
    }
    return 0;
}

std::optional<QString> decodeUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QStringView trimmedSpacesAndTabs(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.sliced(begin, end - begin);
}

// A decimal integer with an optional sign; no value when it is not one or does not fit.
std::optional<qint64> parseContentLength(QStringView text)
{
    qsizetype index = 0;
    bool negative = false;
    if (index < text.size() && (text[index] == u'+' || text[index] == u'-')) {
        negative = text[index] == u'-';
        ++index;
    }
    if (index == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; index < text.size(); ++index) {
        const char16_t c = text[index].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

QString decodedOrRaw(QStringView text)
{
    if (!text.contains(u'%'))
        return text.toString(); // nothing to decode, and already valid text
    const QByteArray utf8 = text.toUtf8();
    if (auto decoded = HTTPRequestParser::percentDecoded(utf8))
        return std::move(*decoded);
    return text.toString();
}

HTTPRequest buildRequest(const QString &method, QStringView target, QHash<QString, QString> headers, QByteArray body)
{
    HTTPRequest request;
    request.method = method.toUpper();
    const qsizetype question = target.indexOf(u'?');
    const QStringView path = question < 0 ? target : target.first(question);
    for (const QStringView segment : path.split(u'/', Qt::SkipEmptyParts))
        request.pathSegments.append(decodedOrRaw(segment));
    if (question >= 0) {
        for (const QStringView pair : target.sliced(question + 1).split(u'&', Qt::SkipEmptyParts)) {
            const qsizetype equals = pair.indexOf(u'=');
            QString key = (equals < 0 ? pair : pair.first(equals)).toString().replace(u'+', u' ');
            QString value = equals < 0 ? QString() : pair.sliced(equals + 1).toString().replace(u'+', u' ');
            request.query.insert(decodedOrRaw(key), decodedOrRaw(value));
        }
    }
    request.headers = std::move(headers);
    request.body = std::move(body);
    return request;
}

} // namespace

std::optional<QString> HTTPRequestParser::percentDecoded(QByteArrayView text)
{
    if (!text.contains('%'))
        return decodeUtf8(text);
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decodeUtf8(bytes);
}

HTTPRequestParser::State HTTPRequestParser::parse(QByteArrayView buffer, const Limits &limits)
{
    const qsizetype headerEnd = buffer.indexOf(kTerminator);
    if (headerEnd < 0) {
        // Fail as soon as the block is certainly too long, but not while the bytes that arrived so far could
        // still end in a terminator that keeps the block within the limit.
        if (buffer.size() - partialTerminatorLength(buffer) > limits.maxHeaderBytes)
            return failed(headersTooLarge());
        return {};
    }
    if (headerEnd > limits.maxHeaderBytes)
        return failed(headersTooLarge());

    const std::optional<QString> headerText = decodeUtf8(buffer.first(headerEnd));
    if (!headerText)
        return failed(malformed("Request headers are not valid UTF-8."));

    const QList<QStringView> lines = QStringView(*headerText).split(QStringLiteral("\r\n"));
    const QList<QStringView> requestLine = lines.first().split(u' ', Qt::SkipEmptyParts);
    if (requestLine.size() != 3 || !requestLine[2].startsWith(QLatin1String("HTTP/1.")))
        return failed(malformed("Malformed request line."));

    QHash<QString, QString> headers;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringView line = lines[i];
        if (line.isEmpty())
            continue;
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            return failed(malformed("Malformed header line."));
        headers.insert(trimmedSpacesAndTabs(line.first(colon)).toString().toLower(),
            trimmedSpacesAndTabs(line.sliced(colon + 1)).toString());
    }

    if (headers.contains(QStringLiteral("transfer-encoding")))
        return failed(
            parseError(501, "chunked_not_supported", QStringLiteral("Send a Content-Length body, not chunked.")));

    qint64 length = 0;
    if (const auto it = headers.constFind(QStringLiteral("content-length")); it != headers.constEnd()) {
        const std::optional<qint64> parsed = parseContentLength(*it);
        if (!parsed || *parsed < 0)
            return failed(malformed("Invalid Content-Length."));
        length = *parsed;
    }
    if (length > limits.maxBodyBytes) {
        return failed(parseError(
            413, "body_too_large", QStringLiteral("Request body is larger than %1 bytes.").arg(limits.maxBodyBytes)));
    }

    const qsizetype bodyStart = headerEnd + kTerminator.size();
    if (buffer.size() - bodyStart < length)
        return {};

    State state;
    state.kind = State::Kind::Complete;
    state.consumed = bodyStart + length;
    state.request = buildRequest(
        requestLine[0].toString(), requestLine[1], std::move(headers), buffer.sliced(bodyStart, length).toByteArray());
    return state;
}

} // namespace amplora::api
