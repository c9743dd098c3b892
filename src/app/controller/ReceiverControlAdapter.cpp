#include "app/controller/ReceiverControlAdapter.h"

#include "core/protocol/PresetInfo.h"
#include "core/protocol/ReceiverTransport.h"
#include "core/protocol/VolumeScale.h"
#include "core/store/AppSettings.h"
#include "core/store/FriendlyNames.h"
#include "core/store/ReceiverStore.h"
#include "core/store/ZoneRules.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace amplora::app {

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

api::ControlError storeGone()
{
    return api::ControlError::receiverFailure(QStringLiteral("Amplora is shutting down."));
}

QStringList namesOf(const QList<FriendlyNames::Entry> &entries)
{
    QStringList names;
    names.reserve(entries.size());
    for (const auto &entry : entries) {
        names.append(entry.name);
    }
    return names;
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

QString nameOfId(const QList<FriendlyNames::Entry> &entries, const QString &id)
{
    for (const auto &entry : entries) {
        if (entry.id == id) {
            return entry.name;
        }
    }
    return id;
}

QList<FriendlyNames::Entry> inputEntries(
    FriendlyNames::Memo &memo, const ZoneFeatures *zone, const std::optional<NameText> &names)
{
    return zone ? memo.inputs(zone->inputList, names) : QList<FriendlyNames::Entry> {};
}

QList<FriendlyNames::Entry> programEntries(
    FriendlyNames::Memo &memo, const ZoneFeatures *zone, const std::optional<NameText> &names)
{
    return zone && zone->soundProgramList ? memo.soundPrograms(*zone->soundProgramList, names)
                                          : QList<FriendlyNames::Entry> {};
}

std::optional<api::NowPlaying> nowPlayingOf(const std::optional<PlayInfo> &info)
{
    if (!info) {
        return std::nullopt;
    }
    return api::NowPlaying { info->playback, info->artist, info->album, info->track };
}

// The player offers a repeat or shuffle setting when it lists its modes ("[]" or none: it does not).
bool offered(const std::optional<QStringList> &modes)
{
    return modes && !modes->isEmpty();
}

std::optional<int> presetSlots(const Features &features)
{
    if (!features.netusb || !features.netusb->preset) {
        return std::nullopt;
    }
    return features.netusb->preset->num;
}

} // namespace

ReceiverControlAdapter::ReceiverControlAdapter(ReceiverStore &store)
    : m_store(&store)
{ }

api::ControlError ReceiverControlAdapter::controlError(const YXCError &error)
{
    if (error.kind() == YXCError::Kind::readOnlyBlocked) {
        return api::ControlError::readOnly(error.subject());
    }
    return api::ControlError::receiverFailure(error.description());
}

Zone ReceiverControlAdapter::coreZone(api::Zone zone)
{
    return zone == api::Zone::zone2 ? Zone::zone2 : Zone::main;
}

api::Zone ReceiverControlAdapter::apiZone(Zone zone)
{
    return zone == Zone::zone2 ? api::Zone::zone2 : api::Zone::main;
}

int ReceiverControlAdapter::receiverUnits(double db)
{
    // The router bounds these values; the clamp only keeps a stray value from overflowing the conversion.
    const double units = roundHalfAwayFromZero(db * 2);
    if (!(units == units)) {
        return 0;
    }
    return static_cast<int>(
        std::clamp(units, double(std::numeric_limits<int>::min() / 2), double(std::numeric_limits<int>::max() / 2)));
}

const ZoneFeatures *ReceiverControlAdapter::Context::zone(api::Zone zone) const
{
    return features.zoneFeatures(coreZone(zone));
}

std::optional<VolumeScale> ReceiverControlAdapter::Context::volumeScale(api::Zone zone) const
{
    const ZoneFeatures *features = this->zone(zone);
    return features ? VolumeScale::from(*features) : std::nullopt;
}

QCoro::Task<Result<ReceiverControlAdapter::Context, api::ControlError>> ReceiverControlAdapter::prepare(
    Cancellation cancel)
{
    QPointer<ReceiverStore> store = m_store;
    if (!store) {
        co_return Failure { storeGone() };
    }
    const std::shared_ptr<ReceiverTransport> transport = store->transport();
    if (!store->features()) {
        // Read into the store, once for every caller asking meanwhile.
        const auto read = co_await freshRead(YXCEvent::Refresh::features(), cancel);
        if (!read) {
            co_return Failure { read.error() };
        }
        if (!store) {
            co_return Failure { storeGone() };
        }
        if (!store->features()) {
            // The receiver or its address changed while they were read.
            co_return Failure { api::ControlError::receiverFailure(StoreError::superseded().description()) };
        }
    }
    // Names only decorate: without them the lists and the status show the receiver's ids, and every command
    // still goes out. Older firmware refuses getNameText for good, so they are asked for under the store's
    // own spacing rather than on every request; that read is the store's own and goes on whoever leaves.
    if (!store->names()) {
        co_await store->reloadNames(store->clock().now());
        if (!store) {
            co_return Failure { storeGone() };
        }
        if (cancel.isCancelled()) {
            co_return Failure { api::ControlError::abandoned() };
        }
    }
    co_return Context { transport, *store->features(), store->names() };
}

QCoro::Task<Result<Done, api::ControlError>> ReceiverControlAdapter::freshRead(
    YXCEvent::Refresh what, Cancellation cancel)
{
    QPointer<ReceiverStore> store = m_store;
    if (!store) {
        co_return Failure { storeGone() };
    }
    const Result<Done, StoreError> read = co_await store->freshRead(what, cancel);
    if (!store) {
        co_return Failure { storeGone() };
    }
    if (cancel.isCancelled()) {
        co_return Failure { api::ControlError::abandoned() };
    }
    if (read || read.error().isSuperseded()) {
        co_return Done {};
    }
    const auto &receiver = read.error().receiverError();
    co_return Failure { receiver ? controlError(*receiver)
                                 : api::ControlError::receiverFailure(read.error().description()) };
}

QCoro::Task<Result<Done, api::ControlError>> ReceiverControlAdapter::send(YXCCommand command,
    std::shared_ptr<ReceiverTransport> transport, std::optional<VolumeScale> scale, Cancellation cancel)
{
    QPointer<ReceiverStore> store = m_store;
    if (!store) {
        co_return Failure { storeGone() };
    }
    // Every wait before this one checked the caller; a change of a caller that has gone is not sent.
    if (cancel.isCancelled()) {
        co_return Failure { api::ControlError::abandoned() };
    }
    if (!transport) {
        transport = store->transport();
    }
    const YXCCommand capped = command.capped(scale, store->settings().maxVolumeDB());
    Result<Done, YXCError> sent = co_await store->sendChanging(std::move(transport), capped);
    if (!sent) {
        co_return Failure { controlError(sent.error()) };
    }
    co_return Done {};
}

QCoro::Task<Result<Done, api::ControlError>> ReceiverControlAdapter::sendVolume(
    api::Zone zone, double db, const Context &context, Cancellation cancel)
{
    const std::optional<VolumeScale> scale = context.volumeScale(zone);
    const std::optional<YXCCommand> command
        = ZoneRules::volumeCommand(coreZone(zone), ZoneRules::takesDecibels(context.zone(zone)), scale, db);
    if (!command) {
        co_return Failure { api::ControlError::noVolumeRange(zone) };
    }
    co_return co_await send(*command, context.transport, scale, cancel);
}

QCoro::Task<Result<ReceiverControlAdapter::FreshStatus, api::ControlError>> ReceiverControlAdapter::freshStatus(
    api::Zone zone, Cancellation cancel)
{
    auto prepared = co_await prepare(cancel);
    if (!prepared) {
        co_return Failure { prepared.error() };
    }
    Context context = std::move(prepared).value();
    // A receiver without the zone is not asked for it.
    if (!context.zone(zone)) {
        co_return Failure { api::ControlError::noStatus(zone) };
    }
    // A failed refresh must not pass off the last known status as fresh.
    const auto refreshed = co_await freshRead(YXCEvent::Refresh::status(coreZone(zone)), cancel);
    if (!refreshed) {
        co_return Failure { refreshed.error() };
    }
    const auto found = m_store->status().find(coreZone(zone));
    if (found == m_store->status().end()) {
        co_return Failure { api::ControlError::noStatus(zone) };
    }
    co_return FreshStatus { std::move(context), found->second };
}

namespace {

// Whether the zone listens to the network/USB player, whose play information the status then shows.
bool playsFromPlayer(const Features &features, const ZoneStatus &status)
{
    const InputFeature *input = features.system.input(status.input.value_or(QString()));
    return input && input->playInfoType == QStringLiteral("netusb");
}

} // namespace

Result<api::ReceiverStatus, api::ControlError> ReceiverControlAdapter::statusOf(
    api::Zone zone, const Context &context, const ZoneStatus &zoneStatus, const std::optional<PlayInfo> &playing)
{
    const ZoneFeatures *features = context.zone(zone);
    const std::optional<double> volumeDb = ZoneRules::volumeDB(zoneStatus, context.volumeScale(zone));
    if (!features || !volumeDb) {
        return Failure { api::ControlError::noVolumeRange(zone) };
    }

    api::ReceiverStatus status;
    status.zone = zone;
    status.power = ZoneRules::isOn(zoneStatus) ? api::PowerState::on : api::PowerState::standby;
    status.volumeDb = *volumeDb;
    status.mute = zoneStatus.mute.value_or(false);
    const QString inputId = zoneStatus.input.value_or(QString());
    status.input = nameOfId(inputEntries(m_names, features, context.names), inputId);
    if (zoneStatus.soundProgram) {
        status.soundMode = nameOfId(programEntries(m_names, features, context.names), *zoneStatus.soundProgram);
    }
    if (zoneStatus.toneControl && zoneStatus.toneControl->bass) {
        status.bass = *zoneStatus.toneControl->bass * 0.5;
    }
    if (zoneStatus.toneControl && zoneStatus.toneControl->treble) {
        status.treble = *zoneStatus.toneControl->treble * 0.5;
    }
    if (zoneStatus.subwooferVolume && features->funcList.contains(QStringLiteral("subwoofer_volume"))) {
        status.subwoofer = *zoneStatus.subwooferVolume * 0.5;
    }
    if (ZoneRules::announces(features, QStringLiteral("sleep")) && zoneStatus.sleep) {
        status.sleep = *zoneStatus.sleep;
    }
    status.direct = ZoneRules::directState(zoneStatus, features);
    if (ZoneRules::announces(features, QStringLiteral("enhancer"))) {
        status.enhancer = zoneStatus.enhancer;
    }
    if (ZoneRules::announces(features, QStringLiteral("dialogue_level"))) {
        status.dialogueLevel = zoneStatus.dialogueLevel;
    }
    if (playsFromPlayer(context.features, zoneStatus)) {
        status.nowPlaying = nowPlayingOf(playing);
        if (playing && offered(playing->repeatAvailable) && playing->repeat) {
            status.repeat = api::enumFromName<api::RepeatMode>(*playing->repeat);
        }
        if (playing && offered(playing->shuffleAvailable) && playing->shuffle) {
            status.shuffle = api::enumFromName<api::ShuffleMode>(*playing->shuffle);
        }
    }
    return status;
}

api::ControlTask<api::ReceiverStatus> ReceiverControlAdapter::status(api::Zone zone, Cancellation cancel)
{
    const auto fresh = co_await freshStatus(zone, cancel);
    if (!fresh) {
        co_return Failure { fresh.error() };
    }
    if (playsFromPlayer(fresh->context.features, fresh->status)) {
        // What is playing is a detail of the status: a failed refresh keeps the last known player state.
        const auto played = co_await freshRead(YXCEvent::Refresh::playInfo(), cancel);
        if (!played && played.error().kind() == api::ControlError::Kind::abandoned) {
            co_return Failure { played.error() };
        }
        if (!m_store) {
            co_return Failure { storeGone() };
        }
    }
    co_return statusOf(zone, fresh->context, fresh->status, m_store->playInfo());
}

std::optional<api::ReceiverStatus> ReceiverControlAdapter::storedStatus(api::Zone zone)
{
    if (!m_store || !m_store->features()) {
        return std::nullopt;
    }
    const auto found = m_store->status().find(coreZone(zone));
    if (found == m_store->status().end()) {
        return std::nullopt;
    }
    const Context context { m_store->transport(), *m_store->features(), m_store->names() };
    auto status = statusOf(zone, context, found->second, m_store->playInfo());
    if (!status) {
        return std::nullopt;
    }
    return std::move(status).value();
}

api::ControlTask<QList<api::Zone>> ReceiverControlAdapter::zones(Cancellation cancel)
{
    const auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    QList<api::Zone> zones;
    for (const api::Zone zone : { api::Zone::main, api::Zone::zone2 }) {
        if (context->zone(zone)) {
            zones.append(zone);
        }
    }
    co_return zones;
}

api::ControlTask<Done> ReceiverControlAdapter::setPower(api::Zone zone, api::PowerState state, Cancellation cancel)
{
    const PowerState power = state == api::PowerState::on ? PowerState::on : PowerState::standby;
    co_return co_await send(YXCCommand::setPower(coreZone(zone), power), nullptr, std::nullopt, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setVolume(api::Zone zone, double db, Cancellation cancel)
{
    auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    co_return co_await sendVolume(zone, db, context.value(), cancel);
}

api::ControlTask<double> ReceiverControlAdapter::stepVolume(
    api::Zone zone, api::VolumeStepDirection direction, Cancellation cancel)
{
    const auto current = co_await freshStatus(zone, cancel);
    if (!current) {
        co_return Failure { current.error() };
    }
    if (!m_store) {
        co_return Failure { storeGone() };
    }
    const Context &context = current->context;
    const std::optional<VolumeScale> scale = context.volumeScale(zone);
    const std::optional<double> volumeDb = ZoneRules::volumeDB(current->status, scale);
    if (!volumeDb) {
        co_return Failure { api::ControlError::noVolumeRange(zone) };
    }
    const bool up = direction == api::VolumeStepDirection::up;
    const double target
        = ZoneRules::steppedVolume(*volumeDb, scale, up ? ZoneRules::VolumeStep::up : ZoneRules::VolumeStep::down);
    // A step that would pass the cap is refused rather than clamped, so the client learns why nothing changed.
    const double capDb = m_store->settings().maxVolumeDB();
    if (up && target > capDb) {
        co_return Failure { api::ControlError::volumeAboveCap(target, capDb) };
    }
    const auto sent = co_await sendVolume(zone, target, context, cancel);
    if (!sent) {
        co_return Failure { sent.error() };
    }
    co_return scale ? scale->limit(target, capDb) : std::min(target, capDb);
}

api::ControlTask<Done> ReceiverControlAdapter::setMute(api::Zone zone, bool mute, Cancellation cancel)
{
    co_return co_await send(YXCCommand::setMute(coreZone(zone), mute), nullptr, std::nullopt, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setInput(api::Zone zone, QString name, Cancellation cancel)
{
    auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    const auto id = idNamed(
        inputEntries(m_names, context->zone(zone), context->names), name, &api::ControlError::unknownInput, zone);
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

api::ControlTask<Done> ReceiverControlAdapter::setTone(
    api::Zone zone, std::optional<double> bass, std::optional<double> treble, Cancellation cancel)
{
    auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    const std::optional<QString> mode = ZoneRules::manualToneMode(context->zone(zone));
    const auto units
        = [](std::optional<double> db) { return db ? std::optional<int>(receiverUnits(*db)) : std::nullopt; };
    co_return co_await send(YXCCommand::setToneControl(coreZone(zone), mode, units(bass), units(treble)),
        context->transport, std::nullopt, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setSubwoofer(api::Zone zone, double db, Cancellation cancel)
{
    auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    co_return co_await send(
        YXCCommand::setSubwooferVolume(coreZone(zone), receiverUnits(db)), context->transport, std::nullopt, cancel);
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
    co_return namesOf(inputEntries(m_names, context->zone(zone), context->names));
}

api::ControlTask<QStringList> ReceiverControlAdapter::soundModes(api::Zone zone, Cancellation cancel)
{
    auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    co_return namesOf(programEntries(m_names, context->zone(zone), context->names));
}

api::ControlTask<double> ReceiverControlAdapter::volumeCapDb()
{
    if (!m_store) {
        co_return Failure { storeGone() };
    }
    co_return m_store->settings().maxVolumeDB();
}

api::ControlTask<api::ReceiverHealth> ReceiverControlAdapter::health()
{
    QPointer<ReceiverStore> store = m_store;
    if (!store) {
        co_return Failure { storeGone() };
    }
    api::ReceiverHealth health;
    // The mock receiver has no address; its name says what answers. Otherwise the address requests go to now,
    // which recovery may have moved from the one the application started with.
    health.receiver = store->launch().mock ? QStringLiteral("mock") : store->transportHost().trimmed();
    health.connection = api::enumFromName<api::ReceiverConnection>(store->connection().name())
                            .value_or(api::ReceiverConnection::idle);
    health.updates = api::enumFromName<api::ReceiverUpdates>(updatesStateName(store->updates()))
                         .value_or(api::ReceiverUpdates::stale);
    if (const auto &at = store->lastEventAt()) {
        const auto ago = std::chrono::duration_cast<std::chrono::seconds>(store->clock().now() - *at).count();
        health.lastEventSecondsAgo = int(std::clamp<qint64>(ago, 0, std::numeric_limits<int>::max()));
    }
    if (const std::optional<quint16> port = store->boundEventPort()) {
        health.eventPort = *port;
    }
    co_return health;
}

api::ControlTask<std::chrono::milliseconds> ReceiverControlAdapter::checkPushEvents()
{
    QPointer<ReceiverStore> store = m_store;
    if (!store) {
        co_return Failure { storeGone() };
    }
    Result<std::chrono::milliseconds, PushEventCheckError> checked = co_await store->checkPushEvents();
    if (!checked) {
        co_return Failure { api::ControlError::noPushEvents(checked.error().description()) };
    }
    co_return checked.value();
}

QCoro::Task<Result<ReceiverControlAdapter::Context, api::ControlError>> ReceiverControlAdapter::prepareAnnounced(
    api::Zone zone, QString function, api::ControlError::Feature feature, Cancellation cancel)
{
    auto context = co_await prepare(cancel);
    if (context && !ZoneRules::announces(context->zone(zone), function)) {
        co_return Failure { api::ControlError::notSupported(zone, feature) };
    }
    co_return context;
}

api::ControlTask<int> ReceiverControlAdapter::setSleep(api::Zone zone, int minutes, Cancellation cancel)
{
    const auto context
        = co_await prepareAnnounced(zone, QStringLiteral("sleep"), api::ControlError::Feature::sleep, cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    const int sent = ZoneRules::sleepMinutes(minutes);
    const auto done
        = co_await send(YXCCommand::setSleep(coreZone(zone), sent), context->transport, std::nullopt, cancel);
    if (!done) {
        co_return Failure { done.error() };
    }
    co_return sent;
}

api::ControlTask<Done> ReceiverControlAdapter::setDirect(api::Zone zone, bool enabled, Cancellation cancel)
{
    const auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    const std::optional<YXCCommand> command = ZoneRules::directCommand(coreZone(zone), context->zone(zone), enabled);
    if (!command) {
        co_return Failure { api::ControlError::notSupported(zone, api::ControlError::Feature::direct) };
    }
    co_return co_await send(*command, context->transport, std::nullopt, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setEnhancer(api::Zone zone, bool enabled, Cancellation cancel)
{
    const auto context
        = co_await prepareAnnounced(zone, QStringLiteral("enhancer"), api::ControlError::Feature::enhancer, cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    co_return co_await send(YXCCommand::setEnhancer(coreZone(zone), enabled), context->transport, std::nullopt, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setDialogueLevel(api::Zone zone, int level, Cancellation cancel)
{
    const auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    const RangeStep *range = ZoneRules::dialogueRange(context->zone(zone));
    if (!range) {
        co_return Failure { api::ControlError::notSupported(zone, api::ControlError::Feature::dialogue) };
    }
    if (level < range->min || level > range->max) {
        co_return Failure { api::ControlError::dialogueOutOfRange(
            zone, level, static_cast<int>(std::ceil(range->min)), static_cast<int>(std::floor(range->max))) };
    }
    co_return co_await send(
        YXCCommand::setDialogueLevel(coreZone(zone), level), context->transport, std::nullopt, cancel);
}

QCoro::Task<Result<Done, api::ControlError>> ReceiverControlAdapter::sendPlayerMode(api::Zone zone,
    api::ControlError::Feature feature, QString mode, std::optional<QStringList> PlayInfo::*available,
    YXCCommand command, Cancellation cancel)
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
    const std::optional<PlayInfo> &info = m_store->playInfo();
    const std::optional<QStringList> modes = info ? (*info).*available : std::nullopt;
    if (!offered(modes)) {
        co_return Failure { api::ControlError::notSupported(zone, feature) };
    }
    if (!modes->contains(mode)) {
        co_return Failure { api::ControlError::modeNotOffered(feature, mode, *modes) };
    }
    co_return co_await send(std::move(command), transport, std::nullopt, cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setRepeat(api::Zone zone, api::RepeatMode mode, Cancellation cancel)
{
    const QString word = api::enumName(mode);
    co_return co_await sendPlayerMode(zone, api::ControlError::Feature::repeat, word, &PlayInfo::repeatAvailable,
        YXCCommand::setRepeat(word), cancel);
}

api::ControlTask<Done> ReceiverControlAdapter::setShuffle(api::Zone zone, api::ShuffleMode mode, Cancellation cancel)
{
    const QString word = api::enumName(mode);
    co_return co_await sendPlayerMode(zone, api::ControlError::Feature::shuffle, word, &PlayInfo::shuffleAvailable,
        YXCCommand::setShuffle(word), cancel);
}

api::ControlTask<QList<api::Favourite>> ReceiverControlAdapter::favourites(api::Zone zone, Cancellation cancel)
{
    const auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    const std::optional<int> slots = presetSlots(context->features);
    if (!slots || !context->zone(zone)) {
        co_return Failure { api::ControlError::notSupported(zone, api::ControlError::Feature::favourites) };
    }
    // Favourites change on the receiver's own remote and app too, so the list is read under the fresh rule: one
    // read for every caller asking meanwhile, and the store's list only while it is fresh (never after a command).
    const auto read = co_await freshRead(YXCEvent::Refresh::presets(), cancel);
    if (!read) {
        co_return Failure { read.error() };
    }
    QList<api::Favourite> favourites;
    for (const ListedPreset &preset : m_store->favourites()) {
        favourites.append({ preset.number, preset.name, preset.input });
    }
    co_return favourites;
}

api::ControlTask<api::Favourite> ReceiverControlAdapter::recallFavourite(
    api::Zone zone, int number, Cancellation cancel)
{
    // Read again unless fresh, so the slot is checked against the receiver's list as it is now.
    const auto listed = co_await favourites(zone, cancel);
    if (!listed) {
        co_return Failure { listed.error() };
    }
    const auto found = std::find_if(listed->begin(), listed->end(),
        [number](const api::Favourite &favourite) { return favourite.number == number; });
    // An empty slot recalls nothing on the receiver, so it is refused like a missing one.
    if (found == listed->end()) {
        co_return Failure { api::ControlError::unknownFavourite(number) };
    }
    const api::Favourite favourite = *found;
    const auto sent = co_await send(YXCCommand::recallPreset(coreZone(zone), number), nullptr, std::nullopt, cancel);
    if (!sent) {
        co_return Failure { sent.error() };
    }
    co_return favourite;
}

api::ControlTask<Done> ReceiverControlAdapter::recallReceiverScene(api::Zone zone, int number, Cancellation cancel)
{
    const auto context = co_await prepare(cancel);
    if (!context) {
        co_return Failure { context.error() };
    }
    const int count = ZoneRules::sceneCount(context->zone(zone));
    if (count == 0) {
        co_return Failure { api::ControlError::notSupported(zone, api::ControlError::Feature::receiverScenes) };
    }
    if (number < 1 || number > count) {
        co_return Failure { api::ControlError::unknownReceiverScene(zone, number, count) };
    }
    co_return co_await send(YXCCommand::recallScene(coreZone(zone), number), context->transport, std::nullopt, cancel);
}

} // namespace amplora::app
