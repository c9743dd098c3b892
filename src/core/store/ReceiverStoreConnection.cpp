// The store's connection: starting (finding the receiver first when none is known), reading the receiver on
// connecting, and starting and stopping the background work. Where the receiver is and how it is reached is the
// link's (ReceiverConnection).

#include "core/store/ReceiverStore.h"

#include "core/protocol/Features.h"
#include "core/store/AppSettings.h"

namespace amplora {

QCoro::Task<> ReceiverStore::start()
{
    QPointer<ReceiverStore> self(this);
    stopTasks();
    const quint64 generation = m_taskGeneration;
    m_link.resetEventPath();
    m_link.setState(ConnectionState::connecting());

    // An address of blanks is no address: look for a receiver instead of failing on it.
    if (m_settings.host().trimmed().isEmpty() && !m_launch.mock) {
        co_await m_link.scan();
        if (!isCurrent(self, generation)) {
            co_return;
        }
        if (m_settings.host().trimmed().isEmpty()) {
            m_link.setNeedsReceiverSetup(true);
            m_link.setState(ConnectionState::idle());
            co_return;
        }
        m_link.replaceTransport();
    }

    const Result<Done, StoreError> connected = co_await connect(m_clock.now());
    if (!isCurrent(self, generation)) {
        co_return; // a newer start() or stopTasks() took over
    }
    if (connected) {
        m_link.setState(ConnectionState::connected());
    } else if (!connected.error().isSuperseded()) {
        m_link.setState(ConnectionState::failed(connected.error().description()));
        co_await recoverAddress();
        if (!isCurrent(self, generation)) {
            co_return;
        }
    }
    m_link.startListening();
    startPolling();
}

void ReceiverStore::useAddress(const QString &address)
{
    m_settings.setDeviceID(std::nullopt);
    m_settings.setHost(address);
    m_link.setNeedsReceiverSetup(false);
    reconnect();
}

void ReceiverStore::reconnect()
{
    stopTasks();
    m_link.clearAddressNotice(); // the user has chosen where the receiver is
    m_link.replaceTransport();
    clearReceiverState();
    start();
}

QCoro::Task<Result<Done, StoreError>> ReceiverStore::connect(Clock::TimePoint now)
{
    QPointer<ReceiverStore> self(this);
    const Epoch asked = epoch();
    const std::shared_ptr<ReceiverTransport> transport = asked.transport;

    Result<DeviceInfo, YXCError> device = co_await transport->fetch<DeviceInfo>(YXCCommand::getDeviceInfo());
    if (!isCurrent(self, asked)) {
        co_return Failure { StoreError::superseded() };
    }
    if (!device) {
        co_return Failure { StoreError(device.error()) };
    }
    if (!m_launch.mock && m_settings.deviceID()) {
        if (device->deviceId != m_settings.deviceID()) {
            co_return Failure { StoreError::otherReceiver() };
        }
    }

    QStringList failures;
    m_lastFeaturesAttempt = now;
    Result<Features, YXCError> features = co_await transport->fetch<Features>(YXCCommand::getFeatures());
    if (!isCurrent(self, asked)) {
        co_return Failure { StoreError::superseded() };
    }
    if (!features) {
        failures.append(loadFailure(QStringLiteral("system/getFeatures"), features.error().description()));
    }

    m_lastNamesAttempt = now;
    Result<NameText, YXCError> names = co_await transport->fetch<NameText>(YXCCommand::getNameText());
    if (!isCurrent(self, asked)) {
        co_return Failure { StoreError::superseded() };
    }
    if (!names) {
        failures.append(loadFailure(QStringLiteral("system/getNameText"), names.error().description()));
    }

    QList<Zone> zones = features ? features->zones() : QList<Zone>();
    if (zones.isEmpty()) {
        zones = { Zone::main, Zone::zone2 };
    }
    std::map<Zone, ZoneStatus> statuses;
    for (Zone zone : zones) {
        Result<ZoneStatus, YXCError> answer = co_await transport->fetch<ZoneStatus>(YXCCommand::getStatus(zone));
        if (!isCurrent(self, asked)) {
            co_return Failure { StoreError::superseded() };
        }
        if (answer) {
            statuses[zone] = std::move(answer).value();
        } else {
            failures.append(loadFailure(rawValue(zone) + QStringLiteral("/getStatus"), answer.error().description()));
        }
    }
    if (statuses.empty()) {
        co_return Failure { StoreError(
            YXCError::unreadable(QStringLiteral("getStatus"), QStringLiteral("no usable zones"))) };
    }

    if (!m_launch.mock) {
        m_settings.setDeviceID(device->deviceId);
    }
    m_state.setDeviceInfo(device.value());
    if (features) {
        m_state.setFeatures(features.value());
    }
    if (names) {
        m_state.setNames(names.value());
    }
    m_state.setStatus(std::move(statuses));
    setLastError(failures.isEmpty() ? std::nullopt : std::optional<QString>(failures.join(QStringLiteral("; "))));
    if (!m_state.status().contains(m_selectedZone)) {
        const QList<Zone> available = availableZones();
        setSelectedZone(available.isEmpty() ? Zone::main : available.first());
    }
    // The favourites only decorate the panel: read on the side, the connection does not wait for them.
    if (features) {
        requestRefresh(YXCEvent::Refresh::presets(), false);
        // The same for the receiver's link; only one that can link is asked (the read skips the others).
        requestRefresh(YXCEvent::Refresh::distribution(), false);
        requestRefresh(YXCEvent::Refresh::tunerPresets(), false);
    }

    Result<NetworkStatus, YXCError> network = co_await transport->fetch<NetworkStatus>(YXCCommand::getNetworkStatus());
    if (!isCurrent(self, asked)) {
        co_return Failure { StoreError::superseded() };
    }
    m_link.setNetworkName(network ? network->networkName : std::nullopt);

    // The now-playing information is a bonus: without it the connection still stands.
    const Result<Done, StoreError> played = co_await refresh(YXCEvent::Refresh::playInfo());
    Q_UNUSED(played);
    if (isCurrent(self, asked) && tunerPlaying()) {
        const Result<Done, StoreError> tuned = co_await refresh(YXCEvent::Refresh::tunerPlayInfo());
        Q_UNUSED(tuned);
    }
    if (!isCurrent(self, asked)) {
        co_return Failure { StoreError::superseded() };
    }
    m_link.noteAnswer();
    co_return Done {};
}

QCoro::Task<> ReceiverStore::recoverAddress()
{
    QPointer<ReceiverStore> self(this);
    const bool moved = co_await m_link.recoverAddress();
    if (!moved || !self || m_destroying) {
        co_return;
    }
    const Result<Done, StoreError> connected = co_await connect(m_clock.now());
    if (!self || m_destroying || (!connected && connected.error().isSuperseded())) {
        co_return;
    }
    m_link.setState(
        connected ? ConnectionState::connected() : ConnectionState::failed(connected.error().description()));
}

void ReceiverStore::stopTasks()
{
    ++m_taskGeneration;
    m_link.stop();
    m_fresh.forget();
    m_eventRefreshes.clear(); // their runs end when they resume
    m_signalFetch.stop();
    m_sleeps.wakeAll();
    m_eventWaits.wakeAll();
}

} // namespace amplora
