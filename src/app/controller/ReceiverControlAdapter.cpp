#include "app/controller/ReceiverControlAdapter.h"

#include "app/controller/ReceiverControlAdapterParts.h"
#include "app/controller/VolumeRamps.h"
#include "core/capabilities/Volume.h"
#include "core/protocol/ReceiverTransport.h"
#include "core/protocol/VolumeScale.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"

// The adapter's groundwork: what an operation works with, and how a command goes out and a read comes in. The
// operations themselves are in ReceiverControlCommands.cpp, the status in ReceiverControlStatus.cpp and the
// health in ReceiverControlHealth.cpp.

namespace amplora::app {

using adapterparts::storeGone;

ReceiverControlAdapter::ReceiverControlAdapter(ReceiverStore &store)
    : m_store(&store)
    , m_ramps(std::make_unique<VolumeRamps>(store))
{ }

ReceiverControlAdapter::~ReceiverControlAdapter() = default;

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

api::ControlError ReceiverControlAdapter::controlError(const Refusal &refusal)
{
    switch (refusal.reason()) {
    case Refusal::Reason::notSupported:
        return api::ControlError::refused(api::ControlError::Kind::notSupported, refusal.description());
    case Refusal::Reason::outOfRange:
        return api::ControlError::refused(api::ControlError::Kind::outOfRange, refusal.description());
    case Refusal::Reason::unknownFavourite:
        return api::ControlError::refused(api::ControlError::Kind::unknownFavourite, refusal.description());
    case Refusal::Reason::unknownReceiverScene:
        return api::ControlError::refused(api::ControlError::Kind::unknownReceiverScene, refusal.description());
    }
    return api::ControlError::refused(api::ControlError::Kind::notSupported, refusal.description());
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
    if (!store->state().features()) {
        // Read into the store, once for every caller asking meanwhile.
        const auto read = co_await freshRead(YXCEvent::Refresh::features(), cancel);
        if (!read) {
            co_return Failure { read.error() };
        }
        if (!store) {
            co_return Failure { storeGone() };
        }
        if (!store->state().features()) {
            // The receiver or its address changed while they were read.
            co_return Failure { api::ControlError::receiverFailure(StoreError::superseded().description()) };
        }
    }
    // Names only decorate: without them the lists and the status show the receiver's ids, and every command
    // still goes out. Older firmware refuses getNameText for good, so they are asked for under the store's
    // own spacing rather than on every request; that read is the store's own and goes on whoever leaves.
    if (!store->state().names()) {
        co_await store->reloadNames(store->clock().now());
        if (!store) {
            co_return Failure { storeGone() };
        }
        if (cancel.isCancelled()) {
            co_return Failure { api::ControlError::abandoned() };
        }
    }
    // The names' wait may have seen the address change and the features go with it.
    const std::optional<Features> &features = store->state().features();
    if (!features) {
        co_return Failure { api::ControlError::receiverFailure(StoreError::superseded().description()) };
    }
    co_return Context { transport, *features, store->state().names(), store->state().distribution() };
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
    api::Zone zone, double db, Context context, Cancellation cancel)
{
    const std::optional<VolumeScale> scale = context.volumeScale(zone);
    const std::optional<YXCCommand> command
        = Volume::command(coreZone(zone), Volume::takesDecibels(context.zone(zone)), scale, db);
    if (!command) {
        co_return Failure { api::ControlError::noVolumeRange(zone) };
    }
    co_return co_await send(*command, context.transport, scale, cancel);
}

QCoro::Task<Result<Done, api::ControlError>> ReceiverControlAdapter::sendChecked(
    Refusable<YXCCommand> command, std::shared_ptr<ReceiverTransport> transport, Cancellation cancel)
{
    if (!command) {
        co_return Failure { controlError(command.error()) };
    }
    co_return co_await send(std::move(command).value(), std::move(transport), std::nullopt, cancel);
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
    const auto found = m_store->state().status().find(coreZone(zone));
    if (found == m_store->state().status().end()) {
        co_return Failure { api::ControlError::noStatus(zone) };
    }
    co_return FreshStatus { std::move(context), found->second };
}

QCoro::Task<Result<ReceiverControlAdapter::FreshVolume, api::ControlError>> ReceiverControlAdapter::freshVolume(
    api::Zone zone, Cancellation cancel)
{
    auto current = co_await freshStatus(zone, cancel);
    if (!current) {
        co_return Failure { current.error() };
    }
    if (!m_store) {
        co_return Failure { storeGone() };
    }
    FreshVolume fresh;
    fresh.context = current->context;
    fresh.scale = fresh.context.volumeScale(zone);
    const std::optional<double> db = Volume::db(current->status, fresh.scale);
    if (!db) {
        co_return Failure { api::ControlError::noVolumeRange(zone) };
    }
    fresh.db = *db;
    fresh.capDb = m_store->settings().maxVolumeDB();
    co_return fresh;
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

} // namespace amplora::app
