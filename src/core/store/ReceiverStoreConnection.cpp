// The store's connection: finding the receiver, its address and its recovery, the transport, and starting and
// stopping the background work.

#include "core/store/ReceiverStore.h"

#include "core/Logging.h"
#include "core/discovery/MockDiscovery.h"
#include "core/events/YXCEventListener.h"
#include "core/protocol/Features.h"
#include "core/store/AppSettings.h"
#include "core/store/MockTransport.h"

namespace amplora {

namespace {

// Every host the search found answering with the device id, each once, in a fixed order.
QStringList claimantsOf(const QList<DiscoveredReceiver> &found, const QString &deviceID)
{
    QStringList hosts;
    for (const DiscoveredReceiver &receiver : found) {
        if (receiver.deviceID == deviceID) {
            hosts << receiver.host << receiver.otherHosts;
        }
    }
    hosts.removeDuplicates();
    hosts.sort();
    return hosts;
}

// "A and B", "A, B and C".
QString listed(const QStringList &items)
{
    if (items.size() < 2) {
        return items.join(QString());
    }
    return items.first(items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + items.last();
}

} // namespace

void ReceiverStore::setNeedsReceiverSetup(bool needed)
{
    assign(m_needsReceiverSetup, needed, &ReceiverStore::needsReceiverSetupChanged);
}

void ReceiverStore::setNetworkName(std::optional<QString> name)
{
    assign(m_networkName, std::move(name));
}

void ReceiverStore::setDiscoveryMessage(std::optional<QString> text)
{
    assign(m_discoveryMessage, std::move(text), &ReceiverStore::discoveryMessageChanged);
}

void ReceiverStore::setAddressNotice(std::optional<QString> text, bool refusal)
{
    m_addressNoticeIsRefusal = text && refusal;
    assign(m_addressNotice, std::move(text), &ReceiverStore::addressNoticeChanged);
}

std::shared_ptr<ReceiverTransport> ReceiverStore::makeTransport() const
{
    if (m_transportFactory) {
        return m_transportFactory(m_settings.host());
    }
    return makeReceiverTransport(m_launch, m_settings.host());
}

void ReceiverStore::takeTransportEvents()
{
    QPointer<ReceiverStore> self(this);
    const ReceiverTransport *from = m_transport.get();
    // Only while listening, and only from the current transport, as datagrams would be taken.
    m_transport->setEventSink([self, from](const QByteArray &datagram) {
        if (self && !self->m_destroying && self->m_transport.get() == from && self->m_listener) {
            self->handlePacket(datagram);
        }
    });
}

void ReceiverStore::replaceTransport()
{
    // A cover still on its way from the old address is no longer wanted (its request holds the old transport).
    m_transport->cancelAlbumArt();
    m_transport = makeTransport();
    m_transportHost = m_settings.host();
    takeTransportEvents();
    ++m_epoch;
    m_fresh.forget();
    resetEventPath();
    m_lastAnswerAt.reset();
    Q_EMIT transportChanged();
    notifyDerived(); // updates() counts only answers through the current transport
    if (m_listener) {
        updateEventSenders(); // events of the receiver at its new address count at once
    }
}

QCoro::Task<> ReceiverStore::start()
{
    QPointer<ReceiverStore> self(this);
    stopTasks();
    const quint64 generation = m_taskGeneration;
    resetEventPath();
    setConnection(ConnectionState::connecting());

    // An address of blanks is no address: look for a receiver instead of failing on it.
    if (m_settings.host().trimmed().isEmpty() && !m_launch.mock) {
        co_await scan();
        if (!isCurrent(self, generation)) {
            co_return;
        }
        if (m_settings.host().trimmed().isEmpty()) {
            setNeedsReceiverSetup(true);
            setConnection(ConnectionState::idle());
            co_return;
        }
        replaceTransport();
    }

    const Result<Done, StoreError> connected = co_await connect(m_clock.now());
    if (!isCurrent(self, generation)) {
        co_return; // a newer start() or stopTasks() took over
    }
    if (connected) {
        setConnection(ConnectionState::connected());
    } else if (!connected.error().isSuperseded()) {
        setConnection(ConnectionState::failed(connected.error().description()));
        co_await recoverAddress();
        if (!isCurrent(self, generation)) {
            co_return;
        }
    }
    startEventListener();
    startPolling();
}

QCoro::Task<> ReceiverStore::scan()
{
    if (m_isScanning) {
        co_return;
    }
    QPointer<ReceiverStore> self(this);
    assign(m_isScanning, true, &ReceiverStore::isScanningChanged);
    setDiscoveryMessage(std::nullopt);

    ReceiverDiscovering::Receivers found = co_await m_discovery->discover();
    if (!self || m_destroying) {
        co_return;
    }
    if (found) {
        const QList<DiscoveredReceiver> &receivers = found.value();
        assign(m_foundReceivers, receivers, &ReceiverStore::foundReceiversChanged);
        setDiscoveryMessage(receivers.isEmpty()
                ? QStringLiteral("No receivers found. Check that your receiver is on the same network, allow Local "
                                 "Network access, or enter its IP address.")
                : QStringLiteral("Choose a receiver below."));
        if (m_settings.host().trimmed().isEmpty() && receivers.size() == 1) {
            choose(receivers.first());
            setDiscoveryMessage(QStringLiteral("Selected ") + receivers.first().name + u'.');
        }
    } else {
        assign(m_foundReceivers, QList<DiscoveredReceiver>(), &ReceiverStore::foundReceiversChanged);
        setDiscoveryMessage(QStringLiteral("Could not scan: ") + found.error().description()
            + QStringLiteral(" You can enter an IP address instead."));
    }
    assign(m_isScanning, false, &ReceiverStore::isScanningChanged);
}

void ReceiverStore::choose(const DiscoveredReceiver &receiver)
{
    m_settings.setHost(receiver.host);
    m_settings.setDeviceID(receiver.deviceID);
    setNetworkName(receiver.name);
    setNeedsReceiverSetup(false);
}

void ReceiverStore::useAddress(const QString &address)
{
    m_settings.setDeviceID(std::nullopt);
    m_settings.setHost(address);
    setNeedsReceiverSetup(false);
    reconnect();
}

void ReceiverStore::reconnect()
{
    stopTasks();
    setAddressNotice(std::nullopt); // the user has chosen where the receiver is
    replaceTransport();
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
    }

    Result<NetworkStatus, YXCError> network = co_await transport->fetch<NetworkStatus>(YXCCommand::getNetworkStatus());
    if (!isCurrent(self, asked)) {
        co_return Failure { StoreError::superseded() };
    }
    setNetworkName(network ? network->networkName : std::nullopt);

    // The now-playing information is a bonus: without it the connection still stands.
    const Result<Done, StoreError> played = co_await refresh(YXCEvent::Refresh::playInfo());
    Q_UNUSED(played);
    if (!isCurrent(self, asked)) {
        co_return Failure { StoreError::superseded() };
    }
    noteAnswer();
    co_return Done {};
}

QCoro::Task<> ReceiverStore::recoverAddress()
{
    const std::optional<QString> saved = m_settings.deviceID();
    if (m_launch.mock || !saved || m_isScanning) {
        co_return;
    }
    const Clock::TimePoint now = m_clock.now();
    if (m_lastRecovery && now - *m_lastRecovery <= recoverySpacing) {
        co_return;
    }
    m_lastRecovery = now;

    QPointer<ReceiverStore> self(this);
    const QString savedID = *saved;
    const QString savedHost = m_settings.host();
    const Epoch asked = epoch();
    const auto unchanged
        = [&] { return isCurrent(self, asked) && m_settings.deviceID() == savedID && m_settings.host() == savedHost; };
    co_await scan();
    if (!unchanged()) {
        co_return; // the user chose another receiver meanwhile, or the store moved on
    }
    const QStringList claimants = claimantsOf(m_foundReceivers, savedID);
    const QString oldHost = savedHost.trimmed();
    QStringList others = claimants;
    others.removeAll(oldHost);
    // Each search decides afresh whether the user has to choose.
    const auto kept = [&](const QString &why) {
        if (m_addressNoticeIsRefusal) {
            setAddressNotice(std::nullopt);
        }
        if (others.isEmpty()) {
            qCDebug(lcStore).noquote() << why;
        } else {
            qCInfo(lcStore).noquote() << why
                    + QStringLiteral("; not moved to %1, also claiming its id").arg(listed(others));
        }
    };
    if (claimants.isEmpty()) {
        kept(QStringLiteral("The search found no receiver with device id %1").arg(savedID));
        co_return;
    }
    if (others.size() < claimants.size()) {
        kept(QStringLiteral("The receiver still answers the search at %1").arg(oldHost));
        co_return;
    }

    // A receiver that is back from a restart may answer at its address before it answers a search; moving away
    // from it then would hand its place to whoever else claims its id.
    const std::shared_ptr<ReceiverTransport> savedTransport
        = m_transportHost == savedHost ? asked.transport : makeTransport();
    const Result<DeviceInfo, YXCError> again = co_await savedTransport->fetch<DeviceInfo>(YXCCommand::getDeviceInfo());
    if (!unchanged()) {
        co_return;
    }
    if (again && again->deviceId == savedID) {
        kept(QStringLiteral("The receiver answers at %1 again").arg(oldHost));
        co_return;
    }
    if (claimants.size() > 1) {
        const QString notice
            = QStringLiteral("Receiver not moved: %1 %2 claim to be it.")
                  .arg(listed(claimants), claimants.size() == 2 ? QStringLiteral("both") : QStringLiteral("all"));
        if (m_addressNotice != notice) { // said once, not at every search while it holds
            qCWarning(lcStore).noquote() << QStringLiteral("The receiver (device id %1) does not answer at %2, and "
                                                           "%3 each claim its id: not moved, the user chooses")
                                                .arg(savedID, oldHost, listed(claimants));
        }
        setAddressNotice(notice, true);
        co_return;
    }

    const QString &newHost = claimants.first();
    const auto found = std::find_if(m_foundReceivers.cbegin(), m_foundReceivers.cend(),
        [&](const DiscoveredReceiver &receiver) { return receiver.deviceID == savedID; });
    DiscoveredReceiver moved = *found;
    moved.host = newHost;
    moved.otherHosts.clear();
    qCInfo(lcStore).noquote()
        << QStringLiteral("Receiver moved from %1 to %2 (device id %3); %2 is saved").arg(oldHost, newHost, savedID);
    choose(moved);
    replaceTransport();
    setAddressNotice(QStringLiteral("Receiver moved from %1 to %2.").arg(oldHost, newHost));
    const Result<Done, StoreError> connected = co_await connect(m_clock.now());
    if (!self || m_destroying || (!connected && connected.error().isSuperseded())) {
        co_return;
    }
    setConnection(connected ? ConnectionState::connected() : ConnectionState::failed(connected.error().description()));
}

void ReceiverStore::stopTasks()
{
    ++m_taskGeneration;
    ++m_epoch;
    m_fresh.forget();
    m_eventRefreshes.clear(); // their runs end when they resume
    m_signalFetch.stop();
    if (m_listener) {
        m_listener->stop();
        m_listener.reset();
    }
    m_sleeps.wakeAll();
    m_eventWaits.wakeAll();
}

} // namespace amplora
