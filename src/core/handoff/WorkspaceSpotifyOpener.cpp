#include "core/handoff/WorkspaceSpotifyOpener.h"

#include "core/Logging.h"
#include "core/handoff/DesktopEntry.h"
#include "core/handoff/SpotifyHandoff.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

namespace amplora {

namespace {

bool tryExecAvailable(const DesktopEntry &entry)
{
    if (entry.tryExec.isEmpty()) {
        return true;
    }
    if (QDir::isAbsolutePath(entry.tryExec)) {
        return QFileInfo(entry.tryExec).isExecutable();
    }
    return !QStandardPaths::findExecutable(entry.tryExec).isEmpty();
}

bool openInBrowser(const QUrl &url)
{
    // QDesktopServices needs a GUI application; the command line and headless mode fall back to the
    // freedesktop opener.
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        return QDesktopServices::openUrl(url);
    }
    const QString text = url.toString(QUrl::FullyEncoded);
    return QProcess::startDetached(QStringLiteral("xdg-open"), { text })
        || QProcess::startDetached(QStringLiteral("gio"), { QStringLiteral("open"), text });
}

} // namespace

QStringList WorkspaceSpotifyOpener::defaultDataDirs()
{
    QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    // Flatpak and Snap export their entries here; sessions started without their profile scripts miss them.
    const QStringList extra { QDir::homePath() + QStringLiteral("/.local/share/flatpak/exports/share"),
        QStringLiteral("/var/lib/flatpak/exports/share"), QStringLiteral("/var/lib/snapd/desktop") };
    for (const QString &dir : extra) {
        if (!dirs.contains(dir)) {
            dirs << dir;
        }
    }
    return dirs;
}

WorkspaceSpotifyOpener::Launcher WorkspaceSpotifyOpener::systemLauncher()
{
    return { [](const QString &program, const QStringList &arguments) {
                return QProcess::startDetached(program, arguments);
            },
        &openInBrowser };
}

WorkspaceSpotifyOpener::WorkspaceSpotifyOpener(QStringList dataDirs, Launcher launcher)
    : m_dataDirs(std::move(dataDirs))
    , m_launcher(std::move(launcher))
{ }

std::optional<QUrl> WorkspaceSpotifyOpener::applicationURL(const QStringList &desktopFileIds) const
{
    for (const QString &id : desktopFileIds) {
        for (const QString &dir : m_dataDirs) {
            const QString path = dir + QStringLiteral("/applications/") + id;
            const auto entry = DesktopEntry::read(path);
            // The first entry found for an id decides: a hidden one in the user's directory masks the system's.
            if (!entry) {
                continue;
            }
            if (!entry->hidden && tryExecAvailable(*entry) && DesktopEntry::splitExec(entry->exec)) {
                return QUrl::fromLocalFile(path);
            }
            break;
        }
    }
    return std::nullopt;
}

void WorkspaceSpotifyOpener::open(const SpotifyTarget &target)
{
    if (target.kind == SpotifyTarget::Kind::App) {
        const auto entry = DesktopEntry::read(target.url.toLocalFile());
        const auto command = entry ? DesktopEntry::splitExec(entry->exec) : std::nullopt;
        if (command && m_launcher.startDetached(command->first(), command->mid(1))) {
            qCInfo(lcSpotify) << "Opened Spotify app at" << target.url.toLocalFile();
            return;
        }
        qCWarning(lcSpotify) << "Could not start Spotify from" << target.url.toLocalFile()
                             << "; opening the web player instead";
        if (!m_launcher.openURL(SpotifyHandoff::webPlayerURL())) {
            qCWarning(lcSpotify) << "Could not open" << SpotifyHandoff::webPlayerURL().toString();
        }
        return;
    }
    if (!m_launcher.openURL(target.url)) {
        qCWarning(lcSpotify) << "Could not open" << target.url.toString();
    }
}

} // namespace amplora
