#pragma once

#include <QCoroTask>
#include <QImage>
#include <QObject>
#include <QString>

#include <optional>

namespace amplora::app {

// The album art as a file the desktop can show: the media-player interface wants a URL, the store holds a picture.
// The files live in a folder only the user can read. Every new picture gets a new name, because desktops keep
// pictures by URL and a rewritten file could leave the old cover on screen; each is complete before its URL is
// handed out (written under a temporary name and renamed into place). Encoding a picture takes long enough to stall
// the window, so files are written on a worker thread; the previous file is removed as soon as another picture is
// asked for, so that no track is shown with the cover of the one before.
class MprisArtFile final : public QObject {
    Q_OBJECT

public:
    // The user's runtime folder (private and cleared at logout), else the cache folder.
    static QString defaultDirectory();

    explicit MprisArtFile(QString directory = defaultDirectory(), QObject *parent = nullptr);
    ~MprisArtFile() override;

    // The file URL of this picture. Empty without a picture, when it cannot be written (logged once per picture),
    // and while its file is still being written: written() follows, and then this picture has its URL.
    QString urlFor(const std::optional<QImage> &image);

Q_SIGNALS:
    void written();

private:
    bool prepareDirectory();
    void removeCurrent();
    QCoro::Task<> write(QImage image, QString path, qint64 key);

    QString m_directory;
    bool m_prepared = false;
    // The picture the current URL stands for (its cache key; the same picture keeps its key while it is shared).
    qint64 m_imageKey = 0;
    // The picture whose file is being written; 0 when none is.
    qint64 m_pendingKey = 0;
    QString m_path;
    QString m_url;
    quint64 m_written = 0;
};

} // namespace amplora::app
