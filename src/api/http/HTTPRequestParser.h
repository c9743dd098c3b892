#pragma once

#include "api/http/APIError.h"
#include "api/http/HTTPRequest.h"

#include "base/Result.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace amplora::api {

// Frames one request out of the bytes a connection has received. The connection appends what arrives and calls
// parse() until it is not NeedMore. Each call looks only at the bytes that arrived since the previous one: the
// end of the header block is searched for byte by byte, and the block is decoded once, when its end has
// arrived. So a client that sends one byte at a time costs work linear in what it sends, not quadratic.
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
    // The verdict on the bytes appended so far; once it is Complete or Failed it stays so.
    State parse();

    // The verdict on a whole buffer at once.
    static State parse(QByteArrayView buffer, const Limits &limits);

    // Strict percent-decoding: an escape that is not two hex digits, or a result that is not UTF-8, fails.
    static std::optional<QString> percentDecoded(QByteArrayView text);

    // How many bytes parse() has looked at so far (searched for the blank line or decoded), so that a test can
    // hold the parser to linear work.
    qsizetype bytesExamined() const { return m_examined; }

private:
    // What the header block says, read once its end has arrived.
    struct Head {
        QString method;
        QString target;
        QHash<QString, QString> headers;
        qint64 contentLength = 0;
    };

    static Result<Head, APIError> readHead(QByteArrayView block);
    // Keeps a final verdict, so later calls answer it without looking at the bytes again.
    State settle(State state);
    // Searches the bytes not yet searched for the blank line; the offset of the header block's end once found.
    std::optional<qsizetype> findHeaderEnd();

    Limits m_limits;
    QByteArray m_buffer;
    qsizetype m_searched = 0; // bytes already searched for the blank line
    int m_matched = 0; // how much of CR LF CR LF the searched bytes end with
    qsizetype m_bodyStart = -1; // set once the header block has been read
    std::optional<Head> m_head;
    std::optional<State> m_verdict; // Complete or Failed, once settled
    qsizetype m_examined = 0;
};

} // namespace amplora::api
