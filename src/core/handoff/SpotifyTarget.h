#pragma once

#include <QUrl>

namespace amplora {

// What a Spotify hand-off opens: the installed desktop application or the web player in the browser.
struct SpotifyTarget {
    enum class Kind { App, Web };

    Kind kind = Kind::Web;
    // App: a file URL of the application's desktop entry. Web: the web player's address.
    QUrl url;

    static SpotifyTarget app(QUrl desktopEntry) { return { Kind::App, std::move(desktopEntry) }; }
    static SpotifyTarget web(QUrl address) { return { Kind::Web, std::move(address) }; }

    friend bool operator==(const SpotifyTarget &, const SpotifyTarget &) = default;
};

} // namespace amplora
