#include "app/mpris/MprisProperties.h"

#include "core/capabilities/Playback.h"
#include "core/capabilities/Power.h"
#include "core/protocol/Features.h"
#include "core/protocol/PlayInfo.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"

#include <QCryptographicHash>
#include <QDBusObjectPath>

#include <algorithm>
#include <cmath>

namespace amplora::app {

namespace {

constexpr qint64 microsecondsPerSecond = 1000000;

QString nonEmpty(const std::optional<QString> &text)
{
    return text ? text->trimmed() : QString();
}

} // namespace

double MprisVolume::fraction(double dB) const
{
    const double span = topDB() - scale.minDB;
    if (!(span > 0)) {
        // A cap at the zone's lowest step leaves no room: the slider is either at its start or at its end.
        return dB > scale.minDB ? 1.0 : 0.0;
    }
    return std::clamp((dB - scale.minDB) / span, 0.0, 1.0);
}

double MprisVolume::decibels(double fraction) const
{
    return scale.minDB + std::clamp(fraction, 0.0, 1.0) * std::max(0.0, topDB() - scale.minDB);
}

bool MprisProperties::takesTransport(const ReceiverStore &store)
{
    const auto status = store.currentStatus();
    const auto &features = store.state().features();
    if (!status || !status->input || !features) {
        return false;
    }
    const InputFeature *input = features->system.input(*status->input);
    return input && input->playInfoType == QStringLiteral("netusb");
}

QString MprisProperties::playbackStatus(const ReceiverStore &store)
{
    const auto status = store.currentStatus();
    if (Power::isOn(status) && store.tunerReading()) {
        return QStringLiteral("Playing"); // a radio station plays while the zone is on
    }
    const auto &info = store.state().playInfo();
    if (!Power::isOn(status) || !takesTransport(store) || !info || !info->playback) {
        return QStringLiteral("Stopped");
    }
    if (Playback::isPlaying(info)) {
        return QStringLiteral("Playing");
    }
    if (info->playback == QStringLiteral("pause")) {
        return QStringLiteral("Paused");
    }
    return QStringLiteral("Stopped");
}

QString MprisProperties::trackId(const PlayInfo &info)
{
    // Derived from what identifies the track, so it needs no memory of earlier tracks and a client that reads it
    // twice for the same track sees the same path.
    const QStringList identity { nonEmpty(info.input), nonEmpty(info.artist), nonEmpty(info.album),
        nonEmpty(info.track) };
    const QByteArray digest
        = QCryptographicHash::hash(identity.join(QChar(0x1f)).toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("/org/amplora/Amplora/track/t") + QString::fromLatin1(digest);
}

QVariantMap MprisProperties::tunerMetadata(const Tuner::Reading &reading)
{
    // Media widgets show a title and an artist line: the station (or, without a name, its frequency) and its
    // running text; the band with the frequency goes where an album would, beside them.
    const QString tuned = (reading.band.toUpper() + u' ' + reading.frequency).trimmed();
    const QString title = reading.station.value_or(reading.frequency.isEmpty() ? tuned : reading.frequency);
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"),
        QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/amplora/Amplora/track/t")
            + QString::fromLatin1(
                QCryptographicHash::hash((tuned + QChar(0x1f) + title).toUtf8(), QCryptographicHash::Sha1)
                    .toHex()
                    .left(16)))));
    map.insert(QStringLiteral("xesam:title"), title);
    map.insert(QStringLiteral("xesam:album"), tuned);
    if (reading.text) {
        map.insert(QStringLiteral("xesam:artist"), QStringList { *reading.text });
        map.insert(QStringLiteral("xesam:comment"), QStringList { *reading.text });
    }
    return map;
}

QVariantMap MprisProperties::metadata(const ReceiverStore &store, const ArtURL &artUrl)
{
    if (const std::optional<Tuner::Reading> reading = store.tunerReading()) {
        return tunerMetadata(*reading);
    }
    const auto &info = store.state().playInfo();
    if (!info || !info->hasMetadata() || !takesTransport(store)) {
        return {};
    }
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackId(*info))));
    if (const QString title = nonEmpty(info->track); !title.isEmpty()) {
        map.insert(QStringLiteral("xesam:title"), title);
    }
    if (const QString artist = nonEmpty(info->artist); !artist.isEmpty()) {
        map.insert(QStringLiteral("xesam:artist"), QStringList { artist });
    }
    if (const QString album = nonEmpty(info->album); !album.isEmpty()) {
        map.insert(QStringLiteral("xesam:album"), album);
    }
    if (info->totalTime && *info->totalTime >= 1) {
        map.insert(QStringLiteral("mpris:length"), qlonglong(*info->totalTime) * microsecondsPerSecond);
    }
    if (const QString url = artUrl ? artUrl() : QString(); !url.isEmpty()) {
        map.insert(QStringLiteral("mpris:artUrl"), url);
    }
    return map;
}

std::optional<MprisVolume> MprisProperties::volume(const ReceiverStore &store)
{
    const auto scale = store.volumeScale(store.selectedZone());
    if (!scale) {
        return std::nullopt;
    }
    return MprisVolume { *scale, store.settings().maxVolumeDB() };
}

double MprisProperties::volumeFraction(const ReceiverStore &store)
{
    const auto range = volume(store);
    const auto dB = store.displayedVolumeDB();
    return range && dB ? range->fraction(*dB) : 0.0;
}

qint64 MprisProperties::position(const ReceiverStore &store, Clock::TimePoint now)
{
    if (!takesTransport(store)) {
        return 0;
    }
    const auto seconds = store.elapsedPlayTime(now);
    return seconds ? qint64(*seconds) * microsecondsPerSecond : 0;
}

QVariantMap MprisProperties::player(const ReceiverStore &store, const ArtURL &artUrl)
{
    const bool controllable = takesTransport(store);
    return {
        { QStringLiteral("PlaybackStatus"), playbackStatus(store) },
        { QStringLiteral("Rate"), 1.0 },
        { QStringLiteral("MinimumRate"), 1.0 },
        { QStringLiteral("MaximumRate"), 1.0 },
        { QStringLiteral("Metadata"), metadata(store, artUrl) },
        { QStringLiteral("Volume"), volumeFraction(store) },
        { QStringLiteral("CanGoNext"), controllable },
        { QStringLiteral("CanGoPrevious"), controllable },
        { QStringLiteral("CanPlay"), controllable },
        { QStringLiteral("CanPause"), controllable },
        // The receiver takes no position.
        { QStringLiteral("CanSeek"), false },
        { QStringLiteral("CanControl"), controllable },
    };
}

} // namespace amplora::app
