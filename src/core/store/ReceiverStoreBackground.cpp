// The store's background work: the push-event task, the polling loop, event merging, refreshes, album art and
// the input-signal fetch.

#include "core/store/ReceiverStore.h"

#include "core/Logging.h"
#include "core/events/YXCEventListener.h"
#include "core/protocol/Features.h"
#include "core/store/DisplayTint.h"
#include "core/store/ReceiverAddress.h"

namespace amplora {

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
        if (!registered) {
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
        const bool eventsFlowing = m_lastEventAt && m_clock.now() - *m_lastEventAt < eventsFreshFor;
        const bool slept = co_await m_sleeps.sleep(m_clock, eventsFlowing ? pollPauseWithEvents : pollPause, this);
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
    } else {
        recordLoadFailure(label, answer.error().description());
    }
}

QCoro::Task<> ReceiverStore::ensureFeaturesAndNames(Clock::TimePoint now)
{
    QPointer<ReceiverStore> self(this);
    const Epoch asked = epoch();
    co_await reloadIfMissing(&ReceiverStore::m_features, &ReceiverStore::m_lastFeaturesAttempt,
        &ReceiverStore::featuresChanged, YXCCommand::getFeatures(), QStringLiteral("system/getFeatures"), now);
    if (!isCurrent(self, asked)) {
        co_return;
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
    assign(m_lastEventAt, std::optional<Clock::TimePoint>(m_clock.now()), &ReceiverStore::lastEventAtChanged);
    apply(*event);
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
        if (change.volume) {
            status.volume = change.volume;
            if (const auto scale = volumeScale(zone)) {
                status.actualVolume = ActualVolume {
                    QStringLiteral("db"),
                    scale->minDB + scale->stepDB * *change.volume,
                    QStringLiteral("dB"),
                };
            }
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
        const Result<Done, StoreError> refreshed = co_await refresh(what);
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

QCoro::Task<Result<Done, StoreError>> ReceiverStore::refresh(YXCEvent::Refresh what)
{
    QPointer<ReceiverStore> self(this);
    const Epoch asked = epoch();
    const FreshReads::Ticket ticket = m_fresh.began(what);
    switch (what.kind) {
    case YXCEvent::Refresh::Kind::status: {
        Result<ZoneStatus, YXCError> status
            = co_await asked.transport->fetch<ZoneStatus>(YXCCommand::getStatus(what.zone));
        if (!isCurrent(self, asked)) {
            co_return Failure { StoreError::superseded() };
        }
        if (!status) {
            co_return Failure { StoreError(status.error()) };
        }
        m_fresh.succeeded(ticket);
        setStatusEntry(what.zone, std::move(status).value());
        co_return Done {};
    }
    case YXCEvent::Refresh::Kind::playInfo: {
        Result<PlayInfo, YXCError> info = co_await asked.transport->fetch<PlayInfo>(YXCCommand::getPlayInfo());
        if (!isCurrent(self, asked)) {
            co_return Failure { StoreError::superseded() };
        }
        if (!info) {
            co_return Failure { StoreError(info.error()) };
        }
        m_fresh.succeeded(ticket);
        if (m_playInfo != info.value()) {
            setPlayInfo(info.value(), true);
        }
        co_await updateAlbumArt(info->albumartUrl.value_or(QString()));
        co_return Done {};
    }
    case YXCEvent::Refresh::Kind::names: {
        Result<NameText, YXCError> names = co_await asked.transport->fetch<NameText>(YXCCommand::getNameText());
        if (!isCurrent(self, asked)) {
            co_return Failure { StoreError::superseded() };
        }
        if (!names) {
            co_return Failure { StoreError(names.error()) };
        }
        m_fresh.succeeded(ticket);
        assign(m_names, std::optional<NameText>(std::move(names).value()), &ReceiverStore::namesChanged);
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
