#include "core/store/ReceiverState.h"

#include "core/store/DisplayTint.h"

namespace amplora {

namespace {

// Stores `value` in `field`; true when it differed.
template<class T> bool replace(T &field, T value)
{
    if (field == value) {
        return false;
    }
    field = std::move(value);
    return true;
}

} // namespace

ReceiverState::ReceiverState(Clock::TimePoint playInfoReceivedAt, QObject *parent)
    : QObject(parent)
    , m_playInfoReceivedAt(playInfoReceivedAt)
    , m_displayTint(DisplayTint::defaultTint())
{ }

bool ReceiverState::setDeviceInfo(std::optional<DeviceInfo> info)
{
    const bool changed = replace(m_deviceInfo, std::move(info));
    if (changed) {
        Q_EMIT receiverChanged();
    }
    return changed;
}

bool ReceiverState::setFeatures(std::optional<Features> features)
{
    const bool changed = replace(m_features, std::move(features));
    if (changed) {
        Q_EMIT receiverChanged();
    }
    return changed;
}

bool ReceiverState::setNames(std::optional<NameText> names)
{
    const bool changed = replace(m_names, std::move(names));
    if (changed) {
        Q_EMIT receiverChanged();
    }
    return changed;
}

bool ReceiverState::setStatus(std::map<Zone, ZoneStatus> status)
{
    const bool changed = replace(m_status, std::move(status));
    if (changed) {
        Q_EMIT zonesChanged();
    }
    return changed;
}

bool ReceiverState::setZoneStatus(Zone zone, ZoneStatus status)
{
    const auto it = m_status.find(zone);
    if (it != m_status.end() && it->second == status) {
        return false;
    }
    m_status[zone] = std::move(status);
    Q_EMIT zonesChanged();
    return true;
}

bool ReceiverState::setPlayInfo(std::optional<PlayInfo> info, std::optional<Clock::TimePoint> receivedAt)
{
    bool changed = replace(m_playInfo, std::move(info));
    if (receivedAt) {
        changed = replace(m_playInfoReceivedAt, *receivedAt) || changed;
    }
    if (changed) {
        Q_EMIT playbackChanged();
    }
    return changed;
}

bool ReceiverState::setFavourites(QList<ListedPreset> favourites)
{
    const bool changed = replace(m_favourites, std::move(favourites));
    if (changed) {
        Q_EMIT playbackChanged();
    }
    return changed;
}

bool ReceiverState::setAlbumArt(std::optional<QImage> art, QColor tint)
{
    bool changed = replace(m_albumArt, std::move(art));
    changed = replace(m_displayTint, tint) || changed;
    if (changed) {
        Q_EMIT playbackChanged();
    }
    return changed;
}

bool ReceiverState::setTunerPlayInfo(std::optional<TunerPlayInfo> info)
{
    const bool changed = replace(m_tunerPlayInfo, std::move(info));
    if (changed) {
        Q_EMIT playbackChanged();
    }
    return changed;
}

bool ReceiverState::setTunerPresets(QList<ListedTunerPreset> presets)
{
    const bool changed = replace(m_tunerPresets, std::move(presets));
    if (changed) {
        Q_EMIT playbackChanged();
    }
    return changed;
}

bool ReceiverState::setSignal(std::optional<SignalInfo> info, std::optional<Zone> zone)
{
    bool changed = replace(m_signalInfo, std::move(info));
    changed = replace(m_signalZone, zone) || changed;
    if (changed) {
        Q_EMIT signalChanged();
    }
    return changed;
}

bool ReceiverState::setDistribution(std::optional<DistributionInfo> info)
{
    const bool changed = replace(m_distribution, std::move(info));
    if (changed) {
        Q_EMIT linkChanged();
    }
    return changed;
}

} // namespace amplora
