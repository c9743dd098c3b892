#pragma once

#include "base/Result.h"

#include <QString>
#include <QUrl>

namespace amplora {

// Why a cover the receiver names is not fetched.
class AlbumArtRefusal {
public:
    enum class Kind {
        empty, // no path at all
        notAUrl, // does not parse, or names no host
        backslash, // some parsers read "\" as "/", so "/\host" means another host to them
        schemeRelative, // "//host/path": a host of its own without a scheme
        otherScheme, // anything but plain http
        userInfo, // "user:pass@" before the host
        otherHost,
        otherPort,
        controlPath, // the receiver's command interface: a "cover" there would be a command, sent unchecked
    };

    static AlbumArtRefusal empty();
    static AlbumArtRefusal notAUrl();
    static AlbumArtRefusal backslash();
    static AlbumArtRefusal schemeRelative();
    static AlbumArtRefusal otherScheme(const QString &scheme);
    static AlbumArtRefusal userInfo();
    static AlbumArtRefusal otherHost(const QString &host);
    static AlbumArtRefusal otherPort(int port, int receiverPort);
    static AlbumArtRefusal controlPath();

    Kind kind() const { return m_kind; }
    QString description() const;

    friend bool operator==(const AlbumArtRefusal &, const AlbumArtRefusal &) = default;

private:
    AlbumArtRefusal(Kind kind, QString subject = {}, int port = 0, int receiverPort = 0);

    Kind m_kind;
    QString m_subject; // otherScheme: the scheme; otherHost: the host
    int m_port = 0;
    int m_receiverPort = 0;
};

// Where the cover at `path` is fetched from, given the receiver's own address (any URL on it: only its host and
// port count). Play information names a cover by a path on the receiver, which is taken from the receiver's root
// ("art/cover.jpg" and "/art/cover.jpg" are the same picture), or by a full URL, which is taken only when it is
// plain http on the receiver's own host and port with no user information, outside the receiver's command
// interface (a path there is a command, which would pass no read-only mode or command rule). Anything else would have
// this machine fetch whatever a stream's metadata points at, in a form other parsers may read differently.
Result<QUrl, AlbumArtRefusal> albumArtUrl(const QUrl &receiver, const QString &path);

} // namespace amplora
