#include "app/mpris/MprisArtFile.h"

#include "app/Logging.h"
#include "core/Background.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <functional>

namespace amplora::app {

namespace {

const QString coverPrefix = QStringLiteral("cover-");

// Writes the picture to its file, complete or not at all; the reason when it could not. Runs on a worker.
QString writeCover(const QImage &image, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        return file.errorString();
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return {};
}

// The background work, made outside the coroutine that waits for it.
std::function<QString()> coverWork(QImage image, QString path)
{
    return [image = std::move(image), path = std::move(path)] { return writeCover(image, path); };
}

} // namespace

QString MprisArtFile::defaultDirectory()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty()) {
        return runtime + QStringLiteral("/Amplora/mpris");
    }
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/mpris");
}

MprisArtFile::MprisArtFile(QString directory, QObject *parent)
    : QObject(parent)
    , m_directory(std::move(directory))
{ }

MprisArtFile::~MprisArtFile()
{
    removeCurrent();
}

bool MprisArtFile::prepareDirectory()
{
    if (m_prepared) {
        return true;
    }
    if (!QDir().mkpath(m_directory)
        || !QFile::setPermissions(m_directory, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        return false;
    }
    // Covers left behind by a run that did not end cleanly.
    QDir directory(m_directory);
    for (const QString &name : directory.entryList({ coverPrefix + u'*' }, QDir::Files)) {
        directory.remove(name);
    }
    m_prepared = true;
    return true;
}

void MprisArtFile::removeCurrent()
{
    if (!m_path.isEmpty()) {
        QFile::remove(m_path);
    }
    m_path.clear();
    m_url.clear();
}

QString MprisArtFile::urlFor(const std::optional<QImage> &image)
{
    if (!image || image->isNull()) {
        removeCurrent();
        m_imageKey = 0;
        m_pendingKey = 0;
        return {};
    }
    const qint64 key = image->cacheKey();
    if (key == m_imageKey) {
        return m_url;
    }
    if (key != m_pendingKey) {
        // The previous cover's file goes at once: its URL next to this picture's track would show the wrong cover.
        removeCurrent();
        m_imageKey = 0;
        m_pendingKey = key;
        const QString path = m_directory + u'/' + coverPrefix + QString::number(++m_written) + QStringLiteral(".png");
        if (!prepareDirectory()) {
            qCWarning(lcMpris).noquote() << "Could not prepare the folder for the album art:" << m_directory;
            m_pendingKey = 0;
            m_imageKey = key;
            return {};
        }
        write(*image, path, key);
    }
    return {};
}

QCoro::Task<> MprisArtFile::write(QImage image, QString path, qint64 key)
{
    QPointer<MprisArtFile> self(this);
    const std::function<QString()> work = coverWork(image, path);
    const QString failure = co_await runInBackground(work);
    if (!self || self->m_pendingKey != key) {
        QFile::remove(path); // another picture, or none, is wanted now
        co_return;
    }
    m_pendingKey = 0;
    m_imageKey = key;
    if (!failure.isEmpty()) {
        qCWarning(lcMpris).noquote() << "Could not write the album art to" << path << failure;
        co_return;
    }
    m_path = path;
    m_url = QUrl::fromLocalFile(path).toString();
    Q_EMIT written();
}

} // namespace amplora::app
