#include "api/auth/FileTokenStore.h"

#include "api/Logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace amplora::api {

namespace {

constexpr qint64 kMaxTokenFileBytes = 4096;

KeychainError fileError(const QString &what, const QString &path, int error)
{
    return KeychainError { error,
        QStringLiteral("Couldn't %1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(error))) };
}

} // namespace

QString FileTokenStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Amplora/api-token");
}

QCoro::Task<Result<std::optional<QString>, KeychainError>> FileTokenStore::read()
{
    QFile file(m_path);
    if (!file.exists())
        co_return std::optional<QString>();
    if (!file.open(QIODevice::ReadOnly))
        co_return Failure { fileError(QStringLiteral("read"), m_path, EACCES) };
    if ((file.permissions()
            & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup | QFileDevice::WriteOther))) {
        qCWarning(lcApi) << "The API token file" << m_path << "was readable by others; making it private";
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    const QString token = QString::fromUtf8(file.read(kMaxTokenFileBytes)).trimmed();
    if (token.isEmpty())
        co_return std::optional<QString>();
    co_return std::optional<QString>(token);
}

QCoro::Task<Result<Done, KeychainError>> FileTokenStore::save(QString token)
{
    const QString directory = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(directory))
        co_return Failure { fileError(QStringLiteral("create"), directory, EACCES) };

    // Written to a private temporary file and renamed over the old one, so the token is never readable by
    // others and a crash leaves either the old or the new token, not half of one.
    const QByteArray finalPath = QFile::encodeName(m_path);
    const QByteArray temporaryPath = finalPath + ".tmp";
    const int fd = ::open(temporaryPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        co_return Failure { fileError(QStringLiteral("write"), m_path, errno) };
    const QByteArray bytes = token.toUtf8() + '\n';
    int error = 0;
    if (::fchmod(fd, 0600) != 0 || ::write(fd, bytes.constData(), bytes.size()) != bytes.size() || ::fsync(fd) != 0)
        error = errno ? errno : EIO;
    ::close(fd);
    if (error == 0 && ::rename(temporaryPath.constData(), finalPath.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporaryPath.constData());
        co_return Failure { fileError(QStringLiteral("write"), m_path, error) };
    }
    co_return Done {};
}

Result<Done, KeychainError> FileTokenStore::remove()
{
    if (::unlink(QFile::encodeName(m_path).constData()) != 0 && errno != ENOENT)
        return Failure { fileError(QStringLiteral("remove"), m_path, errno) };
    return Done {};
}

} // namespace amplora::api
