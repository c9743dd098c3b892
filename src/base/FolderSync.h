#pragma once

#include "base/Result.h"

#include <QString>

class QSaveFile;

namespace amplora {

// Why a folder could not be synced to disk.
struct FolderSyncError {
    QString folder;
    int errorNumber = 0;

    // "Couldn't sync the folder <folder> to disk: <the system's text for errorNumber>."
    QString description() const;
};

// A file replaced by a rename (QSaveFile, QSettings, our own temporary files) or removed is changed in its
// folder; until the folder itself is synced, a power cut can bring the old file back. These make that change
// last.

// Syncs `folder` (fsync on the folder itself).
Result<Done, FolderSyncError> syncFolder(const QString &folder);

// Syncs the folder that holds `filePath`, after a rename into it or a removal from it. A failure is logged and
// goes no further: the change has been made and everyone sees it, only whether it outlives a power cut is in
// doubt, and reporting the save as failed would contradict the file that is there.
void syncFolderOf(const QString &filePath);

// QSaveFile::commit() (which syncs the file and renames it into place), then syncFolderOf(). False, with the
// reason in file.errorString(), when the commit fails.
bool commitDurably(QSaveFile &file);

} // namespace amplora
