#include "qml/Symbols.h"

#include <QHash>

namespace amplora::Symbols {

QString iconName(const QString &symbol)
{
    static const QHash<QString, QString> icons {
        { QStringLiteral("power"), QStringLiteral("system-shutdown-symbolic") },
        { QStringLiteral("speaker.slash.fill"), QStringLiteral("audio-volume-muted-symbolic") },
        { QStringLiteral("speaker.wave.2.fill"), QStringLiteral("audio-volume-high-symbolic") },
        { QStringLiteral("ellipsis"), QStringLiteral("view-more-horizontal-symbolic") },
        { QStringLiteral("checkmark"), QStringLiteral("object-select-symbolic") },
        { QStringLiteral("backward.end.fill"), QStringLiteral("media-skip-backward-symbolic") },
        { QStringLiteral("forward.end.fill"), QStringLiteral("media-skip-forward-symbolic") },
        { QStringLiteral("play.fill"), QStringLiteral("media-playback-start-symbolic") },
        { QStringLiteral("pause.fill"), QStringLiteral("media-playback-pause-symbolic") },
        { QStringLiteral("arrow.up.forward.app"), QStringLiteral("send-to-symbolic") },
        { QStringLiteral("hifispeaker"), QStringLiteral("audio-speakers-symbolic") },
        { QStringLiteral("hifireceiver"), QStringLiteral("audio-card-symbolic") },
        { QStringLiteral("circle.hexagongrid.circle"), QStringLiteral("emblem-music-symbolic") },
        { QStringLiteral("waveform.circle.fill"), QStringLiteral("emblem-music-symbolic") },
        { QStringLiteral("airplayaudio"), QStringLiteral("network-wireless-symbolic") },
        { QStringLiteral("appletv.fill"), QStringLiteral("video-display-symbolic") },
        { QStringLiteral("playstation.logo"), QStringLiteral("input-gaming-symbolic") },
        { QStringLiteral("tv"), QStringLiteral("tv-symbolic") },
        { QStringLiteral("radio"), QStringLiteral("audio-x-generic-symbolic") },
        { QStringLiteral("opticaldisc"), QStringLiteral("media-optical-symbolic") },
        { QStringLiteral("repeat"), QStringLiteral("media-playlist-repeat-symbolic") },
        { QStringLiteral("repeat.1"), QStringLiteral("media-playlist-repeat-song-symbolic") },
        { QStringLiteral("shuffle"), QStringLiteral("media-playlist-shuffle-symbolic") },
        { QStringLiteral("moon.zzz"), QStringLiteral("weather-clear-night-symbolic") },
        { QStringLiteral("star.fill"), QStringLiteral("starred-symbolic") },
    };
    return icons.value(symbol, QStringLiteral("audio-speakers-symbolic"));
}

} // namespace amplora::Symbols
