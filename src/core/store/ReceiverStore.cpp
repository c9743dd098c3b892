#include "core/store/ReceiverStore.h"

#include "core/Logging.h"
#include "core/capabilities/Playback.h"
#include "core/capabilities/Power.h"
#include "core/capabilities/Presets.h"
#include "core/capabilities/Switches.h"
#include "core/capabilities/Tone.h"
#include "core/capabilities/Volume.h"
#include "core/discovery/MockDiscovery.h"
#include "core/events/YXCEventListener.h"
#include "core/handoff/DryRunSpotifyOpener.h"
#include "core/handoff/SpotifyHandoff.h"
#include "core/protocol/Features.h"
#include "core/store/AppSettings.h"
#include "core/store/DisplayTint.h"
#include "core/store/MockTransport.h"

#include <cmath>
#include <limits>

namespace amplora {

namespace {

const QString segmentSeparator = QStringLiteral("  \u00B7  ");

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

ReceiverStore::ReceiverStore(AppSettings &settings, LaunchOptions launch, Parts parts, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_launch(std::move(launch))
    , m_clock(parts.clock ? *parts.clock : Clock::system())
    , m_edits(m_clock, [this](const YXCCommand &command) { perform(command); })
    , m_fresh(
          m_clock, [this](YXCEvent::Refresh what, Cancellation cancel) { return refresh(what, std::move(cancel)); },
          [this] { return updates() == UpdatesState::push; })
    , m_transportFactory(std::move(parts.transportFactory))
    // A store built without these parts stays off the network and starts no other application: the
    // application's own parts come from its composition root.
    , m_discovery(parts.discovery ? std::move(parts.discovery) : std::make_unique<MockDiscovery>())
    , m_eventBindAddress(parts.eventBindAddress)
    , m_requestedEventPort(parts.eventPort)
    , m_playInfoReceivedAt(m_clock.now())
    , m_displayTint(DisplayTint::defaultTint())
{
    m_transport = parts.transport ? std::move(parts.transport) : makeTransport();
    m_transportHost = m_settings.host();
    takeTransportEvents();
    m_spotifyHandoff = std::make_unique<SpotifyHandoff>(
        parts.spotifyOpener ? std::move(parts.spotifyOpener) : std::make_unique<DryRunSpotifyOpener>(), m_clock);
    m_derived = computeDerived();
    QObject::connect(&m_edits, &PendingEdits::editsChanged, this, [this] {
        Q_EMIT editsChanged();
        notifyDerived();
    });
    // The shown value falls back to the receiver's once the hold has passed; tell the observers then.
    QObject::connect(&m_edits, &PendingEdits::holdEnded, this, [this] { notifyDerived(); });
}

ReceiverStore::~ReceiverStore()
{
    // Every coroutine that is still waiting checks `m_destroying` when it resumes, so resuming them here (sleeps
    // woken, a discovery run cancelled) lets them end without touching the store.
    m_destroying = true;
    stopTasks();
    if (m_transport) {
        m_transport->cancelAlbumArt();
    }
    if (m_discovery) {
        m_discovery->cancel();
        m_discovery.reset();
    }
}

bool ReceiverStore::isCurrent(const QPointer<ReceiverStore> &self, const Epoch &epoch)
{
    return self && !self->m_destroying && self->m_epoch == epoch.value && self->m_transport == epoch.transport;
}

bool ReceiverStore::isCurrent(const QPointer<ReceiverStore> &self, quint64 taskGeneration)
{
    return self && !self->m_destroying && self->m_taskGeneration == taskGeneration;
}

// ---- state ----

void ReceiverStore::setSelectedZone(Zone zone)
{
    if (m_selectedZone == zone) {
        return;
    }
    m_selectedZone = zone;
    // A signal report asked for the previous zone must not be shown for this one, even after switching back.
    ++m_signalGeneration;
    Q_EMIT selectedZoneChanged();
    notifyDerived();
}

void ReceiverStore::setFrontPanelVisible(bool visible)
{
    assign(m_frontPanelVisible, visible, &ReceiverStore::frontPanelVisibleChanged);
}

void ReceiverStore::setSignalStripVisible(bool visible)
{
    assign(m_signalStripVisible, visible, &ReceiverStore::signalStripVisibleChanged);
}

void ReceiverStore::setConnection(ConnectionState state)
{
    if (m_addressNoticeIsRefusal && state.is(ConnectionState::Kind::connected)) {
        setAddressNotice(std::nullopt); // the receiver answers where it is: nothing is left to decide
    }
    assign(m_connection, std::move(state), &ReceiverStore::connectionChanged);
}

void ReceiverStore::setLastError(std::optional<QString> text)
{
    assign(m_lastError, std::move(text), &ReceiverStore::lastErrorChanged);
}

void ReceiverStore::setStatusEntry(Zone zone, ZoneStatus status)
{
    const auto it = m_status.find(zone);
    if (it != m_status.end() && it->second == status) {
        return;
    }
    m_status[zone] = std::move(status);
    Q_EMIT statusChanged();
    notifyDerived();
}

void ReceiverStore::setPlayInfo(std::optional<PlayInfo> info, bool touchReceivedAt)
{
    assign(m_playInfo, std::move(info), &ReceiverStore::playInfoChanged);
    if (touchReceivedAt) {
        setPlayInfoReceivedAt(m_clock.now());
    }
}

void ReceiverStore::setPlayInfoReceivedAt(Clock::TimePoint at)
{
    assign(m_playInfoReceivedAt, at, &ReceiverStore::playInfoReceivedAtChanged);
}

void ReceiverStore::setSignal(std::optional<SignalInfo> info, std::optional<Zone> zone)
{
    assign(m_signalInfo, std::move(info), &ReceiverStore::signalInfoChanged);
    assign(m_signalZone, zone, &ReceiverStore::signalZoneChanged);
}

void ReceiverStore::setNeedsReceiverSetup(bool needed)
{
    assign(m_needsReceiverSetup, needed, &ReceiverStore::needsReceiverSetupChanged);
}

void ReceiverStore::setNetworkName(std::optional<QString> name)
{
    assign(m_networkName, std::move(name), &ReceiverStore::networkNameChanged);
}

quint64 ReceiverStore::droppedEventDatagrams() const
{
    return m_listener ? m_listener->droppedCount() : 0;
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
    notifyDerived(); // the status line's read-only segment follows the transport
    if (m_listener) {
        updateEventSenders(); // events of the receiver at its new address count at once
    }
}

QString ReceiverStore::loadFailure(const QString &label, const QString &description) const
{
    QString text = label + QStringLiteral(": ") + description;
    qCCritical(lcLoading).noquote() << text;
    return text;
}

void ReceiverStore::recordLoadFailure(const QString &label, const QString &description)
{
    const QString text = loadFailure(label, description);
    if (m_lastError && m_lastError->contains(text)) {
        return;
    }
    setLastError(m_lastError ? *m_lastError + QStringLiteral("; ") + text : text);
}

void ReceiverStore::clearReceiverState()
{
    setSignal(std::nullopt, std::nullopt);
    assign(m_deviceInfo, std::optional<DeviceInfo>(), &ReceiverStore::deviceInfoChanged);
    assign(m_features, std::optional<Features>(), &ReceiverStore::featuresChanged);
    assign(m_names, std::optional<NameText>(), &ReceiverStore::namesChanged);
    assign(m_status, std::map<Zone, ZoneStatus>(), &ReceiverStore::statusChanged);
    setPlayInfo(std::nullopt, false);
    assign(m_favourites, QList<ListedPreset>(), &ReceiverStore::favouritesChanged);
    setNetworkName(std::nullopt);
    assign(m_albumArt, std::optional<QImage>(), &ReceiverStore::albumArtChanged);
    m_artPath.reset();
    ++m_artRequest;
    assign(m_displayTint, DisplayTint::defaultTint(), &ReceiverStore::displayTintChanged);
    assign(m_lastEventAt, std::optional<Clock::TimePoint>(), &ReceiverStore::lastEventAtChanged);
}

// ---- derived values ----

QList<Zone> ReceiverStore::availableZones() const
{
    QList<Zone> zones;
    for (Zone zone : allZones) {
        if (m_status.contains(zone)) {
            zones.append(zone);
        }
    }
    return zones;
}

QString ReceiverStore::statusLine() const
{
    QStringList segments;
    if (m_launch.mock) {
        segments.append(QStringLiteral("MOCK DATA"));
    }
    if (m_transport && m_transport->isReadOnly()) {
        segments.append(QStringLiteral("READ-ONLY"));
    }
    switch (m_connection.kind()) {
    case ConnectionState::Kind::idle:
    case ConnectionState::Kind::connecting:
        segments.append(QStringLiteral("Connecting\u2026"));
        break;
    case ConnectionState::Kind::connected:
        switch (updates()) {
        case UpdatesState::push:
            segments.append(QStringLiteral("Live \u00B7 push events"));
            break;
        case UpdatesState::polling:
            segments.append(QStringLiteral("Live \u00B7 polling"));
            break;
        case UpdatesState::stale:
            segments.append(QStringLiteral("Stale"));
            break;
        }
        break;
    case ConnectionState::Kind::failed:
        segments.append(QStringLiteral("Offline: ") + m_connection.reason());
        break;
    }
    if (m_addressNotice) {
        segments.append(*m_addressNotice);
    }
    return segments.join(segmentSeparator);
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

std::optional<quint16> ReceiverStore::boundEventPort() const
{
    if (!m_listener || m_listener->port() == 0) {
        return std::nullopt;
    }
    return m_listener->port();
}

std::optional<ZoneStatus> ReceiverStore::currentStatus() const
{
    const auto it = m_status.find(m_selectedZone);
    if (it == m_status.end()) {
        return std::nullopt;
    }
    return it->second;
}

QString ReceiverStore::zoneTitle() const
{
    std::optional<QString> zoneName = m_names ? m_names->zoneName(m_selectedZone) : std::nullopt;
    QStringList parts { zoneName.value_or(
        m_selectedZone == Zone::main ? QStringLiteral("Main") : QStringLiteral("Zone 2")) };
    if (m_deviceInfo && m_deviceInfo->modelName) {
        parts.append(*m_deviceInfo->modelName);
    }
    return parts.join(QStringLiteral(" \u00B7 "));
}

std::optional<VolumeScale> ReceiverStore::volumeScale(Zone zone) const
{
    if (!m_features) {
        return std::nullopt;
    }
    const ZoneFeatures *zoneFeatures = m_features->zoneFeatures(zone);
    return zoneFeatures ? VolumeScale::from(*zoneFeatures) : std::nullopt;
}

std::optional<double> ReceiverStore::displayedVolumeDB() const
{
    if (const auto edit = editValue(QStringLiteral("volume.") + rawValue(m_selectedZone))) {
        return edit;
    }
    const auto status = currentStatus();
    return status ? Volume::db(*status, volumeScale(m_selectedZone)) : std::nullopt;
}

std::optional<int> ReceiverStore::displayedLevel(const QString &name) const
{
    if (const auto edit = editValue(name + u'.' + rawValue(m_selectedZone))) {
        const double truncated = std::trunc(*edit);
        if (truncated >= std::numeric_limits<int>::min() && truncated <= std::numeric_limits<int>::max()) {
            return int(truncated);
        }
        return std::nullopt;
    }
    const auto status = currentStatus();
    if (!status) {
        return std::nullopt;
    }
    if (name == QStringLiteral("bass")) {
        return status->toneControl ? status->toneControl->bass : std::nullopt;
    }
    if (name == QStringLiteral("treble")) {
        return status->toneControl ? status->toneControl->treble : std::nullopt;
    }
    if (name == QStringLiteral("subwoofer")) {
        return status->subwooferVolume;
    }
    if (name == QStringLiteral("dialogue")) {
        return status->dialogueLevel;
    }
    return std::nullopt;
}

std::optional<double> ReceiverStore::displayedLevelDb(const QString &name) const
{
    const std::optional<int> raw = displayedLevel(name);
    return raw ? std::optional(Levels::levelDb(*raw)) : std::nullopt;
}

const ZoneFeatures *ReceiverStore::selectedZoneFeatures() const
{
    return m_features ? m_features->zoneFeatures(m_selectedZone) : nullptr;
}

bool ReceiverStore::supports(const QString &function) const
{
    return announces(selectedZoneFeatures(), function);
}

bool ReceiverStore::supportsDirect() const
{
    return Direct::supported(selectedZoneFeatures());
}

std::optional<RangeStep> ReceiverStore::dialogueRange() const
{
    return Dialogue::range(selectedZoneFeatures());
}

int ReceiverStore::receiverSceneCount() const
{
    return ReceiverScenes::count(selectedZoneFeatures());
}

bool ReceiverStore::supportsFavourites() const
{
    return Favourites::supported(m_features, m_selectedZone);
}

QStringList ReceiverStore::repeatModes() const
{
    return PlayerModes::offered(Capability::repeat, m_playInfo);
}

QStringList ReceiverStore::shuffleModes() const
{
    return PlayerModes::offered(Capability::shuffle, m_playInfo);
}

std::optional<QString> ReceiverStore::manualToneMode() const
{
    return Tone::manualMode(selectedZoneFeatures());
}

bool ReceiverStore::isSpotifyActive() const
{
    return Playback::isPlaying(m_playInfo) && m_playInfo->input == QStringLiteral("spotify") && m_playInfo->track
        && !m_playInfo->track->isEmpty();
}

bool ReceiverStore::needsSpotifyPrompt() const
{
    const auto status = currentStatus();
    if (!Power::isOn(status) || status->input != QStringLiteral("spotify")) {
        return false;
    }
    return !m_playInfo || m_playInfo->input != QStringLiteral("spotify") || !m_playInfo->hasMetadata()
        || Playback::isStopped(*m_playInfo);
}

std::optional<int> ReceiverStore::elapsedPlayTime(Clock::TimePoint now) const
{
    if (!m_playInfo || !m_playInfo->playTime || *m_playInfo->playTime < 0) {
        return std::nullopt;
    }
    qint64 elapsed = 0;
    if (Playback::isPlaying(m_playInfo) && now > m_playInfoReceivedAt) {
        elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - m_playInfoReceivedAt).count();
    }
    qint64 position = qint64(*m_playInfo->playTime) + elapsed;
    if (m_playInfo->totalTime && *m_playInfo->totalTime >= 1) {
        position = std::min<qint64>(position, *m_playInfo->totalTime);
    }
    return int(std::min<qint64>(position, std::numeric_limits<int>::max()));
}

bool ReceiverStore::signalPanelVisible() const
{
    return m_settings.frontPanelDisplay() ? m_frontPanelVisible : m_signalStripVisible;
}

bool ReceiverStore::canFetchSignal() const
{
    if (!m_connection.is(ConnectionState::Kind::connected) || !signalPanelVisible()) {
        return false;
    }
    const auto status = currentStatus();
    return Power::isOn(status) && supports(QStringLiteral("signal_info"));
}

QString ReceiverStore::signalKey() const
{
    return rawValue(m_selectedZone) + u'-' + (canFetchSignal() ? QStringLiteral("true") : QStringLiteral("false"));
}

std::optional<SignalInfo> ReceiverStore::currentSignalInfo() const
{
    if (canFetchSignal() && m_signalZone == m_selectedZone) {
        return m_signalInfo;
    }
    return std::nullopt;
}

ReceiverStore::Derived ReceiverStore::computeDerived() const
{
    Derived d;
    d.availableZones = availableZones();
    d.statusLine = statusLine();
    d.updates = updates();
    d.currentStatus = currentStatus();
    d.zoneTitle = zoneTitle();
    d.displayedVolumeDB = displayedVolumeDB();
    d.bass = displayedLevel(QStringLiteral("bass"));
    d.treble = displayedLevel(QStringLiteral("treble"));
    d.subwoofer = displayedLevel(QStringLiteral("subwoofer"));
    d.dialogue = displayedLevel(QStringLiteral("dialogue"));
    d.supportsExtraBass = supportsExtraBass();
    d.supportsSurroundAI = supportsSurroundAI();
    d.supportsSleep = supportsSleep();
    d.supportsDirect = supportsDirect();
    d.supportsEnhancer = supportsEnhancer();
    d.dialogueRange = dialogueRange();
    d.receiverSceneCount = receiverSceneCount();
    d.supportsFavourites = supportsFavourites();
    d.repeatModes = repeatModes();
    d.shuffleModes = shuffleModes();
    d.manualToneMode = manualToneMode();
    d.isSpotifyActive = isSpotifyActive();
    d.needsSpotifyPrompt = needsSpotifyPrompt();
    d.canFetchSignal = canFetchSignal();
    d.signalKey = signalKey();
    d.currentSignalInfo = currentSignalInfo();
    return d;
}

void ReceiverStore::notifyDerived()
{
    // The derived values are computed on demand; this only tells observers which of them really changed.
    Derived next = computeDerived();
    std::swap(next, m_derived);
    const Derived &now = m_derived;
    const Derived &before = next;
    const auto announce = [this](bool changed, void (ReceiverStore::*signal)()) {
        if (changed) {
            Q_EMIT(this->*signal)();
        }
    };
    announce(now.availableZones != before.availableZones, &ReceiverStore::availableZonesChanged);
    announce(now.statusLine != before.statusLine, &ReceiverStore::statusLineChanged);
    announce(now.updates != before.updates, &ReceiverStore::updatesChanged);
    announce(now.currentStatus != before.currentStatus, &ReceiverStore::currentStatusChanged);
    announce(now.zoneTitle != before.zoneTitle, &ReceiverStore::zoneTitleChanged);
    announce(now.displayedVolumeDB != before.displayedVolumeDB, &ReceiverStore::displayedVolumeDBChanged);
    announce(now.bass != before.bass || now.treble != before.treble || now.subwoofer != before.subwoofer
            || now.dialogue != before.dialogue,
        &ReceiverStore::displayedLevelsChanged);
    announce(now.supportsExtraBass != before.supportsExtraBass, &ReceiverStore::supportsExtraBassChanged);
    announce(now.supportsSurroundAI != before.supportsSurroundAI, &ReceiverStore::supportsSurroundAIChanged);
    announce(now.supportsSleep != before.supportsSleep, &ReceiverStore::supportsSleepChanged);
    announce(now.supportsDirect != before.supportsDirect, &ReceiverStore::supportsDirectChanged);
    announce(now.supportsEnhancer != before.supportsEnhancer, &ReceiverStore::supportsEnhancerChanged);
    announce(now.dialogueRange != before.dialogueRange, &ReceiverStore::dialogueRangeChanged);
    announce(now.receiverSceneCount != before.receiverSceneCount, &ReceiverStore::receiverSceneCountChanged);
    announce(now.supportsFavourites != before.supportsFavourites, &ReceiverStore::supportsFavouritesChanged);
    announce(now.repeatModes != before.repeatModes, &ReceiverStore::repeatModesChanged);
    announce(now.shuffleModes != before.shuffleModes, &ReceiverStore::shuffleModesChanged);
    announce(now.manualToneMode != before.manualToneMode, &ReceiverStore::manualToneModeChanged);
    announce(now.isSpotifyActive != before.isSpotifyActive, &ReceiverStore::isSpotifyActiveChanged);
    announce(now.needsSpotifyPrompt != before.needsSpotifyPrompt, &ReceiverStore::needsSpotifyPromptChanged);
    announce(now.canFetchSignal != before.canFetchSignal, &ReceiverStore::canFetchSignalChanged);
    announce(now.signalKey != before.signalKey, &ReceiverStore::signalKeyChanged);
    announce(now.currentSignalInfo != before.currentSignalInfo, &ReceiverStore::currentSignalInfoChanged);
    scheduleUpdatesCheck();
}

// ---- connection ----

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
    assign(m_deviceInfo, std::optional<DeviceInfo>(device.value()), &ReceiverStore::deviceInfoChanged);
    if (features) {
        assign(m_features, std::optional<Features>(features.value()), &ReceiverStore::featuresChanged);
    }
    if (names) {
        assign(m_names, std::optional<NameText>(names.value()), &ReceiverStore::namesChanged);
    }
    assign(m_status, std::move(statuses), &ReceiverStore::statusChanged);
    setLastError(failures.isEmpty() ? std::nullopt : std::optional<QString>(failures.join(QStringLiteral("; "))));
    if (!m_status.contains(m_selectedZone)) {
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
    if (m_launch.mock || !m_settings.deviceID() || m_isScanning) {
        co_return;
    }
    const Clock::TimePoint now = m_clock.now();
    if (m_lastRecovery && now - *m_lastRecovery <= recoverySpacing) {
        co_return;
    }
    m_lastRecovery = now;

    QPointer<ReceiverStore> self(this);
    const QString savedID = *m_settings.deviceID();
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

    const QString newHost = claimants.first();
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
    m_signalFetchAgain = false;
    if (m_listener) {
        m_listener->stop();
        m_listener.reset();
    }
    m_sleeps.wakeAll();
    m_eventWaits.wakeAll();
}

} // namespace amplora
