#include "api/http/HTTPRequestParser.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>
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

std::optional<QString> decodeUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

QStringView trimmedSpacesAndTabs(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t')) {
        ++begin;
    }
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t')) {
        --end;
    }
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
    if (index == text.size()) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (; index < text.size(); ++index) {
        const char16_t c = text[index].unicode();
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        const int digit = c - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

QString decodedOrRaw(QStringView text)
{
    if (!text.contains(u'%')) {
        return text.toString(); // nothing to decode, and already valid text
    }
    const QByteArray utf8 = text.toUtf8();
    if (auto decoded = HTTPRequestParser::percentDecoded(utf8)) {
        return std::move(*decoded);
    }
    return text.toString();
}

HTTPRequest buildRequest(const QString &method, QStringView target, QHash<QString, QString> headers, QByteArray body)
{
    HTTPRequest request;
    request.method = method.toUpper();
    const qsizetype question = target.indexOf(u'?');
    const QStringView path = question < 0 ? target : target.first(question);
    for (const QStringView segment : path.split(u'/', Qt::SkipEmptyParts)) {
        request.pathSegments.append(decodedOrRaw(segment));
    }
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
    if (!text.contains('%')) {
        return decodeUtf8(text);
    }
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decodeUtf8(bytes);
}

HTTPRequestParser::State HTTPRequestParser::parse(QByteArrayView buffer, const Limits &limits)
{
    HTTPRequestParser parser(limits);
    parser.append(buffer);
    return parser.parse();
}

std::optional<qsizetype> HTTPRequestParser::findHeaderEnd()
{
    // A matcher for CR LF CR LF that carries its progress from one call to the next, so every byte is looked
    // at once. After a mismatch the only useful restart is a CR, which may begin the terminator again. Nothing
    // past the longest block allowed can end a block worth reading.
    const qsizetype end = std::min(m_buffer.size(), m_limits.maxHeaderBytes + kTerminator.size());
    const char *bytes = m_buffer.constData();
    while (m_searched < end) {
        if (m_matched == 0) {
            const void *cr = std::memchr(bytes + m_searched, '\r', static_cast<size_t>(end - m_searched));
            const qsizetype next = cr ? static_cast<const char *>(cr) - bytes : end;
            m_examined += next - m_searched;
            m_searched = next;
            if (!cr) {
                break;
            }
        }
        const char c = bytes[m_searched++];
        ++m_examined;
        if (c == kTerminator[m_matched]) {
            ++m_matched;
        } else {
            m_matched = c == '\r' ? 1 : 0;
        }
        if (m_matched == kTerminator.size()) {
            return m_searched - kTerminator.size();
        }
    }
    return std::nullopt;
}

Result<HTTPRequestParser::Head, APIError> HTTPRequestParser::readHead(QByteArrayView block)
{
    const std::optional<QString> headerText = decodeUtf8(block);
    if (!headerText) {
        return Failure { malformed("Request headers are not valid UTF-8.") };
    }

    const QList<QStringView> lines = QStringView(*headerText).split(QStringLiteral("\r\n"));
    const QList<QStringView> requestLine = lines.first().split(u' ', Qt::SkipEmptyParts);
    if (requestLine.size() != 3 || !requestLine[2].startsWith(QLatin1String("HTTP/1."))) {
        return Failure { malformed("Malformed request line.") };
    }

    Head head;
    head.method = requestLine[0].toString();
    head.target = requestLine[1].toString();
    QList<QStringView> lengths;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringView line = lines[i];
        if (line.isEmpty()) {
            continue;
        }
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0) {
            return Failure { malformed("Malformed header line.") };
        }
        const QString name = trimmedSpacesAndTabs(line.first(colon)).toString().toLower();
        const QStringView value = trimmedSpacesAndTabs(line.sliced(colon + 1));
        if (name == QLatin1String("content-length")) {
            lengths.append(value);
        }
        head.headers.insert(name, value.toString());
    }

    if (head.headers.contains(QStringLiteral("transfer-encoding"))) {
        return Failure { parseError(
            501, "chunked_not_supported", QStringLiteral("Send a Content-Length body, not chunked.")) };
    }

    // Every Content-Length, and every element of a list in one, must give the same length: a request whose
    // framing depends on which one is believed is refused rather than guessed at.
    std::optional<qint64> length;
    for (const QStringView value : std::as_const(lengths)) {
        for (const QStringView element : value.split(u',')) {
            const std::optional<qint64> parsed = parseContentLength(trimmedSpacesAndTabs(element));
            if (!parsed || *parsed < 0 || (length && *length != *parsed)) {
                return Failure { malformed("Invalid Content-Length.") };
            }
            length = parsed;
        }
    }
    head.contentLength = length.value_or(0);
    return head;
}

HTTPRequestParser::State HTTPRequestParser::parse()
{
    if (m_verdict) {
        return *m_verdict;
    }

    if (!m_head) {
        const std::optional<qsizetype> headerEnd = findHeaderEnd();
        if (!headerEnd) {
            // Fail as soon as the block is certainly too long, but not while the bytes that arrived so far could
            // still end in a terminator that keeps the block within the limit.
            if (m_buffer.size() - m_matched > m_limits.maxHeaderBytes) {
                return settle(failed(headersTooLarge()));
            }
            return {};
        }
        if (*headerEnd > m_limits.maxHeaderBytes) {
            return settle(failed(headersTooLarge()));
        }
        m_examined += *headerEnd;
        Result<Head, APIError> head = readHead(QByteArrayView(m_buffer).first(*headerEnd));
        if (!head) {
            return settle(failed(std::move(head).error()));
        }
        if (head->contentLength > m_limits.maxBodyBytes) {
            return settle(failed(parseError(413, "body_too_large",
                QStringLiteral("Request body is larger than %1 bytes.").arg(m_limits.maxBodyBytes))));
        }
        m_head = std::move(head).value();
        m_bodyStart = *headerEnd + kTerminator.size();
    }

    const qint64 length = m_head->contentLength;
    if (m_buffer.size() - m_bodyStart < length) {
        return {};
    }

    State state;
    state.kind = State::Kind::Complete;
    state.consumed = m_bodyStart + length;
    state.request = buildRequest(m_head->method, m_head->target, std::move(m_head->headers),
        QByteArrayView(m_buffer).sliced(m_bodyStart, length).toByteArray());
    return settle(std::move(state));
}

HTTPRequestParser::State HTTPRequestParser::settle(State state)
{
    m_verdict = state;
    return state;
}

} // namespace amplora::api
