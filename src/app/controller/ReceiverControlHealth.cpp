#include "app/controller/ReceiverControlAdapter.h"

#include "app/controller/ReceiverControlAdapterParts.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"

#include <algorithm>
#include <limits>

namespace amplora::app {

using adapterparts::storeGone;

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

} // namespace amplora::app
