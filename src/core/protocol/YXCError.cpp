#include "core/protocol/YXCError.h"

#include <utility>

namespace amplora {

YXCError::YXCError(Kind kind, QString subject, QString detail, int code)
    : m_kind(kind)
    , m_subject(std::move(subject))
    , m_detail(std::move(detail))
    , m_code(code)
{ }

YXCError YXCError::invalidHost(const QString &host)
{
    return YXCError(Kind::invalidHost, host, {}, 0);
}

YXCError YXCError::readOnlyBlocked(const QString &path)
{
    return YXCError(Kind::readOnlyBlocked, path, {}, 0);
}

YXCError YXCError::http(int status)
{
    return YXCError(Kind::http, {}, {}, status);
}

YXCError YXCError::unreadable(const QString &what, const QString &detail)
{
    return YXCError(Kind::unreadable, what, detail, 0);
}

YXCError YXCError::responseCode(int code, const QString &path)
{
    return YXCError(Kind::responseCode, path, {}, code);
}

YXCError YXCError::transport(const QString &description)
{
    return YXCError(Kind::transport, description, {}, 0);
}

YXCError YXCError::cancelled(const QString &path)
{
    return YXCError(Kind::cancelled, path, {}, 0);
}

QString YXCError::description() const
{
    switch (m_kind) {
    case Kind::invalidHost:
        return QStringLiteral("\u201C") + m_subject + QStringLiteral("\u201D is not a valid receiver address.");
    case Kind::readOnlyBlocked:
        return QStringLiteral("Read-only mode blocked ") + m_subject + u'.';
    case Kind::http:
        return QStringLiteral("The receiver answered with HTTP ") + QString::number(m_code) + u'.';
    case Kind::unreadable:
        return QStringLiteral("Couldn\u2019t read ") + m_subject + QStringLiteral(": ") + m_detail;
    case Kind::responseCode:
        return m_subject + QStringLiteral(" failed (response code ") + QString::number(m_code) + QStringLiteral(").");
    case Kind::transport:
        return m_subject;
    case Kind::cancelled:
        return m_subject + QStringLiteral(" was abandoned: nobody waited for its answer any more.");
    }
    return m_subject;
}

} // namespace amplora
