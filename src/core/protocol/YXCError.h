#pragma once

#include <QString>

namespace amplora {

// A failed receiver request. Each kind carries what its English text needs; the texts are fixed because the
// store and the API show them to the user as they stand.
class YXCError {
public:
    enum class Kind {
        invalidHost, // the configured address cannot form a request URL
        readOnlyBlocked, // a changing command refused in read-only mode
        http, // an HTTP status outside 200..299
        unreadable, // an answer that does not decode
        responseCode, // a protocol answer with a non-zero "response_code"
        transport, // no answer at all: refused, unreachable, timed out, cut off
        cancelled, // abandoned before its answer came, because nobody waited for it any more
    };

    static YXCError invalidHost(const QString &host);
    static YXCError readOnlyBlocked(const QString &path);
    static YXCError http(int status);
    static YXCError unreadable(const QString &what, const QString &detail);
    static YXCError responseCode(int code, const QString &path);
    // Carries the network layer's own text, which is the description as it stands.
    static YXCError transport(const QString &description);
    static YXCError cancelled(const QString &path);

    Kind kind() const { return m_kind; }
    // invalidHost: the host; readOnlyBlocked, responseCode, cancelled: the command path; unreadable: what was read;
    // transport: the network layer's text.
    const QString &subject() const { return m_subject; }
    // unreadable only: the decoding detail, such as "missing 'power'".
    const QString &detail() const { return m_detail; }
    // http: the status; responseCode: the receiver's code.
    int code() const { return m_code; }

    QString description() const;

    friend bool operator==(const YXCError &, const YXCError &) = default;

private:
    YXCError(Kind kind, QString subject, QString detail, int code);

    Kind m_kind;
    QString m_subject;
    QString m_detail;
    int m_code = 0;
};

} // namespace amplora
