#include "api/auth/FileTokenStore.h"

#include "api/Logging.h"
#include "base/FolderSync.h"

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

bool writeAll(int fd, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t written = ::write(fd, bytes.data(), static_cast<size_t>(bytes.size()));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes = bytes.sliced(written);
    }
    return true;
}

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
    if (!file.exists()) {
        co_return std::optional<QString>();
    }
    if (!file.open(QIODevice::ReadOnly)) {
        co_return Failure { fileError(QStringLiteral("read"), m_path, EACCES) };
    }
    if ((file.permissions()
            & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup | QFileDevice::WriteOther))) {
        qCWarning(lcApi) << "The API token file" << m_path << "was readable by others; making it private";
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    const QString token = QString::fromUtf8(file.read(kMaxTokenFileBytes)).trimmed();
    if (token.isEmpty()) {
        co_return std::optional<QString>();
    }
    co_return std::optional<QString>(token);
}

QCoro::Task<Result<Done, KeychainError>> FileTokenStore::save(QString token)
{
    co_return write(token.toUtf8() + '\n');
}

Result<Done, KeychainError> FileTokenStore::write(const QByteArray &bytes) const
{
    const QString directory = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(directory)) {
        return Failure { fileError(QStringLiteral("create"), directory, EACCES) };
    }

    // Written to a private temporary file of its own (mkstemp makes it 0600 with a name nobody can guess or
    // have planted) and renamed over the old one, so the token is never readable by others and a crash leaves
    // the old token or the new one, not half of one. Syncing the folder makes the rename itself last.
    const QByteArray finalPath = QFile::encodeName(m_path);
    QByteArray temporaryPath = QFile::encodeName(directory) + "/.api-token-XXXXXX";
    const int fd = ::mkostemp(temporaryPath.data(), O_CLOEXEC);
    if (fd < 0) {
        return Failure { fileError(QStringLiteral("write"), m_path, errno) };
    }
    int error = 0;
    errno = 0;
    if (::fchmod(fd, 0600) != 0 || !writeAll(fd, bytes) || ::fsync(fd) != 0) {
        error = errno ? errno : EIO;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporaryPath.constData(), finalPath.constData()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporaryPath.constData());
        return Failure { fileError(QStringLiteral("write"), m_path, error) };
    }
    syncFolderOf(m_path);
    return Done {};
}

Result<Done, KeychainError> FileTokenStore::remove()
{
    if (::unlink(QFile::encodeName(m_path).constData()) != 0) {
        if (errno == ENOENT) {
            return Done {};
        }
        return Failure { fileError(QStringLiteral("remove"), m_path, errno) };
    }
    // A token that came back after a power cut would be a second token on disk.
    syncFolderOf(m_path);
    return Done {};
}

} // namespace amplora::api
