#include "core/protocol/AlbumArtUrl.h"

namespace amplora {

namespace {

constexpr int httpPort = 80;

// Whether the path leads into the receiver's command interface, however it is spelled: the receiver's server
// takes the name in any case, percent-encoded, and after empty or "." segments.
bool isControlPath(const QUrl &url)
{
    const QString path = url.adjusted(QUrl::NormalizePathSegments).path(QUrl::FullyDecoded);
    for (const QString &segment : path.split(u'/', Qt::SkipEmptyParts)) {
        if (segment != QLatin1String(".")) {
            return segment.compare(QLatin1String("YamahaExtendedControl"), Qt::CaseInsensitive) == 0;
        }
    }
    return false;
}

} // namespace

AlbumArtRefusal::AlbumArtRefusal(Kind kind, QString subject, int port, int receiverPort)
    : m_kind(kind)
    , m_subject(std::move(subject))
    , m_port(port)
    , m_receiverPort(receiverPort)
{ }

AlbumArtRefusal AlbumArtRefusal::empty()
{
    return AlbumArtRefusal(Kind::empty);
}

AlbumArtRefusal AlbumArtRefusal::notAUrl()
{
    return AlbumArtRefusal(Kind::notAUrl);
}

AlbumArtRefusal AlbumArtRefusal::backslash()
{
    return AlbumArtRefusal(Kind::backslash);
}

AlbumArtRefusal AlbumArtRefusal::schemeRelative()
{
    return AlbumArtRefusal(Kind::schemeRelative);
}

AlbumArtRefusal AlbumArtRefusal::otherScheme(const QString &scheme)
{
    return AlbumArtRefusal(Kind::otherScheme, scheme);
}

AlbumArtRefusal AlbumArtRefusal::userInfo()
{
    return AlbumArtRefusal(Kind::userInfo);
}

AlbumArtRefusal AlbumArtRefusal::otherHost(const QString &host)
{
    return AlbumArtRefusal(Kind::otherHost, host);
}

AlbumArtRefusal AlbumArtRefusal::otherPort(int port, int receiverPort)
{
    return AlbumArtRefusal(Kind::otherPort, {}, port, receiverPort);
}

AlbumArtRefusal AlbumArtRefusal::controlPath()
{
    return AlbumArtRefusal(Kind::controlPath);
}

QString AlbumArtRefusal::description() const
{
    switch (m_kind) {
    case Kind::empty:
        return QStringLiteral("The album-art path is empty.");
    case Kind::notAUrl:
        return QStringLiteral("The album-art path is not a URL on a host.");
    case Kind::backslash:
        return QStringLiteral("The album-art path contains a backslash.");
    case Kind::schemeRelative:
        return QStringLiteral("The album-art path names a host without a scheme.");
    case Kind::otherScheme:
        return QStringLiteral("The album-art URL uses \u201C%1\u201D; only http is fetched.").arg(m_subject);
    case Kind::userInfo:
        return QStringLiteral("The album-art URL carries a user name or password.");
    case Kind::otherHost:
        return QStringLiteral("The album-art URL names the host \u201C%1\u201D, not the receiver.").arg(m_subject);
    case Kind::otherPort:
        return QStringLiteral("The album-art URL names port %1, not the receiver\u2019s port %2.")
            .arg(m_port)
            .arg(m_receiverPort);
    case Kind::controlPath:
        return QStringLiteral("The album-art path names a receiver command, not a picture.");
    }
    return {};
}

Result<QUrl, AlbumArtRefusal> albumArtUrl(const QUrl &receiver, const QString &path)
{
    if (path.isEmpty()) {
        return Failure { AlbumArtRefusal::empty() };
    }
    if (path.contains(u'\\')) {
        return Failure { AlbumArtRefusal::backslash() };
    }
    if (path.startsWith(QStringLiteral("//"))) {
        return Failure { AlbumArtRefusal::schemeRelative() };
    }
    const QUrl given(path, QUrl::StrictMode);
    if (!given.isValid()) {
        return Failure { AlbumArtRefusal::notAUrl() };
    }

    QUrl url = given;
    if (given.scheme().isEmpty()) {
        // A path on the receiver, counted from its root whether or not it starts with "/".
        const QUrl onReceiver(path.startsWith(u'/') ? path : u'/' + path, QUrl::StrictMode);
        QUrl root = receiver.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
        root.setPath(QStringLiteral("/"));
        url = root.resolved(onReceiver);
    }
    // Never sent, and nothing the picture depends on.
    url.setFragment(QString());

    if (url.scheme() != QLatin1String("http")) {
        return Failure { AlbumArtRefusal::otherScheme(url.scheme()) };
    }
    if (!url.userInfo().isEmpty()) {
        return Failure { AlbumArtRefusal::userInfo() };
    }
    if (url.host().isEmpty() || !url.isValid()) {
        return Failure { AlbumArtRefusal::notAUrl() };
    }
    // Hosts compare as QUrl normalises them (lower case, IPv6 in its short form); the request goes to this very
    // QUrl, so what was checked is what is fetched.
    if (url.host() != receiver.host()) {
        return Failure { AlbumArtRefusal::otherHost(url.host()) };
    }
    if (url.port(httpPort) != receiver.port(httpPort)) {
        return Failure { AlbumArtRefusal::otherPort(url.port(httpPort), receiver.port(httpPort)) };
    }
    if (isControlPath(url)) {
        return Failure { AlbumArtRefusal::controlPath() };
    }
    return url;
}

} // namespace amplora
