#pragma once

#include "base/Clock.h"
#include "core/protocol/PlayInfo.h"
#include "qml/PropertyWatch.h"

#include <QObject>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <optional>
#include <utility>

class QJSEngine;
class QQmlEngine;

namespace amplora {

class ReceiverStore;

// What the network player plays: track, artist, cover, progress, the transport and its repeat and shuffle modes,
// and the Spotify hand-off.
class NowPlayingModel : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(NowPlaying)
    QML_SINGLETON

    // Whether the current input is one of the network player's (its play information applies).
    Q_PROPERTY(bool networkSource READ networkSource NOTIFY networkSourceChanged)
    Q_PROPERTY(QString track READ track NOTIFY trackChanged)
    Q_PROPERTY(QString artist READ artist NOTIFY artistChanged)
    Q_PROPERTY(bool hasTrackInfo READ hasTrackInfo NOTIFY hasTrackInfoChanged)
    Q_PROPERTY(bool playing READ playing NOTIFY playingChanged)
    // Seconds; undefined for a stream without an end.
    Q_PROPERTY(QVariant totalTime READ totalTime NOTIFY totalTimeChanged)
    // Seconds into the track now; its signal follows the play information, the ticking in between is the
    // reader's (a clock-driven value has no change to announce).
    Q_PROPERTY(QVariant elapsedPlayTime READ elapsedPlayTime NOTIFY elapsedPlayTimeChanged)
    // "Artist – Track" for the front-panel display; empty off the network player.
    Q_PROPERTY(QString marqueeText READ marqueeText NOTIFY marqueeTextChanged)
    Q_PROPERTY(QString albumArtSource READ albumArtSource NOTIFY albumArtSourceChanged)
    // The repeat and shuffle modes of what is playing ("off", "one", "all"; "off", "on", "songs", "albums"),
    // empty when it offers none.
    Q_PROPERTY(bool supportsRepeat READ supportsRepeat NOTIFY supportsRepeatChanged)
    Q_PROPERTY(QString repeatMode READ repeatMode NOTIFY repeatModeChanged)
    Q_PROPERTY(bool supportsShuffle READ supportsShuffle NOTIFY supportsShuffleChanged)
    Q_PROPERTY(QString shuffleMode READ shuffleMode NOTIFY shuffleModeChanged)
    Q_PROPERTY(bool needsSpotifyPrompt READ needsSpotifyPrompt NOTIFY needsSpotifyPromptChanged)
    Q_PROPERTY(QString spotifyDeviceName READ spotifyDeviceName NOTIFY spotifyDeviceNameChanged)
    // While the zone listens to the tuner: its band ("FM", "AM", "DAB"), frequency ("98.10 MHz"), the station's
    // name and its running text; empty texts when the station sends none.
    Q_PROPERTY(bool tuner READ tuner NOTIFY tunerChanged)
    Q_PROPERTY(QString tunerBand READ tunerBand NOTIFY tunerBandChanged)
    Q_PROPERTY(QString tunerFrequency READ tunerFrequency NOTIFY tunerFrequencyChanged)
    Q_PROPERTY(QString tunerStation READ tunerStation NOTIFY tunerStationChanged)
    Q_PROPERTY(QString tunerText READ tunerText NOTIFY tunerTextChanged)

public:
    explicit NowPlayingModel(ReceiverStore &store, QObject *parent = nullptr);

    static NowPlayingModel *create(QQmlEngine *engine, QJSEngine *);

    bool networkSource() const;
    QString track() const;
    QString artist() const;
    bool hasTrackInfo() const;
    bool playing() const;
    QVariant totalTime() const;
    QVariant elapsedPlayTime() const;
    QString marqueeText() const;
    QString albumArtSource() const;
    bool supportsRepeat() const;
    QString repeatMode() const;
    bool supportsShuffle() const;
    QString shuffleMode() const;
    bool needsSpotifyPrompt() const;
    QString spotifyDeviceName() const;
    bool tuner() const;
    QString tunerBand() const;
    QString tunerFrequency() const;
    QString tunerStation() const;
    QString tunerText() const;

    Q_INVOKABLE void togglePlayback();
    Q_INVOKABLE void previousTrack();
    Q_INVOKABLE void nextTrack();
    Q_INVOKABLE void cycleRepeat();
    Q_INVOKABLE void cycleShuffle();
    Q_INVOKABLE void openSpotify();

Q_SIGNALS:
    void networkSourceChanged();
    void trackChanged();
    void artistChanged();
    void hasTrackInfoChanged();
    void playingChanged();
    void totalTimeChanged();
    void elapsedPlayTimeChanged();
    void marqueeTextChanged();
    void albumArtSourceChanged();
    void supportsRepeatChanged();
    void repeatModeChanged();
    void supportsShuffleChanged();
    void shuffleModeChanged();
    void needsSpotifyPromptChanged();
    void spotifyDeviceNameChanged();
    void tunerChanged();
    void tunerBandChanged();
    void tunerFrequencyChanged();
    void tunerStationChanged();
    void tunerTextChanged();

private:
    ReceiverStore &m_store;
    quint64 m_artGeneration = 0;
    qint64 m_artKey = 0; // the shown cover's cache key; 0 for none
    // What the elapsed time was last announced for: the play information and the moment it was received.
    std::pair<std::optional<PlayInfo>, Clock::TimePoint> m_elapsedFrom;
    PropertyWatch m_watch { *this };
};

} // namespace amplora
