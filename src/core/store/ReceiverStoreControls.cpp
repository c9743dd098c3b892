// The store's control operations: every change is shown at once and sent in its own coroutine; continuous
// controls go through per-key throttlers, and every volume command passes the user's cap.

#include "core/store/ReceiverStore.h"

#include "core/Logging.h"
#include "core/handoff/SpotifyHandoff.h"
#include "core/protocol/Features.h"
#include "core/store/AppSettings.h"
#include "core/store/ZoneRules.h"

#include <cmath>
#include <limits>

namespace amplora {

namespace {

// Knob values become receiver integers by truncation toward zero, kept inside int's range.
int knobInteger(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    return int(std::clamp(
        std::trunc(value), double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

} // namespace

void ReceiverStore::editStatus(Zone zone, const std::function<void(ZoneStatus &)> &change)
{
    const auto it = m_status.find(zone);
    if (it == m_status.end()) {
        return;
    }
    ZoneStatus status = it->second;
    change(status);
    setStatusEntry(zone, std::move(status));
}

void ReceiverStore::perform(const YXCCommand &command)
{
    std::optional<VolumeScale> scale;
    if (command.as<YXCCommand::SetVolume>() || command.as<YXCCommand::SetActualVolume>()) {
        scale = volumeScale(command.zone().value_or(Zone::main));
    }
    runSend(command.capped(scale, m_settings.maxVolumeDB()));
}

QCoro::Task<> ReceiverStore::runSend(YXCCommand command)
{
    QPointer<ReceiverStore> self(this);
    const Result<Done, YXCError> sent = co_await sendChanging(m_transport, std::move(command));
    if (!sent && self && !m_destroying) {
        setLastError(sent.error().description());
    }
}

QCoro::Task<Result<Done, YXCError>> ReceiverStore::sendChanging(
    std::shared_ptr<ReceiverTransport> transport, YXCCommand command)
{
    QPointer<ReceiverStore> self(this);
    const std::optional<Zone> zone = command.zone();
    m_fresh.changed(zone);
    const YXCCommand accepted = command;
    Result<Done, YXCError> sent = co_await transport->send(std::move(command));
    // A read sent while the command was on its way may not show it yet.
    if (self && !m_destroying) {
        m_fresh.changed(zone);
        if (sent && transport == m_transport) {
            noteAnswer();
            showAccepted(accepted);
        }
    }
    co_return sent;
}

void ReceiverStore::showAccepted(const YXCCommand &command)
{
    // Whoever follows the state (the window, the API's event stream) sees an accepted change at once, not a read
    // later; the next read corrects it should the receiver have done otherwise.
    if (const std::optional<Zone> zone = command.zone()) {
        const auto it = m_status.find(*zone);
        if (it == m_status.end()) {
            return;
        }
        ZoneStatus status = it->second;
        if (ZoneRules::applyAccepted(status, *zone, command, volumeScale(*zone))) {
            ++m_acceptedChanges[*zone];
            setStatusEntry(*zone, std::move(status));
        }
        return;
    }
    if (m_playInfo) {
        PlayInfo info = *m_playInfo;
        if (ZoneRules::applyAccepted(info, command)) {
            setPlayInfo(std::move(info), false);
        }
    }
}

void ReceiverStore::setEdit(double value, const QString &key, std::function<YXCCommand(double)> command)
{
    m_edits.set(key, value, std::move(command));
}

void ReceiverStore::setVolume(double dB)
{
    const Zone zone = m_selectedZone;
    const ZoneFeatures *zoneFeatures = m_features ? m_features->zoneFeatures(zone) : nullptr;
    const std::optional<VolumeScale> scale = zoneFeatures ? VolumeScale::from(*zoneFeatures) : std::nullopt;
    if (!scale || std::isnan(dB)) {
        return;
    }
    const double target = scale->limit(dB, m_settings.maxVolumeDB());
    const bool decibels = ZoneRules::takesDecibels(zoneFeatures);
    setEdit(target, QStringLiteral("volume.") + rawValue(zone),
        [zone, decibels, scale](double value) { return *ZoneRules::volumeCommand(zone, decibels, scale, value); });
}

void ReceiverStore::setBass(double value)
{
    const Zone zone = m_selectedZone;
    const std::optional<QString> mode = manualToneMode();
    setEdit(value, QStringLiteral("bass.") + rawValue(zone),
        [zone, mode](double v) { return YXCCommand::setToneControl(zone, mode, knobInteger(v), std::nullopt); });
}

void ReceiverStore::setTreble(double value)
{
    const Zone zone = m_selectedZone;
    const std::optional<QString> mode = manualToneMode();
    setEdit(value, QStringLiteral("treble.") + rawValue(zone),
        [zone, mode](double v) { return YXCCommand::setToneControl(zone, mode, std::nullopt, knobInteger(v)); });
}

void ReceiverStore::setSubwoofer(double value)
{
    const Zone zone = m_selectedZone;
    setEdit(value, QStringLiteral("subwoofer.") + rawValue(zone),
        [zone](double v) { return YXCCommand::setSubwooferVolume(zone, knobInteger(v)); });
}

void ReceiverStore::toggleExtraBass()
{
    const auto status = currentStatus();
    const bool on = status && status->extraBass.value_or(false);
    perform(YXCCommand::setExtraBass(m_selectedZone, !on));
}

void ReceiverStore::togglePower()
{
    const Zone zone = m_selectedZone;
    const auto it = m_status.find(zone);
    const bool wasOn = it != m_status.end() && ZoneRules::isOn(it->second);
    editStatus(zone, [wasOn](ZoneStatus &status) { status.power = ZoneRules::powerWord(!wasOn); });
    perform(YXCCommand::setPower(zone, wasOn ? PowerState::standby : PowerState::on));
}

void ReceiverStore::toggleMute()
{
    const Zone zone = m_selectedZone;
    if (m_pendingMute.contains(zone)) {
        return; // one mute command per zone at a time
    }
    m_pendingMute.insert(zone);
    const auto it = m_status.find(zone);
    if (it != m_status.end() && it->second.mute) {
        sendMute(zone, *it->second.mute);
    } else {
        runMute(zone);
    }
}

QCoro::Task<> ReceiverStore::runMute(Zone zone)
{
    QPointer<ReceiverStore> self(this);
    const Result<Done, StoreError> refreshed = co_await refresh(YXCEvent::Refresh::status(zone));
    if (!self || m_destroying) {
        co_return;
    }
    if (!refreshed) {
        if (!refreshed.error().isSuperseded()) {
            setLastError(refreshed.error().description());
        }
        m_pendingMute.erase(zone);
        co_return;
    }
    const auto it = m_status.find(zone);
    if (it == m_status.end() || !it->second.mute) {
        setLastError(
            YXCError::unreadable(rawValue(zone) + QStringLiteral("/getStatus"), QStringLiteral("missing 'mute'"))
                .description());
        m_pendingMute.erase(zone);
        co_return;
    }
    co_await sendMute(zone, *it->second.mute);
}

QCoro::Task<> ReceiverStore::sendMute(Zone zone, bool oldValue)
{
    // The zone is in m_pendingMute for the whole command, whatever its outcome.
    editStatus(zone, [oldValue](ZoneStatus &status) { status.mute = !oldValue; });
    QPointer<ReceiverStore> self(this);
    const std::shared_ptr<ReceiverTransport> transport = m_transport;
    const Result<Done, YXCError> sent = co_await sendChanging(transport, YXCCommand::setMute(zone, !oldValue));
    if (!self || m_destroying) {
        co_return;
    }
    if (!sent) {
        editStatus(zone, [oldValue](ZoneStatus &status) { status.mute = oldValue; });
        setLastError(sent.error().description());
    }
    m_pendingMute.erase(zone);
}

void ReceiverStore::setSurroundAI(bool on)
{
    const Zone zone = m_selectedZone;
    const auto it = m_status.find(zone);
    if (!supports(QStringLiteral("surround_ai")) || it == m_status.end() || m_pendingSurroundAI.contains(zone)) {
        return;
    }
    const std::optional<bool> previous = it->second.surroundAi;
    m_pendingSurroundAI.insert(zone);
    editStatus(zone, [on](ZoneStatus &status) { status.surroundAi = on; });
    runSurroundAI(zone, on, previous);
}

QCoro::Task<> ReceiverStore::runSurroundAI(Zone zone, bool on, std::optional<bool> previous)
{
    QPointer<ReceiverStore> self(this);
    const std::shared_ptr<ReceiverTransport> transport = m_transport;
    const Result<Done, YXCError> sent = co_await sendChanging(transport, YXCCommand::setSurroundAI(zone, on));
    if (!self || m_destroying) {
        co_return;
    }
    if (!sent) {
        // After the address changed, the old receiver's value means nothing for the new one.
        if (m_transport == transport) {
            editStatus(zone, [previous](ZoneStatus &status) { status.surroundAi = previous; });
        }
        setLastError(sent.error().description());
    }
    m_pendingSurroundAI.erase(zone);
}

void ReceiverStore::setInput(const QString &id)
{
    const Zone zone = m_selectedZone;
    editStatus(zone, [&id](ZoneStatus &status) { status.input = id; });
    perform(YXCCommand::setInput(zone, id));
}

void ReceiverStore::selectInput(const QString &id)
{
    setInput(id);
    if (id == QStringLiteral("spotify")) {
        runSpotifyHandoff();
    }
}

QCoro::Task<> ReceiverStore::runSpotifyHandoff()
{
    QPointer<ReceiverStore> self(this);
    const Result<Done, StoreError> refreshed = co_await refresh(YXCEvent::Refresh::playInfo());
    if (!refreshed || !self || m_destroying) {
        co_return;
    }
    if (!isSpotifyActive()) {
        m_spotifyHandoff->open();
    }
}

void ReceiverStore::setSoundProgram(const QString &id)
{
    const Zone zone = m_selectedZone;
    editStatus(zone, [&id](ZoneStatus &status) { status.soundProgram = id; });
    perform(YXCCommand::setSoundProgram(zone, id));
}

void ReceiverStore::togglePlayback()
{
    const bool wasPlaying = ZoneRules::isPlaying(m_playInfo);
    if (m_playInfo) {
        PlayInfo info = *m_playInfo;
        info.playback = ZoneRules::playbackWord(!wasPlaying);
        setPlayInfo(std::move(info), false);
    }
    perform(YXCCommand::setPlayback(wasPlaying ? PlaybackAction::pause : PlaybackAction::play));
}

void ReceiverStore::cycleSleep()
{
    const Zone zone = m_selectedZone;
    const auto status = currentStatus();
    if (!supportsSleep() || !status) {
        return;
    }
    const int next = ZoneRules::nextSleepMinutes(status->sleep.value_or(0));
    editStatus(zone, [next](ZoneStatus &changed) { changed.sleep = next; });
    perform(YXCCommand::setSleep(zone, next));
}

void ReceiverStore::toggleDirect()
{
    const Zone zone = m_selectedZone;
    const ZoneFeatures *features = selectedZoneFeatures();
    const auto status = currentStatus();
    if (!status) {
        return;
    }
    const bool on = !ZoneRules::directState(*status, features).value_or(false);
    const std::optional<YXCCommand> command = ZoneRules::directCommand(zone, features, on);
    if (!command) {
        return;
    }
    const bool pure = command->as<YXCCommand::SetPureDirect>() != nullptr;
    editStatus(zone, [on, pure](ZoneStatus &changed) { (pure ? changed.pureDirect : changed.direct) = on; });
    perform(*command);
}

void ReceiverStore::toggleEnhancer()
{
    const Zone zone = m_selectedZone;
    const auto status = currentStatus();
    if (!supportsEnhancer() || !status) {
        return;
    }
    const bool on = !status->enhancer.value_or(false);
    editStatus(zone, [on](ZoneStatus &changed) { changed.enhancer = on; });
    perform(YXCCommand::setEnhancer(zone, on));
}

void ReceiverStore::setDialogueLevel(double value)
{
    const Zone zone = m_selectedZone;
    const std::optional<RangeStep> range = dialogueRange();
    if (!range || std::isnan(value)) {
        return;
    }
    setEdit(std::clamp(value, range->min, range->max), QStringLiteral("dialogue.") + rawValue(zone),
        [zone](double v) { return YXCCommand::setDialogueLevel(zone, knobInteger(v)); });
}

void ReceiverStore::editPlayInfo(const std::function<void(PlayInfo &)> &change)
{
    if (!m_playInfo) {
        return;
    }
    PlayInfo info = *m_playInfo;
    change(info);
    setPlayInfo(std::move(info), false);
}

void ReceiverStore::cyclePlayMode(
    const QStringList &modes, std::optional<QString> PlayInfo::*field, YXCCommand (*command)(QString mode))
{
    if (modes.isEmpty() || !m_playInfo) {
        return;
    }
    // A mode the list does not hold (or none reported) starts the cycle from its first entry.
    const qsizetype current = (*m_playInfo.*field) ? modes.indexOf(*(*m_playInfo.*field)) : -1;
    const QString next = modes.at((current + 1) % modes.size());
    editPlayInfo([field, &next](PlayInfo &info) { info.*field = next; });
    perform(command(next));
}

void ReceiverStore::cycleRepeat()
{
    cyclePlayMode(repeatModes(), &PlayInfo::repeat, &YXCCommand::setRepeat);
}

void ReceiverStore::cycleShuffle()
{
    cyclePlayMode(shuffleModes(), &PlayInfo::shuffle, &YXCCommand::setShuffle);
}

void ReceiverStore::recallFavourite(int number)
{
    const bool listed = std::any_of(m_favourites.cbegin(), m_favourites.cend(),
        [number](const ListedPreset &favourite) { return favourite.number == number; });
    if (!supportsFavourites() || !listed) {
        return;
    }
    perform(YXCCommand::recallPreset(m_selectedZone, number));
}

void ReceiverStore::recallReceiverScene(int number)
{
    if (number < 1 || number > receiverSceneCount()) {
        return;
    }
    perform(YXCCommand::recallScene(m_selectedZone, number));
}

} // namespace amplora
