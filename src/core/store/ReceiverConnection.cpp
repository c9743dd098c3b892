#include "core/store/ReceiverConnection.h"

#include "core/Logging.h"
#include "core/discovery/MockDiscovery.h"
#include "core/events/YXCEventListener.h"
#include "core/store/AppSettings.h"
#include "core/store/MockTransport.h"
#include "core/store/ReceiverAddress.h"

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

// The first receiver the search found under the device id, moved to `host` alone.
DiscoveredReceiver movedReceiver(const QList<DiscoveredReceiver> &found, const QString &deviceID, const QString &host)
{
    DiscoveredReceiver moved;
    for (const DiscoveredReceiver &receiver : found) {
        if (receiver.deviceID == deviceID) {
            moved = receiver;
            break;
        }
    }
    moved.host = host;
    moved.otherHosts.clear();
    return moved;
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

ReceiverConnection::ReceiverConnection(
    AppSettings &settings, const LaunchOptions &launch, Clock &clock, Parts parts, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_launch(launch)
    , m_clock(clock)
    , m_transportFactory(std::move(parts.transportFactory))
    // Without these parts the connection stays off the network: the application's own parts come from its
    // composition root.
    , m_discovery(parts.discovery ? std::move(parts.discovery) : std::make_unique<MockDiscovery>())
    , m_eventBindAddress(parts.eventBindAddress)
    , m_requestedEventPort(parts.eventPort)
{
    m_transport = parts.transport ? std::move(parts.transport) : makeTransport();
    m_transportHost = m_settings.host();
    takeTransportEvents();
}

ReceiverConnection::~ReceiverConnection()
{
    shutDown();
}

void ReceiverConnection::shutDown()
{
    if (std::exchange(m_destroying, true)) {
        return;
    }
    stop();
    if (m_transport) {
        m_transport->cancelAlbumArt();
    }
    if (m_discovery) {
        m_discovery->cancel();
        m_discovery.reset();
    }
}

bool ReceiverConnection::isCurrent(const Epoch &epoch) const
{
    return !m_destroying && m_epoch == epoch.value && m_transport == epoch.transport;
}

bool ReceiverConnection::isCurrent(const QPointer<ReceiverConnection> &self, quint64 stops)
{
    return self && !self->m_destroying && self->m_stops == stops;
}

void ReceiverConnection::setState(ConnectionState state)
{
    if (m_addressNoticeIsRefusal && state.is(ConnectionState::Kind::connected)) {
        setAddressNotice(std::nullopt); // the receiver answers where it is: nothing is left to decide
    }
    assign(m_state, std::move(state), &ReceiverConnection::stateChanged);
}

void ReceiverConnection::setNeedsReceiverSetup(bool needed)
{
    assign(m_needsReceiverSetup, needed, &ReceiverConnection::needsReceiverSetupChanged);
}

void ReceiverConnection::setNetworkName(std::optional<QString> name)
{
    assign(m_networkName, std::move(name), &ReceiverConnection::networkNameChanged);
}

void ReceiverConnection::setDiscoveryMessage(std::optional<QString> text)
{
    assign(m_discoveryMessage, std::move(text), &ReceiverConnection::discoveryMessageChanged);
}

void ReceiverConnection::setAddressNotice(std::optional<QString> text, bool refusal)
{
    m_addressNoticeIsRefusal = text && refusal;
    assign(m_addressNotice, std::move(text), &ReceiverConnection::addressNoticeChanged);
}

std::shared_ptr<ReceiverTransport> ReceiverConnection::makeTransport() const
{
    if (m_transportFactory) {
        return m_transportFactory(m_settings.host());
    }
    return makeReceiverTransport(m_launch, m_settings.host());
}

void ReceiverConnection::takeTransportEvents()
{
    QPointer<ReceiverConnection> self(this);
    const ReceiverTransport *from = m_transport.get();
    // Only while listening, and only from the current transport, as datagrams would be taken.
    m_transport->setEventSink([self, from](const QByteArray &datagram) {
        if (self && !self->m_destroying && self->m_transport.get() == from && self->m_listener) {
            Q_EMIT self->packetReceived(datagram);
        }
    });
}

void ReceiverConnection::replaceTransport()
{
    // A cover still on its way from the old address is no longer wanted (its request holds the old transport).
    m_transport->cancelAlbumArt();
    m_transport = makeTransport();
    m_transportHost = m_settings.host();
    takeTransportEvents();
    ++m_epoch;
    resetEventPath();
    m_lastAnswerAt.reset();
    Q_EMIT transportChanged(); // updates() counts only answers through the current transport
    if (m_listener) {
        updateEventSenders(); // events of the receiver at its new address count at once
    }
}

QCoro::Task<> ReceiverConnection::scan()
{
    if (m_isScanning) {
        co_return;
    }
    QPointer<ReceiverConnection> self(this);
    assign(m_isScanning, true, &ReceiverConnection::isScanningChanged);
    setDiscoveryMessage(std::nullopt);

    ReceiverDiscovering::Receivers found = co_await m_discovery->discover();
    if (!self || m_destroying) {
        co_return;
    }
    if (found) {
        const QList<DiscoveredReceiver> &receivers = found.value();
        assign(m_foundReceivers, receivers, &ReceiverConnection::foundReceiversChanged);
        setDiscoveryMessage(receivers.isEmpty()
                ? QStringLiteral("No receivers found. Check that your receiver is on the same network, allow Local "
                                 "Network access, or enter its IP address.")
                : QStringLiteral("Choose a receiver below."));
        if (m_settings.host().trimmed().isEmpty() && receivers.size() == 1) {
            choose(receivers.first());
            setDiscoveryMessage(QStringLiteral("Selected ") + receivers.first().name + u'.');
        }
    } else {
        assign(m_foundReceivers, QList<DiscoveredReceiver>(), &ReceiverConnection::foundReceiversChanged);
        setDiscoveryMessage(QStringLiteral("Could not scan: ") + found.error().description()
            + QStringLiteral(" You can enter an IP address instead."));
    }
    assign(m_isScanning, false, &ReceiverConnection::isScanningChanged);
}

QCoro::Task<bool> ReceiverConnection::probe(QString host)
{
    if (m_isScanning) {
        co_return false;
    }
    QPointer<ReceiverConnection> self(this);
    assign(m_isScanning, true, &ReceiverConnection::isScanningChanged);
    setDiscoveryMessage(std::nullopt);
    const QString hostBefore = m_settings.host();

    const QStringList hosts { host };
    const QList<ProbeResult> results = co_await m_discovery->probe(hosts);
    if (!self || m_destroying) {
        co_return false;
    }
    bool chosen = false;
    const ReceiverDiscovering::Receivers found = results.isEmpty()
        ? ReceiverDiscovering::Receivers(Failure { DiscoveryError::noAnswer(host) })
        : results.first().receivers;
    if (found) {
        QList<DiscoveredReceiver> listed = m_foundReceivers;
        for (const DiscoveredReceiver &receiver : found.value()) {
            listed.removeIf(
                [&receiver](const DiscoveredReceiver &other) { return other.deviceID == receiver.deviceID; });
            listed.append(receiver);
        }
        sortForDisplay(listed);
        assign(m_foundReceivers, listed, &ReceiverConnection::foundReceiversChanged);
        // An answer for an address the user has since left behind only joins the list.
        if (found->size() == 1 && m_settings.host() == hostBefore) {
            choose(found->first());
            chosen = true;
            setDiscoveryMessage(QStringLiteral("Selected ") + found->first().name + u'.');
        } else {
            setDiscoveryMessage(QStringLiteral("Choose a receiver below."));
        }
    } else {
        setDiscoveryMessage(found.error().description());
    }
    assign(m_isScanning, false, &ReceiverConnection::isScanningChanged);
    co_return chosen;
}

void ReceiverConnection::choose(const DiscoveredReceiver &receiver)
{
    m_settings.setHost(receiver.host);
    m_settings.setDeviceID(receiver.deviceID);
    setNetworkName(receiver.name);
    setNeedsReceiverSetup(false);
}

bool ReceiverConnection::unchanged(const QPointer<ReceiverConnection> &self, const RecoveryStart &start)
{
    return self && self->isCurrent(start.epoch) && self->m_settings.deviceID() == start.deviceID
        && self->m_settings.host() == start.host;
}

void ReceiverConnection::keepAddress(const QString &why, const QStringList &others)
{
    // Each search decides afresh whether the user has to choose.
    if (m_addressNoticeIsRefusal) {
        setAddressNotice(std::nullopt);
    }
    if (others.isEmpty()) {
        qCDebug(lcStore).noquote() << why;
    } else {
        qCInfo(lcStore).noquote() << why
                + QStringLiteral("; not moved to %1, also claiming its id").arg(listed(others));
    }
}

QCoro::Task<bool> ReceiverConnection::recoverAddress()
{
    const std::optional<QString> saved = m_settings.deviceID();
    if (m_launch.mock || !saved || m_isScanning) {
        co_return false;
    }
    const Clock::TimePoint now = m_clock.now();
    if (m_lastRecovery && now - *m_lastRecovery <= recoverySpacing) {
        co_return false;
    }
    m_lastRecovery = now;

    QPointer<ReceiverConnection> self(this);
    const RecoveryStart start { *saved, m_settings.host(), epoch() };
    const QString &savedID = start.deviceID;
    co_await scan();
    if (!unchanged(self, start)) {
        co_return false; // the user chose another receiver meanwhile, or the connection moved on
    }
    const QStringList claimants = claimantsOf(m_foundReceivers, savedID);
    const QString oldHost = start.host.trimmed();
    QStringList others = claimants;
    others.removeAll(oldHost);
    if (claimants.isEmpty()) {
        keepAddress(QStringLiteral("The search found no receiver with device id %1").arg(savedID), others);
        co_return false;
    }
    if (others.size() < claimants.size()) {
        keepAddress(QStringLiteral("The receiver still answers the search at %1").arg(oldHost), others);
        co_return false;
    }

    // A receiver that is back from a restart may answer at its address before it answers a search; moving away
    // from it then would hand its place to whoever else claims its id.
    const std::shared_ptr<ReceiverTransport> savedTransport
        = m_transportHost == start.host ? start.epoch.transport : makeTransport();
    const Result<DeviceInfo, YXCError> again = co_await savedTransport->fetch<DeviceInfo>(YXCCommand::getDeviceInfo());
    if (!unchanged(self, start)) {
        co_return false;
    }
    if (again && again->deviceId == savedID) {
        keepAddress(QStringLiteral("The receiver answers at %1 again").arg(oldHost), others);
        co_return false;
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
        co_return false;
    }

    const QString &newHost = claimants.first();
    qCInfo(lcStore).noquote()
        << QStringLiteral("Receiver moved from %1 to %2 (device id %3); %2 is saved").arg(oldHost, newHost, savedID);
    choose(movedReceiver(m_foundReceivers, savedID, newHost));
    replaceTransport();
    setAddressNotice(QStringLiteral("Receiver moved from %1 to %2.").arg(oldHost, newHost));
    co_return true;
}

quint64 ReceiverConnection::droppedEventDatagrams() const
{
    return m_listener ? m_listener->droppedCount() : 0;
}

std::optional<quint16> ReceiverConnection::boundEventPort() const
{
    if (!m_listener || m_listener->port() == 0) {
        return std::nullopt;
    }
    return m_listener->port();
}

UpdatesState ReceiverConnection::updates() const
{
    if (!m_state.is(ConnectionState::Kind::connected)) {
        return UpdatesState::stale;
    }
    const Clock::TimePoint now = m_clock.now();
    if (!m_lastAnswerAt || now - *m_lastAnswerAt >= staleAfter) {
        return UpdatesState::stale;
    }
    // Events may be quiet because nothing changes; a current registration says they would still come.
    const auto recent = [now](const std::optional<Clock::TimePoint> &at) { return at && now - *at < eventsFreshFor; };
    if (m_eventsProven && (recent(m_lastEventAt) || recent(m_lastRegisteredAt))) {
        return UpdatesState::push;
    }
    return UpdatesState::polling;
}

std::chrono::milliseconds ReceiverConnection::pollPauseNow() const
{
    const bool eventsFlowing = m_lastEventAt && m_clock.now() - *m_lastEventAt < eventsFreshFor;
    return eventsFlowing ? pollPauseWithEvents : pollPause;
}

std::optional<Clock::TimePoint> ReceiverConnection::nextUpdatesChange() const
{
    const Clock::TimePoint now = m_clock.now();
    std::optional<Clock::TimePoint> next;
    const auto consider = [&](const std::optional<Clock::TimePoint> &at, Clock::Duration lasts) {
        if (at && *at + lasts > now && (!next || *at + lasts < *next)) {
            next = *at + lasts;
        }
    };
    consider(m_lastAnswerAt, staleAfter);
    consider(m_lastEventAt, eventsFreshFor);
    consider(m_lastRegisteredAt, eventsFreshFor);
    return next;
}

void ReceiverConnection::scheduleUpdatesCheck()
{
    const std::optional<Clock::TimePoint> next = nextUpdatesChange();
    // One check is pending at a time; an earlier one re-schedules for the later moments when it runs.
    if (m_destroying || !next || (m_updatesCheckAt && *m_updatesCheckAt <= *next)) {
        return;
    }
    m_updatesCheckAt = next;
    const quint64 check = ++m_updatesCheck;
    m_clock.callAfter(*next - m_clock.now(), this, [this, check] {
        if (check != m_updatesCheck || m_destroying) {
            return;
        }
        m_updatesCheckAt.reset();
        Q_EMIT freshnessChanged();
    });
}

void ReceiverConnection::noteAnswer()
{
    // Every poll answers; observers hear of it only when the answer ends a stale spell. The check scheduled for
    // the old moment re-schedules itself for the new one when it runs.
    const UpdatesState before = updates();
    m_lastAnswerAt = m_clock.now();
    if (updates() != before) {
        Q_EMIT freshnessChanged();
    }
}

void ReceiverConnection::noteEvent()
{
    if (!std::exchange(m_eventsProven, true)) {
        Q_EMIT freshnessChanged();
    }
    assign(m_lastEventAt, std::optional<Clock::TimePoint>(m_clock.now()), &ReceiverConnection::freshnessChanged);
}

void ReceiverConnection::resetEventPath()
{
    m_eventsProven = false;
    m_lastRegisteredAt.reset();
    Q_EMIT freshnessChanged();
}

void ReceiverConnection::forgetLastEvent()
{
    assign(m_lastEventAt, std::optional<Clock::TimePoint>(), &ReceiverConnection::freshnessChanged);
}

void ReceiverConnection::startListening()
{
    if (m_listener) {
        m_listener->stop();
    }
    m_listener = std::make_unique<YXCEventListener>(m_eventBindAddress, &m_clock);
    if (m_eventSendersHost == m_transportHost) {
        m_listener->setAcceptedSenders(m_eventSenders);
    }
    QPointer<ReceiverConnection> self(this);
    m_listener->setOnPacket([self](const QByteArray &datagram) {
        if (self && !self->m_destroying) {
            Q_EMIT self->packetReceived(datagram);
        }
    });
    const Result<quint16, EventListenerError> started = m_listener->start(m_requestedEventPort);
    if (!started) {
        Q_EMIT errorOccurred(QStringLiteral("Event listener unavailable: ") + started.error().description());
        return;
    }
    assign(m_eventPort, std::optional<quint16>(started.value()), &ReceiverConnection::eventPortChanged);
    runRegistration(m_stops, started.value());
}

QCoro::Task<> ReceiverConnection::runRegistration(quint64 stops, quint16 port)
{
    QPointer<ReceiverConnection> self(this);
    ++m_runningTasks;
    while (isCurrent(self, stops)) {
        // Resolved again each round: a receiver known by name may have been given another address.
        co_await updateEventSenders();
        if (!isCurrent(self, stops)) {
            break;
        }
        // Registered through whichever transport is current: recovery may have replaced it since the last round.
        const std::shared_ptr<ReceiverTransport> transport = m_transport;
        const Result<Done, YXCError> registered = co_await transport->registerForEvents(port);
        if (!isCurrent(self, stops)) {
            break;
        }
        if (registered) {
            // A receiver keeps sending for a while after each registration: the event path stays live through
            // quiet spells as long as the renewals are taken.
            m_lastRegisteredAt = m_clock.now();
            noteAnswer();
        } else {
            Q_EMIT errorOccurred(QStringLiteral("Event registration failed: ") + registered.error().description());
        }
        const bool slept = co_await m_sleeps.sleep(m_clock, registrationRenewal, this);
        if (!slept) {
            break;
        }
    }
    if (self && !self->m_destroying) {
        --self->m_runningTasks;
    }
}

QCoro::Task<> ReceiverConnection::updateEventSenders()
{
    QPointer<ReceiverConnection> self(this);
    const quint64 lookup = ++m_senderLookup;
    const QString host = m_transportHost;
    // The mock receiver sends no datagrams, so in mock mode every datagram comes from someone else.
    QList<QHostAddress> senders;
    if (!m_launch.mock) {
        senders = co_await receiverAddresses(host);
    }
    if (!self || m_destroying || lookup != m_senderLookup) {
        co_return; // a newer lookup has the say
    }
    if (senders.isEmpty() && host == m_eventSendersHost && !m_launch.mock) {
        co_return; // a name that did not resolve this time keeps the addresses it had
    }
    m_eventSenders = senders;
    m_eventSendersHost = host;
    if (m_listener) {
        m_listener->setAcceptedSenders(senders);
    }
}

void ReceiverConnection::stop()
{
    ++m_stops;
    ++m_epoch;
    if (m_listener) {
        m_listener->stop();
        m_listener.reset();
    }
    m_sleeps.wakeAll();
}

} // namespace amplora
