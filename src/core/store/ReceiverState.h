#pragma once

#include "base/Clock.h"
#include "core/protocol/YXCPayload.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QObject>

#include <map>
#include <optional>

namespace amplora {

// What was last read from the receiver, as the store keeps it. Its observers hear one signal per kind of change,
// not one per field: a panel that shows the player listens to playbackChanged and reads what it needs. Every
// setter stores its value and tells the observers only when the value differs from the one held, and answers
// whether it did.
class ReceiverState : public QObject {
    Q_OBJECT

public:
    explicit ReceiverState(Clock::TimePoint playInfoReceivedAt, QObject *parent = nullptr);

    // ---- the receiver: receiverChanged ----
    const std::optional<DeviceInfo> &deviceInfo() const { return m_deviceInfo; }
    const std::optional<Features> &features() const { return m_features; }
    const std::optional<NameText> &names() const { return m_names; }
    bool setDeviceInfo(std::optional<DeviceInfo> info);
    bool setFeatures(std::optional<Features> features);
    bool setNames(std::optional<NameText> names);

    // ---- the zones' status: zonesChanged ----
    const std::map<Zone, ZoneStatus> &status() const { return m_status; }
    bool setStatus(std::map<Zone, ZoneStatus> status);
    bool setZoneStatus(Zone zone, ZoneStatus status);

    // ---- what is playing, the favourites and the cover: playbackChanged ----
    const std::optional<PlayInfo> &playInfo() const { return m_playInfo; }
    Clock::TimePoint playInfoReceivedAt() const { return m_playInfoReceivedAt; }
    // The receiver's favourites (its network/USB player's presets), filled slots only; empty while it announces
    // none or before they were read.
    const QList<ListedPreset> &favourites() const { return m_favourites; }
    const std::optional<QImage> &albumArt() const { return m_albumArt; }
    // The colour the display takes from the cover.
    QColor displayTint() const { return m_displayTint; }
    // `receivedAt` restarts the elapsed-time estimate; none keeps the moment it counts from.
    bool setPlayInfo(std::optional<PlayInfo> info, std::optional<Clock::TimePoint> receivedAt);
    bool setFavourites(QList<ListedPreset> favourites);
    bool setAlbumArt(std::optional<QImage> art, QColor tint);
    // What the tuner plays; read only while a zone listens to it, none otherwise.
    const std::optional<TunerPlayInfo> &tunerPlayInfo() const { return m_tunerPlayInfo; }
    // The tuner's filled preset slots; empty while it announces none or before they were read.
    const QList<ListedTunerPreset> &tunerPresets() const { return m_tunerPresets; }
    bool setTunerPlayInfo(std::optional<TunerPlayInfo> info);
    bool setTunerPresets(QList<ListedTunerPreset> presets);

    // ---- the input-signal report: signalChanged ----
    const std::optional<SignalInfo> &signalInfo() const { return m_signalInfo; }
    // The zone the report was read for.
    const std::optional<Zone> &signalZone() const { return m_signalZone; }
    bool setSignal(std::optional<SignalInfo> info, std::optional<Zone> zone);

    // ---- the receiver's link with others (its distribution info): linkChanged ----
    // None while it was not read, and on receivers that cannot link.
    const std::optional<DistributionInfo> &distribution() const { return m_distribution; }
    bool setDistribution(std::optional<DistributionInfo> info);

Q_SIGNALS:
    void receiverChanged();
    void zonesChanged();
    void playbackChanged();
    void signalChanged();
    void linkChanged();

private:
    std::optional<DeviceInfo> m_deviceInfo;
    std::optional<Features> m_features;
    std::optional<NameText> m_names;
    std::map<Zone, ZoneStatus> m_status;
    std::optional<PlayInfo> m_playInfo;
    Clock::TimePoint m_playInfoReceivedAt;
    QList<ListedPreset> m_favourites;
    std::optional<QImage> m_albumArt;
    QColor m_displayTint;
    std::optional<TunerPlayInfo> m_tunerPlayInfo;
    QList<ListedTunerPreset> m_tunerPresets;
    std::optional<SignalInfo> m_signalInfo;
    std::optional<Zone> m_signalZone;
    std::optional<DistributionInfo> m_distribution;
};

} // namespace amplora
