#include "app/mpris/MprisArtFile.h"

#include "app/Logging.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace amplora::app {

namespace {

const QString coverPrefix = QStringLiteral("cover-");

} // namespace

QString MprisArtFile::defaultDirectory()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty()) {
        return runtime + QStringLiteral("/Amplora/mpris");
    }
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/mpris");
}

MprisArtFile::MprisArtFile(QString directory)
    : m_directory(std::move(directory))
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
        return {};
    }
    if (image->cacheKey() == m_imageKey) {
        return m_url;
    }
    m_imageKey = image->cacheKey();
    const QString path = m_directory + u'/' + coverPrefix + QString::number(++m_written) + QStringLiteral(".png");
    QSaveFile file(path);
    const bool written
        = prepareDirectory() && file.open(QIODevice::WriteOnly) && image->save(&file, "PNG") && file.commit();
    if (!written) {
        qCWarning(lcMpris).noquote() << "Could not write the album art to" << path << file.errorString();
        removeCurrent();
        return {};
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    const QString previous = m_path;
    m_path = path;
    m_url = QUrl::fromLocalFile(path).toString();
    if (!previous.isEmpty()) {
        QFile::remove(previous);
    }
    return m_url;
}

} // namespace amplora::app
