#pragma once

#include <QImage>
#include <QString>

#include <optional>

namespace amplora::app {

// The album art as a file the desktop can show: the media-player interface wants a URL, the store holds a picture.
// The files live in a folder only the user can read. Every new picture gets a new name, because desktops keep
// pictures by URL and a rewritten file could leave the old cover on screen; each is complete before its URL is
// handed out (written under a temporary name and renamed into place), and the previous one is removed then.
class MprisArtFile {
public:
    // The user's runtime folder (private and cleared at logout), else the cache folder.
    static QString defaultDirectory();

    explicit MprisArtFile(QString directory = defaultDirectory());
    ~MprisArtFile();
    MprisArtFile(const MprisArtFile &) = delete;
    MprisArtFile &operator=(const MprisArtFile &) = delete;

    // The file URL of this picture, written first when it is not the one the current file holds; empty without a
    // picture or when it cannot be written (logged once per picture).
    QString urlFor(const std::optional<QImage> &image);

private:
    bool prepareDirectory();
    void removeCurrent();

    QString m_directory;
    bool m_prepared = false;
    // The picture the current URL stands for (its cache key; the same picture keeps its key while it is shared).
    qint64 m_imageKey = 0;
    QString m_path;
    QString m_url;
    quint64 m_written = 0;
};

} // namespace amplora::app
