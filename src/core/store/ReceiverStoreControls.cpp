// The store's control operations: every change is shown at once and sent in its own coroutine; continuous
// controls go through per-key throttlers, and every volume command passes the user's cap.

#include "core/store/ReceiverStore.h"

#include "core/Logging.h"
#include "core/capabilities/Accepted.h"
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
    const auto it = m_state.status().find(zone);
    if (it == m_state.status().end()) {
        return;
    }
    ZoneStatus status = it->second;
    change(status);
    m_state.setZoneStatus(zone, std::move(status));
}

void ReceiverStore::showMute(Zone zone, bool muted)
{
    editStatus(zone, [muted](ZoneStatus &status) { status.mute = muted; });
}

void ReceiverStore::showSurroundAI(Zone zone, std::optional<bool> on)
{
    editStatus(zone, [on](ZoneStatus &status) { status.surroundAi = on; });
}

void ReceiverStore::perform(const YXCCommand &command)
{
    std::optional<VolumeScale> scale;
    if (command.as<YXCCommand::SetVolume>() || command.as<YXCCommand::SetActualVolume>()) {
        scale = volumeScale(command.zone().value_or(Zone::main));
    }
    runSend(command.capped(scale, m_settings.maxVolumeDB()));
}

void ReceiverStore::performShown(const YXCCommand &command)
{
    if (const std::optional<Zone> zone = command.zone()) {
        const std::optional<VolumeScale> scale = volumeScale(*zone);
        editStatus(*zone, [&](ZoneStatus &status) { Accepted::apply(status, *zone, command, scale); });
    } else {
        editPlayInfo([&command](PlayInfo &info) { Accepted::apply(info, command); });
    }
    perform(command);
}

std::optional<Refusal> ReceiverStore::performChecked(Refusable<YXCCommand> command)
{
    if (!command) {
        return command.error();
    }
    performShown(command.value());
    return std::nullopt;
}

QCoro::Task<> ReceiverStore::runSend(YXCCommand command)
{
    QPointer<ReceiverStore> self(this);
    const Result<Done, YXCError> sent = co_await sendChanging(m_link.transport(), std::move(command));
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
    Q_EMIT commandSending(accepted);
    Result<Done, YXCError> sent = co_await transport->send(std::move(command));
    // A read sent while the command was on its way may not show it yet.
    if (self && !m_destroying) {
        m_fresh.changed(zone);
        if (sent && transport == m_link.transport()) {
            m_link.noteAnswer();
            showAccepted(accepted);
            if (accepted.as<YXCCommand::RecallTunerPreset>()) {
                // Another station plays: the window follows at once, whether or not an event comes.
                requestRefresh(YXCEvent::Refresh::tunerPlayInfo(), false);
            }
        }
    }
    co_return sent;
}

void ReceiverStore::showAccepted(const YXCCommand &command)
{
    // Whoever follows the state (the window, the API's event stream) sees an accepted change at once, not a read
    // later; the next read corrects it should the receiver have done otherwise.
    if (const std::optional<Zone> zone = command.zone()) {
        const auto it = m_state.status().find(*zone);
        if (it == m_state.status().end()) {
            return;
        }
        ZoneStatus status = it->second;
        if (Accepted::apply(status, *zone, command, volumeScale(*zone))) {
            ++m_acceptedChanges[*zone];
            m_state.setZoneStatus(*zone, std::move(status));
        }
        return;
    }
    if (const std::optional<PlayInfo> &shown = m_state.playInfo()) {
        PlayInfo info = *shown;
        if (Accepted::apply(info, command)) {
            m_state.setPlayInfo(std::move(info), std::nullopt);
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
    const ZoneFeatures *zoneFeatures = selectedZoneFeatures();
    const std::optional<VolumeScale> scale = volumeScale(zone);
    if (!scale || std::isnan(dB)) {
        return;
    }
    const double target = scale->limit(dB, m_settings.maxVolumeDB());
    const bool decibels = Volume::takesDecibels(zoneFeatures);
    setEdit(target, QStringLiteral("volume.") + rawValue(zone),
        [zone, decibels, scale](double value) { return *Volume::command(zone, decibels, scale, value); });
}

std::optional<Refusal> ReceiverStore::setLevel(const QString &key, double value,
    const std::function<std::optional<Refusal>(const ZoneFeatures *, double dB)> &check,
    std::function<YXCCommand(double dB)> command)
{
    const int raw = knobInteger(value);
    if (auto refused = check(selectedZoneFeatures(), Levels::levelDb(raw))) {
        return refused;
    }
    setEdit(raw, key + u'.' + rawValue(m_selectedZone),
        [command = std::move(command)](double v) { return command(Levels::levelDb(knobInteger(v))); });
    return std::nullopt;
}

std::optional<Refusal> ReceiverStore::setBass(double value)
{
    const Zone zone = m_selectedZone;
    const std::optional<QString> mode = manualToneMode();
    return setLevel(
        QStringLiteral("bass"), value,
        [zone](const ZoneFeatures *features, double dB) {
            return Tone::refusal(zone, features, QStringLiteral("Bass"), dB);
        },
        [zone, mode](double dB) { return Tone::command(zone, mode, dB, std::nullopt); });
}

std::optional<Refusal> ReceiverStore::setTreble(double value)
{
    const Zone zone = m_selectedZone;
    const std::optional<QString> mode = manualToneMode();
    return setLevel(
        QStringLiteral("treble"), value,
        [zone](const ZoneFeatures *features, double dB) {
            return Tone::refusal(zone, features, QStringLiteral("Treble"), dB);
        },
        [zone, mode](double dB) { return Tone::command(zone, mode, std::nullopt, dB); });
}

std::optional<Refusal> ReceiverStore::setSubwoofer(double value)
{
    const Zone zone = m_selectedZone;
    return setLevel(
        QStringLiteral("subwoofer"), value,
        [zone](const ZoneFeatures *features, double dB) { return Subwoofer::refusal(zone, features, dB); },
        [zone](double dB) { return Subwoofer::command(zone, dB); });
}

std::optional<Refusal> ReceiverStore::toggleExtraBass()
{
    const auto status = currentStatus();
    const bool on = status && Switch::state(Capability::extraBass, *status).value_or(false);
    return performChecked(Switch::checkedCommand(Capability::extraBass, m_selectedZone, selectedZoneFeatures(), !on));
}

void ReceiverStore::togglePower()
{
    const Zone zone = m_selectedZone;
    const auto it = m_state.status().find(zone);
    const std::optional<ZoneStatus> status
        = it != m_state.status().end() ? std::optional(it->second) : std::optional<ZoneStatus>();
    performShown(YXCCommand::setPower(zone, Power::toggled(status)));
}

std::optional<bool> ReceiverStore::shownMute(Zone zone) const
{
    const auto it = m_state.status().find(zone);
    return it == m_state.status().end() ? std::nullopt : it->second.mute;
}

void ReceiverStore::toggleMute()
{
    const Zone zone = m_selectedZone;
    if (m_pendingMute.contains(zone)) {
        return; // one mute command per zone at a time
    }
    m_pendingMute.insert(zone);
    if (const std::optional<bool> muted = shownMute(zone)) {
        sendMute(zone, *muted);
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
    const std::optional<bool> muted = shownMute(zone);
    if (!muted) {
        setLastError(
            YXCError::unreadable(rawValue(zone) + QStringLiteral("/getStatus"), QStringLiteral("missing 'mute'"))
                .description());
        m_pendingMute.erase(zone);
        co_return;
    }
    co_await sendMute(zone, *muted);
}

QCoro::Task<> ReceiverStore::sendMute(Zone zone, bool oldValue)
{
    // The zone is in m_pendingMute for the whole command, whatever its outcome.
    showMute(zone, !oldValue);
    QPointer<ReceiverStore> self(this);
    const std::shared_ptr<ReceiverTransport> transport = m_link.transport();
    const Result<Done, YXCError> sent = co_await sendChanging(transport, YXCCommand::setMute(zone, !oldValue));
    if (!self || m_destroying) {
        co_return;
    }
    if (!sent) {
        showMute(zone, oldValue);
        setLastError(sent.error().description());
    }
    m_pendingMute.erase(zone);
}

std::optional<Refusal> ReceiverStore::setSurroundAI(bool on)
{
    const Zone zone = m_selectedZone;
    const auto it = m_state.status().find(zone);
    if (!Switch::supported(Capability::surroundAi, selectedZoneFeatures())) {
        return Refusal::notSupported(zone, Capability::surroundAi);
    }
    if (it == m_state.status().end() || m_pendingSurroundAI.contains(zone)) {
        return std::nullopt;
    }
    const std::optional<bool> previous = it->second.surroundAi;
    m_pendingSurroundAI.insert(zone);
    showSurroundAI(zone, on);
    runSurroundAI(zone, on, previous);
    return std::nullopt;
}

QCoro::Task<> ReceiverStore::runSurroundAI(Zone zone, bool on, std::optional<bool> previous)
{
    QPointer<ReceiverStore> self(this);
    const std::shared_ptr<ReceiverTransport> transport = m_link.transport();
    const Result<Done, YXCError> sent
        = co_await sendChanging(transport, Switch::command(Capability::surroundAi, zone, on));
    if (!self || m_destroying) {
        co_return;
    }
    if (!sent) {
        // After the address changed, the old receiver's value means nothing for the new one.
        if (m_link.transport() == transport) {
            showSurroundAI(zone, previous);
        }
        setLastError(sent.error().description());
    }
    m_pendingSurroundAI.erase(zone);
}

void ReceiverStore::setInput(const QString &id)
{
    performShown(YXCCommand::setInput(m_selectedZone, id));
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
    performShown(YXCCommand::setSoundProgram(m_selectedZone, id));
}

void ReceiverStore::togglePlayback()
{
    performShown(YXCCommand::setPlayback(Playback::toggled(m_state.playInfo())));
}

std::optional<Refusal> ReceiverStore::cycleSleep()
{
    const auto status = currentStatus();
    const int next = Sleep::next(status ? status->sleep.value_or(0) : 0);
    return performChecked(Sleep::command(m_selectedZone, selectedZoneFeatures(), next));
}

std::optional<Refusal> ReceiverStore::toggleDirect()
{
    const ZoneFeatures *features = selectedZoneFeatures();
    const auto status = currentStatus();
    const bool on = status && Direct::state(*status, features).value_or(false);
    return performChecked(Direct::command(m_selectedZone, features, !on));
}

std::optional<Refusal> ReceiverStore::toggleEnhancer()
{
    const auto status = currentStatus();
    const bool on = status && Switch::state(Capability::enhancer, *status).value_or(false);
    return performChecked(Switch::checkedCommand(Capability::enhancer, m_selectedZone, selectedZoneFeatures(), !on));
}

std::optional<Refusal> ReceiverStore::setDialogueLevel(double value)
{
    const Zone zone = m_selectedZone;
    const ZoneFeatures *features = selectedZoneFeatures();
    const std::optional<RangeStep> range = Dialogue::range(features);
    if (!range) {
        return Refusal::notSupported(zone, Capability::dialogue);
    }
    if (std::isnan(value)) {
        return std::nullopt;
    }
    // The knob may overshoot while dragged; it sends the nearest end rather than nothing.
    setEdit(std::clamp(value, range->min, range->max), QStringLiteral("dialogue.") + rawValue(zone),
        [zone](double v) { return YXCCommand::setDialogueLevel(zone, knobInteger(v)); });
    return std::nullopt;
}

void ReceiverStore::editPlayInfo(const std::function<void(PlayInfo &)> &change)
{
    const std::optional<PlayInfo> &shown = m_state.playInfo();
    if (!shown) {
        return;
    }
    PlayInfo info = *shown;
    change(info);
    m_state.setPlayInfo(std::move(info), std::nullopt);
}

std::optional<Refusal> ReceiverStore::cyclePlayMode(Capability which)
{
    const std::optional<QString> next = PlayerModes::next(which, m_state.playInfo());
    if (!next) {
        return Refusal::notSupported(m_selectedZone, which);
    }
    return performChecked(PlayerModes::command(which, m_selectedZone, m_state.playInfo(), *next));
}

std::optional<Refusal> ReceiverStore::cycleRepeat()
{
    return cyclePlayMode(Capability::repeat);
}

std::optional<Refusal> ReceiverStore::cycleShuffle()
{
    return cyclePlayMode(Capability::shuffle);
}

std::optional<Refusal> ReceiverStore::recallFavourite(int number)
{
    const auto recalled = Favourites::recall(m_selectedZone, m_state.features(), m_state.favourites(), number);
    if (!recalled) {
        return recalled.error();
    }
    perform(recalled.value());
    return std::nullopt;
}

std::optional<Refusal> ReceiverStore::recallTunerPreset(int number)
{
    const auto recalled
        = Tuner::recall(m_selectedZone, m_state.features(), m_state.tunerPlayInfo(), m_state.tunerPresets(), number);
    if (!recalled) {
        return recalled.error();
    }
    perform(recalled.value());
    return std::nullopt;
}

std::optional<Refusal> ReceiverStore::recallReceiverScene(int number)
{
    const auto recalled = ReceiverScenes::recall(m_selectedZone, selectedZoneFeatures(), number);
    if (!recalled) {
        return recalled.error();
    }
    perform(recalled.value());
    return std::nullopt;
}

} // namespace amplora
