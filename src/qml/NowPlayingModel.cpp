#include "qml/NowPlayingModel.h"

#include "core/capabilities/Playback.h"
#include "core/handoff/SpotifyHandoff.h"
#include "core/store/ReceiverStore.h"
#include "qml/StoreReadings.h"
#include "qml/UiContext.h"

namespace amplora {

namespace {

const QString networkSourceType = QStringLiteral("netusb");

// Which picture the cover is (0 while there is none).
qint64 artKey(const ReceiverState &state)
{
    const std::optional<QImage> &art = state.albumArt();
    return art ? art->cacheKey() : 0;
}

} // namespace

NowPlayingModel::NowPlayingModel(ReceiverStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_artKey(artKey(store.state()))
    , m_elapsedFrom(store.state().playInfo(), store.state().playInfoReceivedAt())
{
    using S = ReceiverStore;
    const ReceiverState &state = store.state();
    // A new cover is a new picture even when everything else stays; it counts before the source is compared.
    connect(&state, &ReceiverState::playbackChanged, this, [this] {
        const qint64 art = artKey(m_store.state());
        if (art != m_artKey) {
            m_artKey = art;
            ++m_artGeneration;
        }
    });
    m_watch.watch(&state, &ReceiverState::playbackChanged,
        { "albumArtSource", "track", "artist", "hasTrackInfo", "playing", "totalTime", "marqueeText", "repeatMode",
            "shuffleMode" });
    // The elapsed time moves with the clock, so comparing it says nothing: it is announced with every play
    // information the receiver reports.
    connect(&state, &ReceiverState::playbackChanged, this, [this] {
        const ReceiverState &now = m_store.state();
        if (now.playInfo() != m_elapsedFrom.first || now.playInfoReceivedAt() != m_elapsedFrom.second) {
            m_elapsedFrom = { now.playInfo(), now.playInfoReceivedAt() };
            Q_EMIT elapsedPlayTimeChanged();
        }
    });
    m_watch.watch(&store, &S::currentStatusChanged, { "networkSource", "marqueeText" });
    for (const auto changed : { &ReceiverState::playbackChanged, &ReceiverState::receiverChanged }) {
        m_watch.watch(&state, changed, { "tuner", "tunerBand", "tunerFrequency", "tunerStation", "tunerText" });
    }
    m_watch.watch(
        &store, &S::currentStatusChanged, { "tuner", "tunerBand", "tunerFrequency", "tunerStation", "tunerText" });
    m_watch.watch(&state, &ReceiverState::receiverChanged, { "networkSource", "marqueeText", "spotifyDeviceName" });
    m_watch.watch(&store, &S::repeatModesChanged, { "supportsRepeat", "repeatMode" });
    m_watch.watch(&store, &S::shuffleModesChanged, { "supportsShuffle", "shuffleMode" });
    m_watch.watch(&store, &S::needsSpotifyPromptChanged, { "needsSpotifyPrompt" });
    m_watch.watch(&store, &S::selectedZoneChanged, { "spotifyDeviceName" });
}

NowPlayingModel *NowPlayingModel::create(QQmlEngine *engine, QJSEngine *)
{
    return UiContext::model(engine, &ViewModels::nowPlaying);
}

bool NowPlayingModel::tuner() const
{
    return m_store.tunerReading().has_value();
}

QString NowPlayingModel::tunerBand() const
{
    const auto reading = m_store.tunerReading();
    return reading ? reading->band.toUpper() : QString();
}

QString NowPlayingModel::tunerFrequency() const
{
    const auto reading = m_store.tunerReading();
    return reading ? reading->frequency : QString();
}

QString NowPlayingModel::tunerStation() const
{
    const auto reading = m_store.tunerReading();
    return reading ? reading->station.value_or(QString()) : QString();
}

QString NowPlayingModel::tunerText() const
{
    const auto reading = m_store.tunerReading();
    return reading ? reading->text.value_or(QString()) : QString();
}

bool NowPlayingModel::networkSource() const
{
    const auto &features = m_store.state().features();
    const QString id = StoreReadings::currentInput(m_store);
    const InputFeature *feature = features && !id.isEmpty() ? features->system.input(id) : nullptr;
    return feature && feature->playInfoType == networkSourceType;
}

QString NowPlayingModel::track() const
{
    const auto &info = m_store.state().playInfo();
    return info ? info->track.value_or(QString()) : QString();
}

QString NowPlayingModel::artist() const
{
    const auto &info = m_store.state().playInfo();
    return info ? info->artist.value_or(QString()) : QString();
}

bool NowPlayingModel::hasTrackInfo() const
{
    return !track().isEmpty() || !artist().isEmpty();
}

bool NowPlayingModel::playing() const
{
    return Playback::isPlaying(m_store.state().playInfo());
}

QVariant NowPlayingModel::totalTime() const
{
    const auto &info = m_store.state().playInfo();
    // A total of zero is how receivers say "a stream without an end"; there is no progress to draw then.
    if (!info || !info->totalTime || *info->totalTime <= 0) {
        return {};
    }
    return *info->totalTime;
}

QVariant NowPlayingModel::elapsedPlayTime() const
{
    const auto seconds = m_store.elapsedPlayTime(m_store.clock().now());
    return seconds ? QVariant(*seconds) : QVariant();
}

QString NowPlayingModel::marqueeText() const
{
    if (!networkSource()) {
        return {};
    }
    QStringList parts;
    for (const QString &part : { artist(), track() }) {
        if (!part.isEmpty()) {
            parts.append(part);
        }
    }
    return parts.join(QStringLiteral(" \u2013 "));
}

QString NowPlayingModel::albumArtSource() const
{
    if (!m_store.state().albumArt()) {
        return {};
    }
    // A new URL per picture: the image element caches by URL.
    return QStringLiteral("image://albumart/%1").arg(m_artGeneration);
}

bool NowPlayingModel::supportsRepeat() const
{
    return !m_store.repeatModes().isEmpty();
}

QString NowPlayingModel::repeatMode() const
{
    const auto &info = m_store.state().playInfo();
    return supportsRepeat() && info ? info->repeat.value_or(QStringLiteral("off")) : QString();
}

bool NowPlayingModel::supportsShuffle() const
{
    return !m_store.shuffleModes().isEmpty();
}

QString NowPlayingModel::shuffleMode() const
{
    const auto &info = m_store.state().playInfo();
    return supportsShuffle() && info ? info->shuffle.value_or(QStringLiteral("off")) : QString();
}

bool NowPlayingModel::needsSpotifyPrompt() const
{
    return m_store.needsSpotifyPrompt();
}

QString NowPlayingModel::spotifyDeviceName() const
{
    const std::optional<NameText> &names = m_store.state().names();
    const auto name = names ? names->zoneName(m_store.selectedZone()) : std::nullopt;
    //: Stands in for the zone's name in "Open Spotify and choose %1", so it is what the user picks there.
    return name && !name->isEmpty() ? *name : tr("this receiver", "the Spotify device to choose");
}

void NowPlayingModel::togglePlayback()
{
    m_store.togglePlayback();
}

void NowPlayingModel::previousTrack()
{
    m_store.perform(YXCCommand::setPlayback(PlaybackAction::previous));
}

void NowPlayingModel::nextTrack()
{
    m_store.perform(YXCCommand::setPlayback(PlaybackAction::next));
}

void NowPlayingModel::cycleRepeat()
{
    m_store.cycleRepeat();
}

void NowPlayingModel::cycleShuffle()
{
    m_store.cycleShuffle();
}

void NowPlayingModel::openSpotify()
{
    m_store.spotifyHandoff().open();
}

} // namespace amplora
