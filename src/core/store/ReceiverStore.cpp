// The store itself: its parts, the epochs that tell current answers from stale ones, and the setters of what it
// holds, each telling its observers.

#include "core/store/ReceiverStore.h"

#include "core/Logging.h"
#include "core/handoff/DryRunSpotifyOpener.h"
#include "core/handoff/SpotifyHandoff.h"
#include "core/store/AppSettings.h"
#include "core/store/DisplayTint.h"

namespace amplora {

ReceiverStore::ReceiverStore(AppSettings &settings, LaunchOptions launch, Parts parts, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_launch(std::move(launch))
    , m_clock(parts.clock ? *parts.clock : Clock::system())
    , m_state(m_clock.now())
    , m_edits(m_clock, [this](const YXCCommand &command) { perform(command); })
    , m_fresh(
          m_clock, [this](YXCEvent::Refresh what, Cancellation cancel) { return refresh(what, std::move(cancel)); },
          [this] { return updates() == UpdatesState::push; })
    , m_link(m_settings, m_launch, m_clock,
          ReceiverConnection::Parts { std::move(parts.transport), std::move(parts.discovery),
              std::move(parts.transportFactory), parts.eventBindAddress, parts.eventPort })
{
    // A store built without the opener starts no other application: the application's own parts come from its
    // composition root.
    m_spotifyHandoff = std::make_unique<SpotifyHandoff>(
        parts.spotifyOpener ? std::move(parts.spotifyOpener) : std::make_unique<DryRunSpotifyOpener>(), m_clock);
    m_derived = computeDerived();
    QObject::connect(&m_edits, &PendingEdits::editsChanged, this, [this] {
        Q_EMIT editsChanged();
        notifyDerived();
    });
    // Every change of what was read may change what is derived from it.
    for (const auto changed : { &ReceiverState::receiverChanged, &ReceiverState::zonesChanged,
             &ReceiverState::playbackChanged, &ReceiverState::signalChanged }) {
        QObject::connect(&m_state, changed, this, [this] { notifyDerived(); });
    }
    // The shown value falls back to the receiver's once the hold has passed; tell the observers then.
    QObject::connect(&m_edits, &PendingEdits::holdEnded, this, [this] { notifyDerived(); });
    followLink();
}

void ReceiverStore::followLink()
{
    using Signal = void (ReceiverConnection::*)();
    using Own = void (ReceiverStore::*)();
    const std::pair<Signal, Own> forwarded[] = {
        { &ReceiverConnection::stateChanged, &ReceiverStore::connectionChanged },
        { &ReceiverConnection::foundReceiversChanged, &ReceiverStore::foundReceiversChanged },
        { &ReceiverConnection::isScanningChanged, &ReceiverStore::isScanningChanged },
        { &ReceiverConnection::discoveryMessageChanged, &ReceiverStore::discoveryMessageChanged },
        { &ReceiverConnection::needsReceiverSetupChanged, &ReceiverStore::needsReceiverSetupChanged },
        { &ReceiverConnection::addressNoticeChanged, &ReceiverStore::addressNoticeChanged },
        { &ReceiverConnection::networkNameChanged, nullptr },
        { &ReceiverConnection::eventPortChanged, nullptr },
        { &ReceiverConnection::freshnessChanged, nullptr },
    };
    for (const std::pair<Signal, Own> &link : forwarded) {
        const Own own = link.second;
        QObject::connect(&m_link, link.first, this, [this, own] {
            if (own) {
                Q_EMIT(this->*own)();
            }
            notifyDerived();
        });
    }
    QObject::connect(&m_link, &ReceiverConnection::transportChanged, this, [this] {
        m_fresh.forget(); // what was read through the old transport is the old receiver's
        Q_EMIT transportChanged();
        notifyDerived();
    });
    QObject::connect(&m_link, &ReceiverConnection::packetReceived, this, [this](const QByteArray &datagram) {
        if (!m_destroying) {
            handlePacket(datagram);
        }
    });
    QObject::connect(
        &m_link, &ReceiverConnection::errorOccurred, this, [this](const QString &text) { setLastError(text); });
}

ReceiverStore::~ReceiverStore()
{
    // Every coroutine that is still waiting checks `m_destroying` when it resumes, so resuming them here (sleeps
    // woken, a discovery run cancelled) lets them end without touching the store.
    m_destroying = true;
    stopTasks();
    m_link.shutDown();
}

bool ReceiverStore::isCurrent(const QPointer<ReceiverStore> &self, const Epoch &epoch)
{
    return self && !self->m_destroying && self->m_link.isCurrent(epoch);
}

bool ReceiverStore::isCurrent(const QPointer<ReceiverStore> &self, quint64 taskGeneration)
{
    return self && !self->m_destroying && self->m_taskGeneration == taskGeneration;
}

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

void ReceiverStore::setLastError(std::optional<QString> text)
{
    assign(m_lastError, std::move(text), &ReceiverStore::lastErrorChanged);
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
    m_state.setSignal(std::nullopt, std::nullopt);
    m_state.setDeviceInfo(std::nullopt);
    m_state.setFeatures(std::nullopt);
    m_state.setNames(std::nullopt);
    m_state.setStatus({});
    m_state.setPlayInfo(std::nullopt, std::nullopt);
    m_state.setFavourites({});
    m_state.setDistribution(std::nullopt);
    m_state.setTunerPlayInfo(std::nullopt);
    m_state.setTunerPresets({});
    m_link.setNetworkName(std::nullopt);
    m_artPath.reset();
    ++m_artRequest;
    m_state.setAlbumArt(std::nullopt, DisplayTint::defaultTint());
    m_link.forgetLastEvent();
}

} // namespace amplora
