#pragma once

#include "api/http/APIError.h"
#include "api/http/HTTPRequest.h"

#include <QByteArray>
#include <QByteArrayView>

namespace amplora::api {

// Frames one request out of the bytes a connection has received. parse() is a pure function of the buffer and
// the limits: it consumes nothing, so the connection appends and calls it again until it is not NeedMore.
class HTTPRequestParser {
public:
    static constexpr qsizetype kDefaultMaxHeaderBytes = 16384;
    static constexpr qsizetype kDefaultMaxBodyBytes = 65536;

    struct Limits {
        qsizetype maxHeaderBytes = kDefaultMaxHeaderBytes;
        qsizetype maxBodyBytes = kDefaultMaxBodyBytes;
    };

    struct State {
        enum class Kind { NeedMore, Complete, Failed };
        Kind kind = Kind::NeedMore;
        HTTPRequest request; // when Complete
        qsizetype consumed = 0; // when Complete: header block, blank line and body
        APIError error; // when Failed

        bool needMore() const { return kind == Kind::NeedMore; }
        bool complete() const { return kind == Kind::Complete; }
        bool failed() const { return kind == Kind::Failed; }
    };

    HTTPRequestParser() = default;
    explicit HTTPRequestParser(Limits limits)
        : m_limits(limits)
    { }

    const Limits &limits() const { return m_limits; }
    const QByteArray &buffer() const { return m_buffer; }

    void append(QByteArrayView bytes) { m_buffer.append(bytes); }
    State parse() const { return parse(m_buffer, m_limits); }

    static State parse(QByteArrayView buffer, const Limits &limits);

    // Strict percent-decoding: an escape that is not two hex digits, or a result that is not UTF-8, fails.
    static std::optional<QString> percentDecoded(QByteArrayView text);

private:
    Limits m_limits;
    QByteArray m_buffer;
};

} // namespace amplora::api
