#include "core/handoff/DryRunSpotifyOpener.h"

#include "core/Logging.h"

namespace amplora {

void DryRunSpotifyOpener::open(const SpotifyTarget &target)
{
    if (target.kind == SpotifyTarget::Kind::App) {
        qCInfo(lcSpotify).noquote()
            << QStringLiteral("Dry run: would open Spotify app at %1").arg(target.url.toLocalFile());
    } else {
        qCInfo(lcSpotify).noquote()
            << QStringLiteral("Dry run: would open %1").arg(target.url.toString(QUrl::FullyEncoded));
    }
}

} // namespace amplora
