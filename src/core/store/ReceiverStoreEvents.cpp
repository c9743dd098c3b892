// How the store keeps up with the receiver: the polling loop, merging push events into the state, and the
// push-event self-test.

#include "core/store/ReceiverStore.h"

#include "core/Logging.h"
#include "core/capabilities/Power.h"
#include "core/capabilities/Volume.h"
#include "core/protocol/Features.h"

#include <algorithm>

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

// What an event says of a field replaces what is stored; what it leaves out stays.
template<class T> void overwrite(std::optional<T> &field, const std::optional<T> &value)
{
    if (value) {
        field = value;
    }
}

} // namespace

void ReceiverStore::startPolling()
{
    runPolling(m_taskGeneration);
}

QCoro::Task<> ReceiverStore::runPolling(quint64 taskGeneration)
{
    QPointer<ReceiverStore> self(this);
    ++m_runningTasks;
    while (isCurrent(self, taskGeneration)) {
        const bool slept = co_await m_sleeps.sleep(m_clock, m_link.pollPauseNow(), this);
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
            } else if (tunerPlaying()) {
                outcome = co_await refresh(YXCEvent::Refresh::tunerPlayInfo());
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
        m_link.setState(ConnectionState::connected());
    } else {
        m_link.setState(ConnectionState::failed(outcome.error().description()));
        co_await recoverAddress();
    }
    co_return outcome;
}

void ReceiverStore::handlePacket(const QByteArray &bytes)
{
    Q_EMIT datagramReceived(bytes);
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
    m_link.noteEvent();
    apply(*event);
    Q_EMIT eventAccepted();
    m_eventWaits.wakeAll();
}

QCoro::Task<Result<std::chrono::milliseconds, PushEventCheckError>> ReceiverStore::checkPushEvents()
{
    if (!connection().is(ConnectionState::Kind::connected)) {
        co_return Failure { PushEventCheckError::notConnected() };
    }
    const std::optional<quint16> port = boundEventPort();
    if (!port) {
        co_return Failure { PushEventCheckError::noListener() };
    }
    // No read makes a receiver send an event, and read-only mode sends nothing else.
    if (transport()->isReadOnly()) {
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
    const QString sender = !eventSenders().isEmpty() ? eventSenders().constFirst().toString()
        : !transportHost().trimmed().isEmpty()       ? transportHost().trimmed()
                                                     : QStringLiteral("the receiver");
    co_return Failure { PushEventCheckError::noEvent(pushEventCheckWait, *port, sender, m_link.pollPauseNow()) };
}

void ReceiverStore::applyZone(Zone zone, const YXCEvent::ZoneChange &change)
{
    const auto it = m_state.status().find(zone);
    if (it == m_state.status().end()) {
        return;
    }
    ZoneStatus status = it->second;
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
    if (const std::optional<int> volume = change.volume) {
        Volume::setRaw(status, *volume, volumeScale(zone));
    }
    m_state.setZoneStatus(zone, std::move(status));
}

void ReceiverStore::apply(const YXCEvent &event)
{
    for (const auto &zoneChange : event.zones) {
        applyZone(zoneChange.first, zoneChange.second);
    }

    const std::optional<PlayInfo> &stored = m_state.playInfo();
    if (event.netusb && stored) {
        PlayInfo info = *stored;
        overwrite(info.playTime, event.netusb->playTime);
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
    // The tuner is read only while a zone listens to it: a switch to it needs a first read, a switch away clears
    // what it played.
    const bool switched = std::any_of(
        event.zones.cbegin(), event.zones.cend(), [](const auto &change) { return change.second.input.has_value(); });
    if (switched) {
        requestRefresh(YXCEvent::Refresh::tunerPlayInfo(), false);
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
