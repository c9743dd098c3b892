#include "base/FolderSync.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace amplora {

namespace {

Q_LOGGING_CATEGORY(lcFiles, "amplora.files")

} // namespace

QString FolderSyncError::description() const
{
    return QStringLiteral("Couldn't sync the folder %1 to disk: %2.")
        .arg(folder, QString::fromLocal8Bit(std::strerror(errorNumber)));
}

Result<Done, FolderSyncError> syncFolder(const QString &folder)
{
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return Failure { FolderSyncError { folder, errno } };
    }
    int error = 0;
    while (::fsync(descriptor) != 0) {
        if (errno != EINTR) {
            error = errno;
            break;
        }
    }
    ::close(descriptor);
    if (error != 0) {
        return Failure { FolderSyncError { folder, error } };
    }
    qCDebug(lcFiles).noquote() << "Synced the folder" << folder;
    return Done {};
}

void syncFolderOf(const QString &filePath)
{
    if (const auto synced = syncFolder(QFileInfo(filePath).absolutePath()); !synced) {
        qCWarning(lcFiles).noquote() << synced.error().description();
    }
}

bool commitDurably(QSaveFile &file)
{
    if (!file.commit()) {
        return false;
    }
    syncFolderOf(file.fileName());
    return true;
}

} // namespace amplora
