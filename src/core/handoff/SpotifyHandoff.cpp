#include "core/handoff/SpotifyHandoff.h"

#include "core/Logging.h"

namespace amplora {

const QStringList &SpotifyHandoff::desktopFileIds()
{
    static const QStringList ids { QStringLiteral("spotify.desktop"), QStringLiteral("com.spotify.Client.desktop"),
        QStringLiteral("spotify_spotify.desktop") };
    return ids;
}

const QUrl &SpotifyHandoff::webPlayerURL()
{
    static const QUrl url(QStringLiteral("https://open.spotify.com/"));
    return url;
}

SpotifyHandoff::SpotifyHandoff(std::unique_ptr<SpotifyOpening> opener, const Clock &clock)
    : m_opener(std::move(opener))
    , m_clock(clock)
{ }

SpotifyHandoff::Target SpotifyHandoff::target() const
{
    if (const auto app = m_opener->applicationURL(desktopFileIds())) {
        return Target::app(*app);
    }
    return Target::web(webPlayerURL());
}

std::optional<SpotifyHandoff::Target> SpotifyHandoff::open()
{
    const auto now = m_clock.now();
    if (m_lastOpened && now - *m_lastOpened < minimumInterval) {
        qCDebug(lcSpotify) << "Hand-off suppressed: Spotify was opened less than 3 seconds ago";
        return std::nullopt;
    }
    m_lastOpened = now;
    Target chosen = target();
    m_opener->open(chosen);
    return chosen;
}

} // namespace amplora
