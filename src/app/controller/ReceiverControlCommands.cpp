#include "app/controller/ReceiverControlAdapter.h"

#include "app/controller/ReceiverControlAdapterParts.h"
#include "app/controller/VolumeRamps.h"
#include "core/capabilities/Playback.h"
#include "core/capabilities/Presets.h"
#include "core/capabilities/Switches.h"
#include "core/capabilities/Tone.h"
#include "core/capabilities/Tuner.h"
#include "core/capabilities/Volume.h"
#include "core/protocol/PresetInfo.h"
#include "core/protocol/VolumeScale.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"

#include <algorithm>

namespace amplora::app {

using adapterparts::inputEntries;
using adapterparts::namesOf;
using adapterparts::programEntries;
using adapterparts::storeGone;

namespace {

PlaybackAction corePlayback(api::PlaybackAction action)
{
    switch (action) {
    case api::PlaybackAction::play:
        return PlaybackAction::play;
    case api::PlaybackAction::pause:
        return PlaybackAction::pause;
    case api::PlaybackAction::next:
        return PlaybackAction::next;
    case api::PlaybackAction::previous:
        return PlaybackAction::previous;
    }
    return PlaybackAction::pause;
}

// The id of the entry with exactly this display name (the router has already resolved loose spellings).
// `unknown` makes the refusal when there is none: ControlError::unknownInput or ControlError::unknownSoundMode.
Result<QString, api::ControlError> idNamed(const QList<FriendlyNames::Entry> &entries, const QString &name,
    api::ControlError (*unknown)(const QString &, api::Zone, QStringList), api::Zone zone)
{
    for (const auto &entry : entries) {
        if (entry.name == name) {
            return entry.id;
        }
    }
    return Failure { unknown(name, zone, namesOf(entries)) };
}

} // namespace

api::ControlTask<Done> ReceiverControlAdapter::setPower(api::Zone zone, api::PowerState state, Cancellation cancel)
{
    m_ramps->cancel(coreZone(zone));
    const PowerState power = state == api::PowerState::on ? PowerState::on : PowerState::standby;
    co_return co_await send(YXCCommand::setPower(coreZone(zone), power), nullptr, std::nullopt, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setVolume(api::Zone zone, double db, Cancellation cancel)
{
    m_ramps->cancel(coreZone(zone));
    auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    co_return co_await sendVolume(zone, db, std::move(context).value(), cancel);
}

api::ControlTask<double> ReceiverControlAdapter::stepVolume(
    api::Zone zone, api::VolumeStepDirection direction, Cancellation cancel)
{
    m_ramps->cancel(coreZone(zone));
    const auto current = co_await freshVolume(zone, cancel);
    if (!current) {
        co_return Failure { current.error() };
    }
    const std::optional<VolumeScale> &scale = current->scale;
    const bool up = direction == api::VolumeStepDirection::up;
    const double target = Volume::stepped(current->db, scale, up ? Volume::Step::up : Volume::Step::down);
    // A step that would pass the cap is refused rather than clamped, so the client learns why nothing changed.
    const double capDb = current->capDb;
    if (up && target > capDb) {
        co_return Failure { api::ControlError::volumeAboveCap(target, capDb) };
    }
    const auto sent = co_await sendVolume(zone, target, current->context, cancel);
    if (!sent) {
        co_return Failure { sent.error() };
    }
    co_return scale ? scale->limit(target, capDb) : std::min(target, capDb);
}

api::ControlTask<Done> ReceiverControlAdapter::rampVolume(
    api::Zone zone, double db, std::chrono::milliseconds duration, Cancellation cancel)
{
    // The old fade stops before the volume is read, so the new one starts from where that one stood.
    m_ramps->cancel(coreZone(zone));
    const auto current = co_await freshVolume(zone, cancel);
    if (!current) {
        co_return Failure { current.error() };
    }
    const Context context = current->context;
    const std::optional<VolumeScale> scale = current->scale;
    const double volumeDb = current->db;
    const double capDb = current->capDb;
    if (!Volume::command(coreZone(zone), Volume::takesDecibels(context.zone(zone)), scale, db)) {
        co_return Failure { api::ControlError::noVolumeRange(zone) };
    }
    if (db > capDb) {
        co_return Failure { api::ControlError::volumeAboveCap(db, capDb) };
    }
    if (cancel.isCancelled()) {
        co_return Failure { api::ControlError::abandoned() };
    }
    // The steps after the first outlive the request: nobody can call them off but another change of the zone.
    VolumeRamps::Send send
        = [this, zone, context](double step) { return sendVolume(zone, step, context, Cancellation()); };
    QCoro::Task<VolumeRamps::Sent> started
        = m_ramps->start(coreZone(zone), volumeDb, Volume::ramp(volumeDb, db, scale, duration, capDb), send);
    co_return co_await std::move(started);
}

api::ControlTask<Done> ReceiverControlAdapter::setMute(api::Zone zone, bool mute, Cancellation cancel)
{
    m_ramps->cancel(coreZone(zone));
    co_return co_await send(YXCCommand::setMute(coreZone(zone), mute), nullptr, std::nullopt, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setInput(api::Zone zone, QString name, Cancellation cancel)
{
    m_ramps->cancel(coreZone(zone));
    auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    const auto id = idNamed(inputEntries(m_names, context->zone(zone), context->names, context->distribution), name,
        &api::ControlError::unknownInput, zone);
    if (!id) {
        co_return Failure { id.error() };
    }
    co_return co_await send(YXCCommand::setInput(coreZone(zone), id.value()), context->transport, std::nullopt, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setSoundMode(api::Zone zone, QString name, Cancellation cancel)
{
    auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    const auto id = idNamed(
        programEntries(m_names, context->zone(zone), context->names), name, &api::ControlError::unknownSoundMode, zone);
    if (!id) {
        co_return Failure { id.error() };
    }
    co_return co_await send(
        YXCCommand::setSoundProgram(coreZone(zone), id.value()), context->transport, std::nullopt, cancel);
}

QCoro::Task<Result<Done, api::ControlError>> ReceiverControlAdapter::sendForZone(
    api::Zone zone, ZoneCommand make, Cancellation cancel)
{
    const auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    co_return co_await sendChecked(make(coreZone(zone), context->zone(zone)), context->transport, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setTone(
    api::Zone zone, std::optional<double> bass, std::optional<double> treble, Cancellation cancel)
{
    const ZoneCommand make = [bass, treble](Zone z, const ZoneFeatures *features) {
        return Tone::checkedCommand(z, features, bass, treble);
    };
    co_return co_await sendForZone(zone, make, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setSubwoofer(api::Zone zone, double db, Cancellation cancel)
{
    const ZoneCommand make
        = [db](Zone z, const ZoneFeatures *features) { return Subwoofer::checkedCommand(z, features, db); };
    co_return co_await sendForZone(zone, make, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::playback(api::PlaybackAction action, Cancellation cancel)
{
    co_return co_await send(YXCCommand::setPlayback(corePlayback(action)), nullptr, std::nullopt, cancel);
}

api::ControlTask<QStringList> ReceiverControlAdapter::inputs(api::Zone zone, Cancellation cancel)
{
    auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    co_return namesOf(inputEntries(m_names, context->zone(zone), context->names, context->distribution));
}

api::ControlTask<QStringList> ReceiverControlAdapter::soundModes(api::Zone zone, Cancellation cancel)
{
    auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    co_return namesOf(programEntries(m_names, context->zone(zone), context->names));
}

api::ControlTask<int> ReceiverControlAdapter::setSleep(api::Zone zone, int minutes, Cancellation cancel)
{
    const ZoneCommand make
        = [minutes](Zone z, const ZoneFeatures *features) { return Sleep::command(z, features, minutes); };
    const auto done = co_await sendForZone(zone, make, cancel);
    if (!done) {
        co_return Failure { done.error() };
    }
    co_return Sleep::minutes(minutes);
}

api::ControlTask<Done> ReceiverControlAdapter::setDirect(api::Zone zone, bool enabled, Cancellation cancel)
{
    const ZoneCommand make
        = [enabled](Zone z, const ZoneFeatures *features) { return Direct::command(z, features, enabled); };
    co_return co_await sendForZone(zone, make, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setEnhancer(api::Zone zone, bool enabled, Cancellation cancel)
{
    const ZoneCommand make = [enabled](Zone z, const ZoneFeatures *features) {
        return Switch::checkedCommand(Capability::enhancer, z, features, enabled);
    };
    co_return co_await sendForZone(zone, make, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setDialogueLevel(api::Zone zone, int level, Cancellation cancel)
{
    const ZoneCommand make
        = [level](Zone z, const ZoneFeatures *features) { return Dialogue::command(z, features, level); };
    co_return co_await sendForZone(zone, make, cancel);
}

QCoro::Task<Result<Done, api::ControlError>> ReceiverControlAdapter::sendPlayerMode(
    api::Zone zone, Capability which, QString mode, Cancellation cancel)
{
    if (!m_store) {
        co_return Failure { storeGone() };
    }
    const std::shared_ptr<ReceiverTransport> transport = m_store->transport();
    // What the player offers changes with what it plays, so it is read afresh rather than trusted from before.
    const auto read = co_await freshRead(YXCEvent::Refresh::playInfo(), cancel);
    if (!read) {
        co_return Failure { read.error() };
    }
    co_return co_await sendChecked(
        PlayerModes::command(which, coreZone(zone), m_store->state().playInfo(), mode), transport, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setRepeat(api::Zone zone, api::RepeatMode mode, Cancellation cancel)
{
    co_return co_await sendPlayerMode(zone, Capability::repeat, api::enumName(mode), cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setShuffle(api::Zone zone, api::ShuffleMode mode, Cancellation cancel)
{
    co_return co_await sendPlayerMode(zone, Capability::shuffle, api::enumName(mode), cancel);
}

api::ControlTask<QList<api::Favourite>> ReceiverControlAdapter::favourites(api::Zone zone, Cancellation cancel)
{
    const auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    if (!Favourites::supported(context->features, coreZone(zone))) {
        co_return Failure { controlError(Refusal::notSupported(coreZone(zone), Capability::favourites)) };
    }
    // Favourites change on the receiver's own remote and app too, so the list is read under the fresh rule: one
    // read for every caller asking meanwhile, and the store's list only while it is fresh (never after a command).
    const auto read = co_await freshRead(YXCEvent::Refresh::presets(), cancel);
    if (!read) {
        co_return Failure { read.error() };
    }
    QList<api::Favourite> favourites;
    for (const ListedPreset &preset : m_store->state().favourites()) {
        favourites.append({ preset.number, preset.name, preset.input });
    }
    co_return favourites;
}

api::ControlTask<api::Favourite> ReceiverControlAdapter::recallFavourite(
    api::Zone zone, int number, Cancellation cancel)
{
    m_ramps->cancel(coreZone(zone));
    // Read again unless fresh, so the slot is checked against the receiver's list as it is now.
    const auto listed = co_await favourites(zone, cancel);
    if (!listed) {
        co_return Failure { listed.error() };
    }
    if (!m_store) {
        co_return Failure { storeGone() };
    }
    const auto recall
        = Favourites::recall(coreZone(zone), m_store->state().features(), m_store->state().favourites(), number);
    api::Favourite favourite;
    for (const api::Favourite &slot : listed.value()) {
        if (slot.number == number) {
            favourite = slot;
            break;
        }
    }
    const auto sent = co_await sendChecked(recall, nullptr, cancel);
    if (!sent) {
        co_return Failure { sent.error() };
    }
    co_return favourite;
}

api::ControlTask<QList<api::TunerPreset>> ReceiverControlAdapter::tunerPresets(api::Zone zone, Cancellation cancel)
{
    const auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    if (!Tuner::supported(context->features)) {
        co_return Failure { controlError(Refusal::notSupported(coreZone(zone), Capability::tuner)) };
    }
    // Like the favourites: the receiver's own remote stores presets too, so the list is read under the fresh rule.
    const auto read = co_await freshRead(YXCEvent::Refresh::tunerPresets(), cancel);
    if (!read) {
        co_return Failure { read.error() };
    }
    if (!m_store) {
        co_return Failure { storeGone() };
    }
    QList<api::TunerPreset> presets;
    for (const Tuner::Preset &preset : Tuner::presets(m_store->state().tunerPresets(), m_store->state().features())) {
        presets.append({ preset.number, preset.band, preset.frequency, std::nullopt });
    }
    co_return presets;
}

api::ControlTask<api::TunerPreset> ReceiverControlAdapter::recallTunerPreset(
    api::Zone zone, int number, Cancellation cancel)
{
    m_ramps->cancel(coreZone(zone));
    const auto listed = co_await tunerPresets(zone, cancel);
    if (!listed) {
        co_return Failure { listed.error() };
    }
    if (!m_store) {
        co_return Failure { storeGone() };
    }
    const ReceiverState &state = m_store->state();
    const auto recall
        = Tuner::recall(coreZone(zone), state.features(), state.tunerPlayInfo(), state.tunerPresets(), number);
    api::TunerPreset recalled;
    for (const api::TunerPreset &slot : listed.value()) {
        if (slot.number == number) {
            recalled = slot;
            break;
        }
    }
    const auto sent = co_await sendChecked(recall, nullptr, cancel);
    if (!sent) {
        co_return Failure { sent.error() };
    }
    co_return recalled;
}

api::ControlTask<Done> ReceiverControlAdapter::recallReceiverScene(api::Zone zone, int number, Cancellation cancel)
{
    m_ramps->cancel(coreZone(zone));
    const ZoneCommand make
        = [number](Zone z, const ZoneFeatures *features) { return ReceiverScenes::recall(z, features, number); };
    co_return co_await sendForZone(zone, make, cancel);
}

} // namespace amplora::app
