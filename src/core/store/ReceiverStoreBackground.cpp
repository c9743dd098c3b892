// The store's background work: the push-event task, the polling loop, event merging, refreshes, album art and
// the input-signal fetch.

#include "core/store/ReceiverStore.h"

#include "core/Logging.h"
#include "core/capabilities/Power.h"
#include "core/capabilities/Volume.h"
#include "core/events/YXCEventListener.h"
#include "core/protocol/Features.h"
#include "core/store/DisplayTint.h"
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
    assign(m_eventPort, std::optional<quint16>(port), &ReceiverStore::eventPortChanged);

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
    if (!m_deviceInfo || m_status.empty()) {
        outcome = co_await connect(now);
    } else {
        outcome = co_await refresh(YXCEvent::Refresh::status(m_selectedZone));
        if (outcome && isCurrent(self, asked)) {
            const auto status = currentStatus();
            const InputFeature *input
                = m_features && status && status->input ? m_features->system.input(*status->input) : nullptr;
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

template<class T>
QCoro::Task<> ReceiverStore::reloadIfMissing(std::optional<T> ReceiverStore::*field,
    std::optional<Clock::TimePoint> ReceiverStore::*lastAttempt, void (ReceiverStore::*changed)(), YXCCommand command,
    QString label, Clock::TimePoint now)
{
    if (this->*field || (this->*lastAttempt && now - *(this->*lastAttempt) < reloadSpacing)) {
        co_return;
    }
    QPointer<ReceiverStore> self(this);
    const Epoch asked = epoch();
    this->*lastAttempt = now;
    Result<T, YXCError> answer = co_await asked.transport->template fetch<T>(std::move(command));
    if (!isCurrent(self, asked)) {
        co_return;
    }
    if (answer) {
        assign(this->*field, std::optional<T>(std::move(answer).value()), changed);
        noteAnswer();
    } else {
        recordLoadFailure(label, answer.error().description());
    }
}

QCoro::Task<> ReceiverStore::ensureFeaturesAndNames(Clock::TimePoint now)
{
    QPointer<ReceiverStore> self(this);
    const Epoch asked = epoch();
    const bool hadFeatures = m_features.has_value();
    co_await reloadIfMissing(&ReceiverStore::m_features, &ReceiverStore::m_lastFeaturesAttempt,
        &ReceiverStore::featuresChanged, YXCCommand::getFeatures(), QStringLiteral("system/getFeatures"), now);
    if (!isCurrent(self, asked)) {
        co_return;
    }
    if (!hadFeatures && m_features) {
        requestRefresh(YXCEvent::Refresh::presets(), false); // only now known to be announced
    }
    co_await reloadNames(now);
}

QCoro::Task<> ReceiverStore::reloadNames(Clock::TimePoint now)
{
    co_await reloadIfMissing(&ReceiverStore::m_names, &ReceiverStore::m_lastNamesAttempt, &ReceiverStore::namesChanged,
        YXCCommand::getNameText(), QStringLiteral("system/getNameText"), now);
}

void ReceiverStore::handlePacket(const QByteArray &bytes)
{
    const std::optional<YXCEvent> event = YXCEvent::parse(bytes);
    if (!event) {
        qCDebug(lcEvents) << "Dropping a datagram that is no event," << bytes.size() << "bytes";
        return;
    }
    if (m_deviceInfo && m_deviceInfo->deviceId && event->deviceID && *event->deviceID != *m_deviceInfo->deviceId) {
        qCDebug(lcEvents).noquote() << "Dropping an event of another receiver," << *event->deviceID;
        return;
    }
    if (!std::exchange(m_eventsProven, true)) {
        notifyDerived();
    }
    assign(m_lastEventAt, std::optional<Clock::TimePoint>(m_clock.now()), &ReceiverStore::lastEventAtChanged);
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
    const auto status = m_status.find(zone);
    const std::optional<YXCCommand> echo = status != m_status.end() ? settingEcho(zone, status->second) : std::nullopt;
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
        const auto it = m_status.find(zone);
        if (it == m_status.end()) {
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
        setStatusEntry(zone, std::move(status));
    }

    if (event.netusb && m_playInfo) {
        PlayInfo info = *m_playInfo;
        if (event.netusb->playTime) {
            info.playTime = event.netusb->playTime;
        }
        // Also without a play time, so that the elapsed-time estimate restarts from the stored position.
        setPlayInfo(std::move(info), true);
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
    const auto running = m_eventRefreshes.find(what);
    if (running != m_eventRefreshes.end()) {
        running->second.again = true;
        running->second.thenSignal = running->second.thenSignal || thenSignal;
        return;
    }
    m_eventRefreshes.emplace(what, PendingRefresh {});
    runEventRefresh(what, thenSignal, m_taskGeneration);
}

QCoro::Task<> ReceiverStore::runEventRefresh(YXCEvent::Refresh what, bool thenSignal, quint64 taskGeneration)
{
    QPointer<ReceiverStore> self(this);
    for (;;) {
        // Through the fresh reads, so that a caller asking for the same thing meanwhile waits for this answer
        // instead of taking the state the event has just outdated.
        const Result<Done, StoreError> refreshed = co_await m_fresh.refetch(what);
        if (!isCurrent(self, taskGeneration)) {
            co_return; // stopTasks() has forgotten this run
        }
        // A failure is left to the next poll or event to correct.
        if (refreshed && thenSignal && what.zone == m_selectedZone) {
            requestSignalAfterEvent();
        }
        const auto pending = m_eventRefreshes.find(what);
        if (pending == m_eventRefreshes.end() || !pending->second.again) {
            m_eventRefreshes.erase(what);
            co_return;
        }
        thenSignal = pending->second.thenSignal;
        pending->second = PendingRefresh {};
    }
}

void ReceiverStore::requestSignalAfterEvent()
{
    if (m_signalFetchInFlight) {
        m_signalFetchAgain = true;
        return;
    }
    fetchSignal();
}

QCoro::Task<Result<Done, StoreError>> ReceiverStore::refresh(YXCEvent::Refresh what, Cancellation cancel)
{
    QPointer<ReceiverStore> self(this);
    const Epoch asked = epoch();
    const FreshReads::Ticket ticket = m_fresh.began(what);
    // A failure because the caller left is nobody's business: no error is recorded or shown for it.
    const auto failed = [&cancel](const YXCError &error) {
        return cancel.isCancelled() ? StoreError::abandoned() : StoreError(error);
    };
    switch (what.kind) {
    case YXCEvent::Refresh::Kind::status: {
        const quint64 acceptedBefore = m_acceptedChanges[what.zone];
        Result<ZoneStatus, YXCError> status
            = co_await asked.transport->fetch<ZoneStatus>(YXCCommand::getStatus(what.zone), cancel);
        if (!isCurrent(self, asked)) {
            co_return Failure { StoreError::superseded() };
        }
        if (!status) {
            co_return Failure { failed(status.error()) };
        }
        m_fresh.succeeded(ticket);
        noteAnswer();
        // A change the receiver accepted while this answer was on its way is already stored, and the answer may
        // predate it: it is dropped rather than shown for a moment. The read after the change tells the truth.
        if (m_acceptedChanges[what.zone] != acceptedBefore) {
            qCDebug(lcStore).noquote() << "Dropping a status answer older than an accepted change of"
                                       << rawValue(what.zone);
            co_return Done {};
        }
        setStatusEntry(what.zone, std::move(status).value());
        co_return Done {};
    }
    case YXCEvent::Refresh::Kind::playInfo: {
        Result<PlayInfo, YXCError> info = co_await asked.transport->fetch<PlayInfo>(YXCCommand::getPlayInfo(), cancel);
        if (!isCurrent(self, asked)) {
            co_return Failure { StoreError::superseded() };
        }
        if (!info) {
            co_return Failure { failed(info.error()) };
        }
        m_fresh.succeeded(ticket);
        noteAnswer();
        if (m_playInfo != info.value()) {
            setPlayInfo(info.value(), true);
        }
        // The cover loads on its own: a slow or hanging picture must hold up neither the connection, nor the
        // polling, nor anyone waiting for this read. It checks on its own that it is still wanted when it lands.
        updateAlbumArt(info->albumartUrl.value_or(QString()));
        co_return Done {};
    }
    case YXCEvent::Refresh::Kind::names: {
        Result<NameText, YXCError> names = co_await asked.transport->fetch<NameText>(YXCCommand::getNameText(), cancel);
        if (!isCurrent(self, asked)) {
            co_return Failure { StoreError::superseded() };
        }
        if (!names) {
            co_return Failure { failed(names.error()) };
        }
        m_fresh.succeeded(ticket);
        noteAnswer();
        assign(m_names, std::optional<NameText>(std::move(names).value()), &ReceiverStore::namesChanged);
        co_return Done {};
    }
    case YXCEvent::Refresh::Kind::presets: {
        if (!supportsFavourites()) {
            // A receiver that announces none has none; before its features are known, the list read stays.
            if (m_features) {
                assign(m_favourites, QList<ListedPreset>(), &ReceiverStore::favouritesChanged);
            }
            co_return Done {};
        }
        Result<PresetInfo, YXCError> info
            = co_await asked.transport->fetch<PresetInfo>(YXCCommand::getPresetInfo(), cancel);
        if (!isCurrent(self, asked)) {
            co_return Failure { StoreError::superseded() };
        }
        if (!info) {
            if (cancel.isCancelled()) {
                co_return Failure { StoreError::abandoned() };
            }
            // The last list stays: favourites read a moment ago are still the receiver's.
            recordLoadFailure(QStringLiteral("netusb/getPresetInfo"), info.error().description());
            co_return Failure { StoreError(info.error()) };
        }
        m_fresh.succeeded(ticket);
        noteAnswer();
        const std::optional<int> slots = supportsFavourites() ? m_features->netusb->preset->num : std::optional<int>();
        assign(m_favourites, info->listed(slots), &ReceiverStore::favouritesChanged);
        co_return Done {};
    }
    case YXCEvent::Refresh::Kind::features: {
        Result<Features, YXCError> features
            = co_await asked.transport->fetch<Features>(YXCCommand::getFeatures(), cancel);
        if (!isCurrent(self, asked)) {
            co_return Failure { StoreError::superseded() };
        }
        if (!features) {
            co_return Failure { failed(features.error()) };
        }
        m_fresh.succeeded(ticket);
        noteAnswer();
        const bool hadFeatures = m_features.has_value();
        assign(m_features, std::optional<Features>(std::move(features).value()), &ReceiverStore::featuresChanged);
        if (!hadFeatures) {
            requestRefresh(YXCEvent::Refresh::presets(), false); // only now known to be announced
        }
        co_return Done {};
    }
    }
    co_return Done {};
}

QCoro::Task<> ReceiverStore::updateAlbumArt(QString path)
{
    if (m_artPath && *m_artPath == path) {
        co_return; // current, or already loading
    }
    m_artPath = path;
    const quint64 request = ++m_artRequest;
    if (path.isEmpty()) {
        m_transport->cancelAlbumArt();
        assign(m_albumArt, std::optional<QImage>(), &ReceiverStore::albumArtChanged);
        assign(m_displayTint, DisplayTint::defaultTint(), &ReceiverStore::displayTintChanged);
        co_return;
    }
    QPointer<ReceiverStore> self(this);
    const std::shared_ptr<ReceiverTransport> transport = m_transport;
    std::optional<QImage> image = co_await transport->albumArt(path);
    if (!self || m_destroying || m_artRequest != request || m_transport != transport) {
        co_return; // another cover was asked for meanwhile
    }
    if (image && image->isNull()) {
        image.reset();
    }
    const QColor tint = DisplayTint::forCover(image);
    assign(m_albumArt, std::move(image), &ReceiverStore::albumArtChanged);
    assign(m_displayTint, tint, &ReceiverStore::displayTintChanged);
}

void ReceiverStore::refreshSignal()
{
    fetchSignal();
}

QCoro::Task<> ReceiverStore::fetchSignal()
{
    if (!canFetchSignal() || m_signalFetchInFlight) {
        co_return;
    }
    QPointer<ReceiverStore> self(this);
    m_signalFetchInFlight = true;
    const Zone zone = m_selectedZone;
    const Epoch asked = epoch();
    const int generation = m_signalGeneration;

    Result<SignalInfo, YXCError> info = co_await asked.transport->fetch<SignalInfo>(YXCCommand::getSignalInfo(zone));
    if (!self || m_destroying) {
        co_return;
    }
    m_signalFetchInFlight = false;
    const bool again = std::exchange(m_signalFetchAgain, false);
    const bool unchanged = zone == m_selectedZone && isCurrent(self, asked) && generation == m_signalGeneration;
    if (info) {
        if (unchanged) {
            noteAnswer();
        }
        if (unchanged && canFetchSignal()) {
            setSignal(std::move(info).value(), zone);
        }
    } else if (unchanged) {
        setSignal(std::nullopt, std::nullopt);
    }
    if (again) {
        fetchSignal();
    }
}

void ReceiverStore::signalVisibilityChanged()
{
    if (signalPanelVisible()) {
        return;
    }
    ++m_signalGeneration;
    setSignal(std::nullopt, std::nullopt);
}

} // namespace amplora
