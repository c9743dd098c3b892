#include "api/auth/TokenAuthenticator.h"

#include <QMutexLocker>

namespace amplora::api {

void TokenAuthenticator::setToken(std::optional<QString> token)
{
    QMutexLocker lock(&m_mutex);
    m_token = std::move(token);
}

bool TokenAuthenticator::authenticate(const HTTPRequest &request) const
{
    std::optional<QString> accepted;
    {
        QMutexLocker lock(&m_mutex);
        accepted = m_token;
    }
    if (!accepted || accepted->isEmpty()) {
        return false;
    }
    const auto header = request.headers.constFind(QStringLiteral("authorization"));
    if (header == request.headers.constEnd()) {
        return false;
    }

    // Split at the first space; a run of spaces counts as one separator, so "Bearer   <token>" passes.
    const QString &value = *header;
    qsizetype schemeStart = 0;
    while (schemeStart < value.size() && value[schemeStart] == u' ') {
        ++schemeStart;
    }
    const qsizetype schemeEnd = value.indexOf(u' ', schemeStart);
    if (schemeEnd < 0) {
        return false;
    }
    qsizetype tokenStart = schemeEnd;
    while (tokenStart < value.size() && value[tokenStart] == u' ') {
        ++tokenStart;
    }
    if (tokenStart == value.size()) {
        return false;
    }
    if (QStringView(value).sliced(schemeStart, schemeEnd - schemeStart).compare(u"bearer", Qt::CaseInsensitive) != 0) {
        return false;
    }

    QStringView presented = QStringView(value).sliced(tokenStart);
    while (!presented.isEmpty() && (presented.front() == u' ' || presented.front() == u'\t')) {
        presented = presented.sliced(1);
    }
    while (!presented.isEmpty() && (presented.back() == u' ' || presented.back() == u'\t')) {
        presented.chop(1);
    }
    return constantTimeEquals(presented.toUtf8(), accepted->toUtf8());
}

bool TokenAuthenticator::constantTimeEquals(QByteArrayView a, QByteArrayView b)
{
    const qsizetype longest = std::max(a.size(), b.size());
    quint64 difference = static_cast<quint64>(a.size()) ^ static_cast<quint64>(b.size());
    for (qsizetype i = 0; i < longest; ++i) {
        const auto x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0u;
        const auto y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0u;
        difference |= x ^ y;
    }
    return difference == 0;
}

} // namespace amplora::api
