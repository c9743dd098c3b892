// The values the store derives from what it read (the selected zone's status, what it supports, what it shows),
// and the one place that tells observers when they changed.

#include "core/store/ReceiverStore.h"

#include "core/capabilities/Playback.h"
#include "core/capabilities/Power.h"
#include "core/capabilities/Presets.h"
#include "core/capabilities/Switches.h"
#include "core/capabilities/Tone.h"
#include "core/capabilities/Tuner.h"
#include "core/capabilities/Volume.h"
#include "core/handoff/SpotifyHandoff.h"
#include "core/protocol/Features.h"
#include "core/store/AppSettings.h"

#include <algorithm>
#include <cmath>

namespace amplora {

QList<Zone> ReceiverStore::availableZones() const
{
    QList<Zone> zones;
    for (Zone zone : allZones) {
        if (m_state.status().contains(zone)) {
            zones.append(zone);
        }
    }
    return zones;
}

std::optional<ZoneStatus> ReceiverStore::currentStatus() const
{
    const auto it = m_state.status().find(m_selectedZone);
    if (it == m_state.status().end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<VolumeScale> ReceiverStore::volumeScale(Zone zone) const
{
    const std::optional<Features> &features = m_state.features();
    if (!features) {
        return std::nullopt;
    }
    const ZoneFeatures *zoneFeatures = features->zoneFeatures(zone);
    return zoneFeatures ? VolumeScale::from(*zoneFeatures) : std::nullopt;
}

std::optional<double> ReceiverStore::displayedVolumeDB() const
{
    if (const auto edit = editValue(QStringLiteral("volume.") + rawValue(m_selectedZone))) {
        return edit;
    }
    const auto status = currentStatus();
    return status ? Volume::db(*status, volumeScale(m_selectedZone)) : std::nullopt;
}

std::optional<int> ReceiverStore::displayedLevel(const QString &name) const
{
    if (const auto edit = editValue(name + u'.' + rawValue(m_selectedZone))) {
        const double truncated = std::trunc(*edit);
        if (truncated >= std::numeric_limits<int>::min() && truncated <= std::numeric_limits<int>::max()) {
            return int(truncated);
        }
        return std::nullopt;
    }
    const auto status = currentStatus();
    if (!status) {
        return std::nullopt;
    }
    if (name == QStringLiteral("bass")) {
        return status->toneControl ? status->toneControl->bass : std::nullopt;
    }
    if (name == QStringLiteral("treble")) {
        return status->toneControl ? status->toneControl->treble : std::nullopt;
    }
    if (name == QStringLiteral("subwoofer")) {
        return status->subwooferVolume;
    }
    if (name == QStringLiteral("dialogue")) {
        return status->dialogueLevel;
    }
    return std::nullopt;
}

std::optional<double> ReceiverStore::displayedLevelDb(const QString &name) const
{
    const std::optional<int> raw = displayedLevel(name);
    return raw ? std::optional(Levels::levelDb(*raw)) : std::nullopt;
}

const ZoneFeatures *ReceiverStore::selectedZoneFeatures() const
{
    const std::optional<Features> &features = m_state.features();
    return features ? features->zoneFeatures(m_selectedZone) : nullptr;
}

bool ReceiverStore::supports(const QString &function) const
{
    return announces(selectedZoneFeatures(), function);
}

bool ReceiverStore::supportsDirect() const
{
    return Direct::supported(selectedZoneFeatures());
}

std::optional<RangeStep> ReceiverStore::dialogueRange() const
{
    return Dialogue::range(selectedZoneFeatures());
}

int ReceiverStore::receiverSceneCount() const
{
    return ReceiverScenes::count(selectedZoneFeatures());
}

bool ReceiverStore::tunerPlaying() const
{
    if (!Tuner::supported(m_state.features())) {
        return false;
    }
    const auto &statuses = m_state.status();
    return std::any_of(
        statuses.cbegin(), statuses.cend(), [](const auto &entry) { return Tuner::isPlaying(entry.second); });
}

std::optional<Tuner::Reading> ReceiverStore::tunerReading() const
{
    const std::optional<ZoneStatus> status = currentStatus();
    const std::optional<Features> &features = m_state.features();
    const std::optional<TunerPlayInfo> &info = m_state.tunerPlayInfo();
    if (!status || !info || !features || !Tuner::supported(features) || !Tuner::isPlaying(*status)) {
        return std::nullopt;
    }
    const std::optional<TunerFeatures> &tuner = features->tuner;
    return Tuner::reading(*info, tuner ? &*tuner : nullptr);
}

bool ReceiverStore::supportsFavourites() const
{
    return Favourites::supported(m_state.features(), m_selectedZone);
}

QStringList ReceiverStore::repeatModes() const
{
    return PlayerModes::offered(Capability::repeat, m_state.playInfo());
}

QStringList ReceiverStore::shuffleModes() const
{
    return PlayerModes::offered(Capability::shuffle, m_state.playInfo());
}

std::optional<QString> ReceiverStore::manualToneMode() const
{
    return Tone::manualMode(selectedZoneFeatures());
}

bool ReceiverStore::isSpotifyActive() const
{
    const std::optional<PlayInfo> &info = m_state.playInfo();
    return info && Playback::isPlaying(info) && info->input == QStringLiteral("spotify") && info->track
        && !info->track->isEmpty();
}

bool ReceiverStore::needsSpotifyPrompt() const
{
    const std::optional<ZoneStatus> status = currentStatus();
    if (!status || !Power::isOn(*status) || status->input != QStringLiteral("spotify")) {
        return false;
    }
    const std::optional<PlayInfo> &info = m_state.playInfo();
    return !info || info->input != QStringLiteral("spotify") || !info->hasMetadata() || Playback::isStopped(*info);
}

std::optional<int> ReceiverStore::elapsedPlayTime(Clock::TimePoint now) const
{
    const std::optional<PlayInfo> &info = m_state.playInfo();
    if (!info || !info->playTime || *info->playTime < 0) {
        return std::nullopt;
    }
    qint64 elapsed = 0;
    if (Playback::isPlaying(info) && now > m_state.playInfoReceivedAt()) {
        elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - m_state.playInfoReceivedAt()).count();
    }
    qint64 position = qint64(*info->playTime) + elapsed;
    if (info->totalTime && *info->totalTime >= 1) {
        position = std::min<qint64>(position, *info->totalTime);
    }
    return int(std::min<qint64>(position, std::numeric_limits<int>::max()));
}

bool ReceiverStore::signalPanelVisible() const
{
    return m_settings.frontPanelDisplay() ? m_frontPanelVisible : m_signalStripVisible;
}

bool ReceiverStore::canFetchSignal() const
{
    if (!connection().is(ConnectionState::Kind::connected) || !signalPanelVisible()) {
        return false;
    }
    const auto status = currentStatus();
    return Power::isOn(status) && supports(QStringLiteral("signal_info"));
}

std::optional<SignalInfo> ReceiverStore::currentSignalInfo() const
{
    if (canFetchSignal() && m_state.signalZone() == m_selectedZone) {
        return m_state.signalInfo();
    }
    return std::nullopt;
}

ReceiverStore::Derived ReceiverStore::computeDerived() const
{
    Derived d;
    d.availableZones = availableZones();
    d.updates = updates();
    d.currentStatus = currentStatus();
    d.displayedVolumeDB = displayedVolumeDB();
    d.bass = displayedLevel(QStringLiteral("bass"));
    d.treble = displayedLevel(QStringLiteral("treble"));
    d.subwoofer = displayedLevel(QStringLiteral("subwoofer"));
    d.dialogue = displayedLevel(QStringLiteral("dialogue"));
    d.supportsExtraBass = supportsExtraBass();
    d.supportsSurroundAI = supportsSurroundAI();
    d.supportsSleep = supportsSleep();
    d.supportsDirect = supportsDirect();
    d.supportsEnhancer = supportsEnhancer();
    d.dialogueRange = dialogueRange();
    d.receiverSceneCount = receiverSceneCount();
    d.supportsFavourites = supportsFavourites();
    d.repeatModes = repeatModes();
    d.shuffleModes = shuffleModes();
    d.needsSpotifyPrompt = needsSpotifyPrompt();
    d.canFetchSignal = canFetchSignal();
    d.currentSignalInfo = currentSignalInfo();
    return d;
}

void ReceiverStore::notifyDerived()
{
    // The derived values are computed on demand; this only tells observers which of them really changed.
    Derived next = computeDerived();
    std::swap(next, m_derived);
    const Derived &now = m_derived;
    const Derived &before = next;
    const auto announce = [this](bool changed, void (ReceiverStore::*signal)()) {
        if (changed) {
            Q_EMIT(this->*signal)();
        }
    };
    announce(now.availableZones != before.availableZones, &ReceiverStore::availableZonesChanged);
    announce(now.updates != before.updates, &ReceiverStore::updatesChanged);
    announce(now.currentStatus != before.currentStatus, &ReceiverStore::currentStatusChanged);
    announce(now.displayedVolumeDB != before.displayedVolumeDB, &ReceiverStore::displayedVolumeDBChanged);
    announce(now.bass != before.bass || now.treble != before.treble || now.subwoofer != before.subwoofer
            || now.dialogue != before.dialogue,
        &ReceiverStore::displayedLevelsChanged);
    announce(now.supportsExtraBass != before.supportsExtraBass, &ReceiverStore::supportsExtraBassChanged);
    announce(now.supportsSurroundAI != before.supportsSurroundAI, &ReceiverStore::supportsSurroundAIChanged);
    announce(now.supportsSleep != before.supportsSleep, &ReceiverStore::supportsSleepChanged);
    announce(now.supportsDirect != before.supportsDirect, &ReceiverStore::supportsDirectChanged);
    announce(now.supportsEnhancer != before.supportsEnhancer, &ReceiverStore::supportsEnhancerChanged);
    announce(now.dialogueRange != before.dialogueRange, &ReceiverStore::dialogueRangeChanged);
    announce(now.receiverSceneCount != before.receiverSceneCount, &ReceiverStore::receiverSceneCountChanged);
    announce(now.supportsFavourites != before.supportsFavourites, &ReceiverStore::supportsFavouritesChanged);
    announce(now.repeatModes != before.repeatModes, &ReceiverStore::repeatModesChanged);
    announce(now.shuffleModes != before.shuffleModes, &ReceiverStore::shuffleModesChanged);
    announce(now.needsSpotifyPrompt != before.needsSpotifyPrompt, &ReceiverStore::needsSpotifyPromptChanged);
    announce(now.canFetchSignal != before.canFetchSignal, &ReceiverStore::canFetchSignalChanged);
    announce(now.currentSignalInfo != before.currentSignalInfo, &ReceiverStore::currentSignalInfoChanged);
    m_link.scheduleUpdatesCheck();
}

} // namespace amplora
