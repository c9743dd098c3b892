#pragma once

#include "core/handoff/SpotifyOpening.h"

#include <functional>

namespace amplora {

// Finds Spotify among the desktop entries of the XDG data directories and starts it detached; opens the web
// player in the default browser otherwise.
class WorkspaceSpotifyOpener : public SpotifyOpening {
public:
    // How processes and URLs are really opened; tests replace both so that nothing is started.
    struct Launcher {
        std::function<bool(const QString &program, const QStringList &arguments)> startDetached;
        std::function<bool(const QUrl &url)> openURL;
    };

    static QStringList defaultDataDirs();
    static Launcher systemLauncher();

    explicit WorkspaceSpotifyOpener(QStringList dataDirs = defaultDataDirs(), Launcher launcher = systemLauncher());

    std::optional<QUrl> applicationURL(const QStringList &desktopFileIds) const override;
    void open(const SpotifyTarget &target) override;

private:
    QStringList m_dataDirs;
    Launcher m_launcher;
};

} // namespace amplora
