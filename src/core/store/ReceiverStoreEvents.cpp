// How the store keeps up with the receiver: the push-event listener and its registration, the polling loop and
// its pace, merging events into the state, and the push-event self-test.

#include "core/store/ReceiverStore.h"

#include "core/Logging.h"
#include "core/capabilities/Power.h"
#include "core/capabilities/Volume.h"
#include "core/events/YXCEventListener.h"
#include "core/protocol/Features.h"
#include "core/store/ReceiverAddress.h"

namespace amplora {

namespace {

// The command the push-event self-test sends: a setting of the zone exactly as the receiver has just reported
// it. A receiver announces a setting it is sent to everyone registered, so an event follows, yet nothing
// changes: a zone that is on gets its own mute state (not its volume, whose change a front panel shows, nor its
// input or sound program, which interrupt the sound), a zone in standby its standby. None when the zone's
// report lacks the setting.
std::optional<YXCCommand> settingEcho(Zone zone, const ZoneStatus &status)
{
    if (Power::isOn(status)) {
        return status.mute ? std::optional(YXCCommand::setMute(zone, *status.mute)) : std::nullopt;
    }
    if (status.power == QStringLiteral("standby")) {
        return YXCCommand::setPower(zone, PowerState::standby);
    }
    return std::nullopt;
}

} // namespace

quint64 ReceiverStore::droppedEventDatagrams() const
{
    return m_listener ? m_listener->droppedCount() : 0;
}

std::optional<quint16> ReceiverStore::boundEventPort() const
{
    if (!m_listener || m_listener->port() == 0) {
        return std::nullopt;
    }
    return m_listener->port();
}

UpdatesState ReceiverStore::updates() const
{
    if (!m_connection.is(ConnectionState::Kind::connected)) {
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

std::optional<Clock::TimePoint> ReceiverStore::nextUpdatesChange() const
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

void ReceiverStore::scheduleUpdatesCheck()
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
        notifyDerived();
    });
}

void ReceiverStore::noteAnswer()
{
    // Every poll answers; the derived values are worked out again only when the answer ends a stale spell. The
    // check scheduled for the old moment re-schedules itself for the new one when it runs.
    const UpdatesState before = updates();
    m_lastAnswerAt = m_clock.now();
    if (updates() != before) {
        notifyDerived();
    }
}

void ReceiverStore::resetEventPath()
{
    m_eventsProven = false;
    m_lastRegisteredAt.reset();
    notifyDerived();
}

void ReceiverStore::startEventListener()
{
    if (m_listener) {
        m_listener->stop();
    }
    m_listener = std::make_unique<YXCEventListener>(m_eventBindAddress, &m_clock);
    if (m_eventSendersHost == m_transportHost) {
        m_listener->setAcceptedSenders(m_eventSenders);
    }
    QPointer<ReceiverStore> self(this);
    m_listener->setOnPacket([self](const QByteArray &datagram) {
        if (self && !self->m_destroying) {
            self->handlePacket(datagram);
        }
    });
    runEventTask(m_taskGeneration);
}

QCoro::Task<> ReceiverStore::runEventTask(quint64 taskGeneration)
{
    QPointer<ReceiverStore> self(this);
    const Result<quint16, EventListenerError> started = m_listener->start(m_requestedEventPort);
    if (!started) {
        setLastError(QStringLiteral("Event listener unavailable: ") + started.error().description());
        co_return;
    }
    const quint16 port = started.value();
    assign(m_eventPort, std::optional<quint16>(port));

    ++m_runningTasks;
    while (isCurrent(self, taskGeneration)) {
        // Resolved again each round: a receiver known by name may have been given another address.
        co_await updateEventSenders();
        if (!isCurrent(self, taskGeneration)) {
            break;
        }
        // Registered through whichever transport is current: recovery may have replaced it since the last round.
        const std::shared_ptr<ReceiverTransport> transport = m_transport;
        const Result<Done, YXCError> registered = co_await transport->registerForEvents(port);
        if (!isCurrent(self, taskGeneration)) {
            break;
        }
        if (registered) {
            // A receiver keeps sending for a while after each registration: the event path stays live through
            // quiet spells as long as the renewals are taken.
            m_lastRegisteredAt = m_clock.now();
            noteAnswer();
        } else {
            const QString text = QStringLiteral("Event registration failed: ") + registered.error().description();
            if (m_lastError != text) {
                setLastError(text);
            }
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

QCoro::Task<> ReceiverStore::updateEventSenders()
{
    QPointer<ReceiverStore> self(this);
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

void ReceiverStore::startPolling()
{
    runPolling(m_taskGeneration);
}

QCoro::Task<> ReceiverStore::runPolling(quint64 taskGeneration)
{
    QPointer<ReceiverStore> self(this);
    ++m_runningTasks;
    while (isCurrent(self, taskGeneration)) {
        const bool slept = co_await m_sleeps.sleep(m_clock, pollPauseNow(), this);
        if (!slept || !isCurrent(self, taskGeneration)) {
            break;
        }
        const Result<Done, StoreError> polled = co_await poll(m_clock.now());
        Q_UNUSED(polled); // handled inside the step
    }
    if (self && !self->m_destroying) {
        --self->m_runningTasks;
    }
}

std::chrono::milliseconds ReceiverStore::pollPauseNow() const
{
    const bool eventsFlowing = m_lastEventAt && m_clock.now() - *m_lastEventAt < eventsFreshFor;
    return eventsFlowing ? pollPauseWithEvents : pollPause;
}

QCoro::Task<Result<Done, StoreError>> ReceiverStore::poll(Clock::TimePoint now)
{
    QPointer<ReceiverStore> self(this);
    const Epoch asked = epoch();
    Result<Done, StoreError> outcome = Done {};
    if (!m_state.deviceInfo() || m_state.status().empty()) {
        outcome = co_await connect(now);
    } else {
        outcome = co_await refresh(YXCEvent::Refresh::status(m_selectedZone));
        if (outcome && isCurrent(self, asked)) {
            const auto status = currentStatus();
            const std::optional<Features> &features = m_state.features();
            const InputFeature *input
                = features && status && status->input ? features->system.input(*status->input) : nullptr;
            if (input && input->playInfoType == QStringLiteral("netusb")) {
                outcome = co_await refresh(YXCEvent::Refresh::playInfo());
            }
        }
        if (outcome && isCurrent(self, asked)) {
            co_await ensureFeaturesAndNames(now);
        }
    }
    if (!isCurrent(self, asked) || (!outcome && outcome.error().isSuperseded())) {
        co_return Failure { StoreError::superseded() };
    }
    if (outcome) {
        setConnection(ConnectionState::connected());
    } else {
        setConnection(ConnectionState::failed(outcome.error().description()));
        co_await recoverAddress();
    }
    co_return outcome;
}

void ReceiverStore::handlePacket(const QByteArray &bytes)
{
    const std::optional<YXCEvent> event = YXCEvent::parse(bytes);
    if (!event) {
        qCDebug(lcEvents) << "Dropping a datagram that is no event," << bytes.size() << "bytes";
        return;
    }
    const std::optional<DeviceInfo> &device = m_state.deviceInfo();
    if (device && device->deviceId && event->deviceID && *event->deviceID != *device->deviceId) {
        qCDebug(lcEvents).noquote() << "Dropping an event of another receiver," << *event->deviceID;
        return;
    }
    if (!std::exchange(m_eventsProven, true)) {
        notifyDerived();
    }
    assign(m_lastEventAt, std::optional<Clock::TimePoint>(m_clock.now()));
    apply(*event);
    Q_EMIT eventAccepted();
    m_eventWaits.wakeAll();
}

QCoro::Task<Result<std::chrono::milliseconds, PushEventCheckError>> ReceiverStore::checkPushEvents()
{
    if (!m_connection.is(ConnectionState::Kind::connected)) {
        co_return Failure { PushEventCheckError::notConnected() };
    }
    const std::optional<quint16> port = boundEventPort();
    if (!port) {
        co_return Failure { PushEventCheckError::noListener() };
    }
    // No read makes a receiver send an event, and read-only mode sends nothing else.
    if (m_transport->isReadOnly()) {
        co_return Failure { PushEventCheckError::readOnly() };
    }

    QPointer<ReceiverStore> self(this);
    const Epoch asked = epoch();
    const Zone zone = m_selectedZone;
    // The setting is read just before it is sent back, so a change made on the receiver a moment ago is not undone.
    const Result<Done, StoreError> read = co_await refresh(YXCEvent::Refresh::status(zone));
    if (!isCurrent(self, asked)) {
        co_return Failure { PushEventCheckError::interrupted() };
    }
    if (!read) {
        co_return Failure { PushEventCheckError::requestFailed(read.error().description()) };
    }
    const auto status = m_state.status().find(zone);
    const std::optional<YXCCommand> echo
        = status != m_state.status().end() ? settingEcho(zone, status->second) : std::nullopt;
    if (!echo) {
        co_return Failure { PushEventCheckError::requestFailed(
            QStringLiteral("the receiver reported neither the zone's mute nor its standby.")) };
    }

    // Listening starts before the request: the event may come before the receiver's answer.
    std::optional<Clock::TimePoint> arrival;
    QObject listening;
    QObject::connect(this, &ReceiverStore::eventAccepted, &listening, [this, &arrival] {
        if (!arrival) {
            arrival = m_clock.now();
        }
    });
    const Clock::TimePoint sentAt = m_clock.now();
    const Result<Done, YXCError> sent = co_await sendChanging(asked.transport, *echo);
    if (!isCurrent(self, asked)) {
        co_return Failure { PushEventCheckError::interrupted() };
    }
    if (!sent) {
        co_return Failure { PushEventCheckError::requestFailed(sent.error().description()) };
    }
    const Clock::TimePoint deadline = sentAt + pushEventCheckWait;
    if (!arrival && m_clock.now() < deadline) {
        const bool slept = co_await m_eventWaits.sleep(m_clock, deadline - m_clock.now(), this);
        Q_UNUSED(slept); // an event or a stop ends the wait early; which one is told below
        if (!isCurrent(self, asked)) {
            co_return Failure { PushEventCheckError::interrupted() };
        }
    }
    if (arrival) {
        co_return std::chrono::duration_cast<std::chrono::milliseconds>(*arrival - sentAt);
    }
    const QString sender = !m_eventSenders.isEmpty() ? m_eventSenders.constFirst().toString()
        : !m_transportHost.trimmed().isEmpty()       ? m_transportHost.trimmed()
                                                     : QStringLiteral("the receiver");
    co_return Failure { PushEventCheckError::noEvent(pushEventCheckWait, *port, sender, pollPauseNow()) };
}

void ReceiverStore::apply(const YXCEvent &event)
{
    for (const auto &[zone, change] : event.zones) {
        const auto it = m_state.status().find(zone);
        if (it == m_state.status().end()) {
            continue;
        }
        ZoneStatus status = it->second;
        const auto overwrite = [](auto &field, const auto &value) {
            if (value) {
                field = value;
            }
        };
        overwrite(status.power, change.power);
        overwrite(status.input, change.input);
        overwrite(status.mute, change.mute);
        overwrite(status.soundProgram, change.soundProgram);
        overwrite(status.extraBass, change.extraBass);
        overwrite(status.surroundAi, change.surroundAi);
        overwrite(status.sleep, change.sleep);
        overwrite(status.pureDirect, change.pureDirect);
        overwrite(status.direct, change.direct);
        overwrite(status.enhancer, change.enhancer);
        overwrite(status.dialogueLevel, change.dialogueLevel);
        if (change.volume) {
            Volume::setRaw(status, *change.volume, volumeScale(zone));
        }
        m_state.setZoneStatus(zone, std::move(status));
    }

    if (event.netusb && m_state.playInfo()) {
        PlayInfo info = *m_state.playInfo();
        if (event.netusb->playTime) {
            info.playTime = event.netusb->playTime;
        }
        // Also without a play time, so that the elapsed-time estimate restarts from the stored position.
        m_state.setPlayInfo(std::move(info), m_clock.now());
    }

    for (const YXCEvent::Refresh &what : event.refreshes()) {
        bool thenSignal = false;
        if (what.kind == YXCEvent::Refresh::Kind::status) {
            const auto change = event.zones.find(what.zone);
            thenSignal = change != event.zones.end() && change->second.statusUpdated;
        }
        requestRefresh(what, thenSignal);
    }
}

void ReceiverStore::requestRefresh(YXCEvent::Refresh what, bool thenSignal)
{
    // A burst of flags costs one request per kind plus one round after it, not a request per flag. The round
    // after is needed: the answer in flight may predate the change the latest flag announced.
    EventRefresh &pending = m_eventRefreshes[what];
    pending.thenSignal = pending.thenSignal || thenSignal;
    if (pending.flight.begin()) {
        runEventRefresh(what, m_taskGeneration);
    }
}

QCoro::Task<> ReceiverStore::runEventRefresh(YXCEvent::Refresh what, quint64 taskGeneration)
{
    QPointer<ReceiverStore> self(this);
    do {
        // What was asked for until now is this round's; what is asked for while it runs, the next one's.
        const bool thenSignal = std::exchange(m_eventRefreshes[what].thenSignal, false);
        // Through the fresh reads, so that a caller asking for the same thing meanwhile waits for this answer
        // instead of taking the state the event has just outdated.
        const Result<Done, StoreError> refreshed = co_await m_fresh.refetch(what);
        if (!isCurrent(self, taskGeneration)) {
            co_return; // stopTasks() has forgotten this run
        }
        // A failure is left to the next poll or event to correct.
        if (refreshed && thenSignal && what.zone == m_selectedZone) {
            runSignalFetches();
        }
    } while (m_eventRefreshes[what].flight.another());
    m_eventRefreshes.erase(what);
}

} // namespace amplora
