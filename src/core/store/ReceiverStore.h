#pragma once

#include "base/Clock.h"
#include "base/Result.h"
#include "base/SingleFlight.h"
#include "core/capabilities/Capability.h"
#include "core/capabilities/Tuner.h"
#include "core/discovery/DiscoveredReceiver.h"
#include "core/discovery/ReceiverDiscovering.h"
#include "core/events/YXCEvent.h"
#include "core/handoff/SpotifyOpening.h"
#include "core/protocol/ReceiverTransport.h"
#include "core/protocol/VolumeScale.h"
#include "core/protocol/YXCPayload.h"
#include "core/store/ConnectionState.h"
#include "core/store/FreshReads.h"
#include "core/store/LaunchOptions.h"
#include "core/store/PendingEdits.h"
#include "core/store/PushEventCheckError.h"
#include "core/store/ReceiverConnection.h"
#include "core/store/ReceiverState.h"
#include "core/store/SleepGroup.h"
#include "core/store/StoreError.h"
#include "core/store/UpdatesState.h"

#include <QColor>
#include <QCoroTask>
#include <QHostAddress>
#include <QImage>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace amplora {

class AppSettings;
class SpotifyHandoff;

// What the store runs on. The application's parts come from its composition root (app/startup/StoreParts); a
// part left out falls back to one that stays off the network and starts nothing: the launch options' transport
// for the settings' host, the sample receivers for discovery, a dry-run Spotify opener.
struct ReceiverStoreParts {
    std::shared_ptr<ReceiverTransport> transport;
    std::unique_ptr<ReceiverDiscovering> discovery;
    std::function<std::shared_ptr<ReceiverTransport>(const QString &host)> transportFactory;
    std::unique_ptr<SpotifyOpening> spotifyOpener;
    Clock *clock = nullptr; // the system clock when absent; must outlive the store
    // Where push events are received. The receiver sends from the LAN, so every IPv4 interface by default;
    // tests bind loopback.
    QHostAddress eventBindAddress = QHostAddress(QHostAddress::AnyIPv4);
    quint16 eventPort = 41100;
};

// The one observable object that holds everything the application knows about its receiver, and the one way
// to change it. It connects (finding the receiver first when none is known), keeps its state fresh from push
// events and polling, and carries out every control with an optimistic update. It lives on the main thread and
// never blocks it: each receiver request runs in its own coroutine, and an answer that arrives after the store's
// tasks were stopped, after its transport was replaced or after the store is gone changes nothing.
class ReceiverStore : public QObject {
    Q_OBJECT

public:
    using TransportFactory = ReceiverConnection::TransportFactory;

    using Parts = ReceiverStoreParts;

    static constexpr auto pollPause = ReceiverConnection::pollPause;
    static constexpr auto pollPauseWithEvents = ReceiverConnection::pollPauseWithEvents;
    static constexpr auto eventsFreshFor = ReceiverConnection::eventsFreshFor;
    static constexpr auto registrationRenewal = ReceiverConnection::registrationRenewal;
    static constexpr auto recoverySpacing = ReceiverConnection::recoverySpacing;
    static constexpr auto staleAfter = ReceiverConnection::staleAfter;
    static constexpr auto reloadSpacing = std::chrono::seconds(30);
    // How long the push-event self-test waits for an event after its request.
    static constexpr auto pushEventCheckWait = std::chrono::milliseconds(3000);

    ReceiverStore(AppSettings &settings, LaunchOptions launch, Parts parts = {}, QObject *parent = nullptr);
    ~ReceiverStore() override;

    // ---- state ----
    AppSettings &settings() const { return m_settings; }
    const LaunchOptions &launch() const { return m_launch; }
    const std::shared_ptr<ReceiverTransport> &transport() const { return m_link.transport(); }
    SpotifyHandoff &spotifyHandoff() const { return *m_spotifyHandoff; }
    Clock &clock() const { return m_clock; }

    // The link to the receiver: its address, transport, push events and how current they keep the state.
    const ReceiverConnection &link() const { return m_link; }
    const QList<DiscoveredReceiver> &foundReceivers() const { return m_link.foundReceivers(); }
    bool isScanning() const { return m_link.isScanning(); }
    const std::optional<QString> &discoveryMessage() const { return m_link.discoveryMessage(); }
    bool needsReceiverSetup() const { return m_link.needsReceiverSetup(); }
    const ConnectionState &connection() const { return m_link.state(); }
    // What was read from the receiver; its signals say what kind of it changed.
    const ReceiverState &state() const { return m_state; }
    Zone selectedZone() const { return m_selectedZone; }
    void setSelectedZone(Zone zone);
    const std::optional<Clock::TimePoint> &lastEventAt() const { return m_link.lastEventAt(); }
    std::optional<quint16> eventPort() const { return m_link.eventPort(); }
    std::optional<quint16> boundEventPort() const { return m_link.boundEventPort(); }
    const std::optional<QString> &lastError() const { return m_lastError; }
    const std::optional<QString> &networkName() const { return m_link.networkName(); }
    // The window's status line ends with it.
    const std::optional<QString> &addressNotice() const { return m_link.addressNotice(); }
    const QString &transportHost() const { return m_link.transportHost(); }
    const QList<QHostAddress> &eventSenders() const { return m_link.eventSenders(); }
    // Datagrams the running push-event listener dropped because another machine sent them.
    quint64 droppedEventDatagrams() const { return m_link.droppedEventDatagrams(); }
    bool frontPanelVisible() const { return m_frontPanelVisible; }
    void setFrontPanelVisible(bool visible);
    bool signalStripVisible() const { return m_signalStripVisible; }
    void setSignalStripVisible(bool visible);
    const QMap<QString, PendingEdits::Edit> &edits() const { return m_edits.edits(); }

    // ---- derived values ----
    QList<Zone> availableZones() const;
    // How the stored state keeps up with the receiver, as of the store's clock now.
    UpdatesState updates() const { return m_link.updates(); }
    std::optional<ZoneStatus> currentStatus() const;
    std::optional<double> editValue(const QString &key) const { return m_edits.value(key); }
    std::optional<double> displayedVolumeDB() const;
    std::optional<int> displayedLevel(const QString &name) const;
    // "bass", "treble" or "subwoofer" as displayedLevel() has it, in dB.
    std::optional<double> displayedLevelDb(const QString &name) const;
    bool supportsExtraBass() const { return supports(QStringLiteral("extra_bass")); }
    bool supportsSurroundAI() const { return supports(QStringLiteral("surround_ai")); }
    bool supportsSleep() const { return supports(QStringLiteral("sleep")); }
    // Direct or pure direct, whichever the zone announces.
    bool supportsDirect() const;
    bool supportsEnhancer() const { return supports(QStringLiteral("enhancer")); }
    // The zone's dialogue level range; none when it does not announce the level with its range.
    std::optional<RangeStep> dialogueRange() const;
    // How many of its own scene buttons the zone has.
    int receiverSceneCount() const;
    // Whether the receiver announces favourites (presets) for its network/USB player.
    bool supportsFavourites() const;
    // Whether the receiver has a tuner and a zone listens to it.
    bool tunerPlaying() const;
    // What the tuner plays when the selected zone listens to it; none otherwise, or before it was read.
    std::optional<Tuner::Reading> tunerReading() const;
    // The repeat and shuffle modes what is playing offers, in the receiver's order; empty when it offers none.
    QStringList repeatModes() const;
    QStringList shuffleModes() const;
    bool needsSpotifyPrompt() const;
    std::optional<int> elapsedPlayTime(Clock::TimePoint now) const;
    bool canFetchSignal() const;
    std::optional<SignalInfo> currentSignalInfo() const;
    // A zone's volume scale, from the features; none when they do not give one.
    std::optional<VolumeScale> volumeScale(Zone zone) const;

    // ---- connection ----
    // (Re)starts: stops background work, finds a receiver if none is known, connects, then starts the push-event
    // task and the polling loop. A newer start() or stopTasks() during the connection makes this one step aside.
    QCoro::Task<> start();
    QCoro::Task<> scan() { return m_link.scan(); }
    QCoro::Task<bool> probe(QString host) { return m_link.probe(std::move(host)); }
    void choose(const DiscoveredReceiver &receiver) { m_link.choose(receiver); }
    void useAddress(const QString &address);
    void reconnect();
    QCoro::Task<Result<Done, StoreError>> connect(Clock::TimePoint now);
    // After a failure, looks for the saved receiver at another address (see ReceiverConnection) and, when it
    // moved, connects there.
    QCoro::Task<> recoverAddress();
    void stopTasks();

    // ---- background work ----
    QCoro::Task<Result<Done, StoreError>> poll(Clock::TimePoint now);
    // The names half of ensureFeaturesAndNames(): asks for them when they are missing and the last attempt is at
    // least 30 s old. A failure is recorded in lastError; nothing waits on names, which only decorate ids.
    QCoro::Task<> reloadNames(Clock::TimePoint now);
    void handlePacket(const QByteArray &bytes);
    // Once `cancel` fires nobody waits for the answer: the request is abandoned and fails as
    // StoreError::abandoned, recording nothing.
    QCoro::Task<Result<Done, StoreError>> refresh(YXCEvent::Refresh what, Cancellation cancel = Cancellation());
    // `what` as the receiver has it now: from the store when it was read less than FreshReads::freshFor ago and
    // nothing was sent since, else from one read that every caller asking meanwhile shares. A caller that is
    // cancelled stops waiting at once (StoreError::abandoned); a read nobody waits for any more is aborted.
    QCoro::Task<Result<Done, StoreError>> freshRead(YXCEvent::Refresh what, Cancellation cancel = Cancellation())
    {
        return m_fresh.ensure(what, std::move(cancel));
    }
    // Sends a command over `transport` (the store's or one a caller holds); what it may change is read from the
    // receiver again next time, so a caller reads what it just set. Once the receiver accepts it, the stored
    // state shows what the command set (as far as the command tells) until a read says otherwise.
    QCoro::Task<Result<Done, YXCError>> sendChanging(std::shared_ptr<ReceiverTransport> transport, YXCCommand command);
    // Fetches the input-signal report unless a fetch is on its way already (that one answers this ask too).
    void refreshSignal();
    QCoro::Task<> fetchSignal();
    void signalVisibilityChanged();
    // Makes the receiver send a push event by re-sending a setting it just reported (so nothing changes), and
    // waits up to pushEventCheckWait for any event from it. Answers with the time from the request to the
    // first event.
    QCoro::Task<Result<std::chrono::milliseconds, PushEventCheckError>> checkPushEvents();
    // How many background loops (push-event task, polling) are running; for tests and diagnostics.
    int runningTasks() const { return m_runningTasks + m_link.runningTasks(); }

    // ---- controls; none of them waits for the receiver ----
    // Each change is shown at once and sent under the same capability rules as at every other door. One the zone
    // refuses (it lacks the function, a value outside its range) changes and sends nothing and answers why.
    void perform(const YXCCommand &command);
    void setVolume(double dB);
    // Bass, treble and subwoofer in the knobs' raw half-decibel steps.
    std::optional<Refusal> setBass(double value);
    std::optional<Refusal> setTreble(double value);
    std::optional<Refusal> setSubwoofer(double value);
    std::optional<Refusal> toggleExtraBass();
    void togglePower();
    void toggleMute();
    std::optional<Refusal> setSurroundAI(bool on);
    void setInput(const QString &id);
    void selectInput(const QString &id);
    void setSoundProgram(const QString &id);
    void togglePlayback();
    // Off, 30, 60, 90, 120, Off; a running timer moves on to the next setting above the minutes left.
    std::optional<Refusal> cycleSleep();
    std::optional<Refusal> toggleDirect();
    std::optional<Refusal> toggleEnhancer();
    std::optional<Refusal> setDialogueLevel(double value);
    // The next of the modes what is playing offers, in their order, after the current one.
    std::optional<Refusal> cycleRepeat();
    std::optional<Refusal> cycleShuffle();
    std::optional<Refusal> recallFavourite(int number);
    std::optional<Refusal> recallTunerPreset(int number);
    std::optional<Refusal> recallReceiverScene(int number);

Q_SIGNALS:
    void transportChanged();
    void foundReceiversChanged();
    void isScanningChanged();
    void discoveryMessageChanged();
    void needsReceiverSetupChanged();
    void connectionChanged();
    void selectedZoneChanged();
    // A push event of this receiver was accepted (after it was applied).
    void eventAccepted();
    // A datagram arrived on the push event port, before any check; for the diagnostics bundle.
    void datagramReceived(const QByteArray &bytes);
    // A change is on its way to the receiver, from any of Amplora's doors (all go through sendChanging).
    void commandSending(const amplora::YXCCommand &command);
    void lastErrorChanged();
    void addressNoticeChanged();
    void frontPanelVisibleChanged();
    void signalStripVisibleChanged();
    void editsChanged();
    // Derived values.
    void availableZonesChanged();
    void updatesChanged();
    void currentStatusChanged();
    void displayedVolumeDBChanged();
    void displayedLevelsChanged();
    void supportsExtraBassChanged();
    void supportsSurroundAIChanged();
    void supportsSleepChanged();
    void supportsDirectChanged();
    void supportsEnhancerChanged();
    void dialogueRangeChanged();
    void receiverSceneCountChanged();
    void supportsFavouritesChanged();
    void repeatModesChanged();
    void shuffleModesChanged();
    void needsSpotifyPromptChanged();
    void canFetchSignalChanged();
    void currentSignalInfoChanged();

private:
    // Whether the selected zone announces `function`.
    bool supports(const QString &function) const;
    std::optional<QString> manualToneMode() const;
    bool isSpotifyActive() const;
    bool signalPanelVisible() const;
    void startPolling();
    QCoro::Task<> ensureFeaturesAndNames(Clock::TimePoint now);
    void apply(const YXCEvent &event);
    void applyZone(Zone zone, const YXCEvent::ZoneChange &change);
    QCoro::Task<> updateAlbumArt(QString path);
    void setEdit(double value, const QString &key, std::function<YXCCommand(double)> command);

    struct Derived {
        QList<Zone> availableZones;
        UpdatesState updates = UpdatesState::stale;
        std::optional<ZoneStatus> currentStatus;
        std::optional<double> displayedVolumeDB;
        std::optional<int> bass, treble, subwoofer, dialogue;
        bool supportsExtraBass = false;
        bool supportsSurroundAI = false;
        bool supportsSleep = false;
        bool supportsDirect = false;
        bool supportsEnhancer = false;
        std::optional<RangeStep> dialogueRange;
        int receiverSceneCount = 0;
        bool supportsFavourites = false;
        QStringList repeatModes;
        QStringList shuffleModes;
        bool needsSpotifyPrompt = false;
        bool canFetchSignal = false;
        std::optional<SignalInfo> currentSignalInfo;
    };

    using Epoch = ReceiverConnection::Epoch;
    Epoch epoch() const { return m_link.epoch(); }
    static bool isCurrent(const QPointer<ReceiverStore> &self, const Epoch &epoch);
    static bool isCurrent(const QPointer<ReceiverStore> &self, quint64 taskGeneration);

    Derived computeDerived() const;
    void notifyDerived();
    // Stores `value` and tells observers when it differs: `changed` (when given), then the derived values.
    template<class T> void assign(T &field, T value, void (ReceiverStore::*changed)() = nullptr);

    void setLastError(std::optional<QString> text);
    // An optimistic change of a zone's stored status; nothing when the zone has none.
    void editStatus(Zone zone, const std::function<void(ZoneStatus &)> &change);
    // The zone's mute or surround AI as shown until a read says otherwise.
    void showMute(Zone zone, bool muted);
    void showSurroundAI(Zone zone, std::optional<bool> on);
    // An optimistic change of the stored play information; nothing while there is none.
    void editPlayInfo(const std::function<void(PlayInfo &)> &change);
    // Shows what a command the receiver just accepted set.
    void showAccepted(const YXCCommand &command);
    const ZoneFeatures *selectedZoneFeatures() const;
    // The mute a zone's stored status shows; none while it shows none.
    std::optional<bool> shownMute(Zone zone) const;
    // Shows at once, and sends, the next repeat or shuffle mode what is playing offers.
    std::optional<Refusal> cyclePlayMode(Capability which);
    // Shows at once what `command` sets (as the receiver will once it accepts it), and sends it.
    void performShown(const YXCCommand &command);
    // A bass, treble or subwoofer knob at `value` raw steps: refused as the zone refuses it, else edited and sent
    // through the throttle under `key`.
    std::optional<Refusal> setLevel(const QString &key, double value,
        const std::function<std::optional<Refusal>(const ZoneFeatures *, double dB)> &check,
        std::function<YXCCommand(double dB)> command);
    // A command a capability made: shown at once and sent; its refusal, when it made none, is the answer.
    std::optional<Refusal> performChecked(Refusable<YXCCommand> command);
    // Connects the link's signals to the store's.
    void followLink();
    QString loadFailure(const QString &label, const QString &description) const;
    void recordLoadFailure(const QString &label, const QString &description);
    void clearReceiverState();

    // Asks for features or names again when they are missing and the last attempt is at least 30 s old.
    template<class T>
    QCoro::Task<> reloadIfMissing(const std::optional<T> &(ReceiverState::*field)() const,
        bool (ReceiverState::*store)(std::optional<T>), std::optional<Clock::TimePoint> ReceiverStore::*lastAttempt,
        YXCCommand command, QString label, Clock::TimePoint now);
    // What a failed read of refresh() leaves besides its error: nothing more, a log line under its label, or also
    // a line in lastError. A read whose caller left leaves nothing.
    enum class ReadFailure { quiet, logged, recorded };
    // The answer to one read of refresh(), once it landed for the current transport, counted as fresh and as a
    // sign of life; else what refresh() answers instead.
    template<class T>
    QCoro::Task<Result<T, StoreError>> readAnswer(YXCCommand command, Cancellation cancel, FreshReads::Ticket ticket,
        ReadFailure onFailure = ReadFailure::quiet, QString label = QString());
    QCoro::Task<> runPolling(quint64 taskGeneration);
    QCoro::Task<> runSend(YXCCommand command);
    QCoro::Task<> runMute(Zone zone);
    QCoro::Task<> sendMute(Zone zone, bool oldValue);
    QCoro::Task<> runSurroundAI(Zone zone, bool on, std::optional<bool> previous);
    QCoro::Task<> runSpotifyHandoff();
    // An event's refresh, coalesced per kind: while one request of the kind is in flight, more events only
    // ask for one more round after it.
    void requestRefresh(YXCEvent::Refresh what, bool thenSignal);
    QCoro::Task<> runEventRefresh(YXCEvent::Refresh what, quint64 taskGeneration);
    // Fetches the signal report now, or once more after the fetch on its way (an event may have made what that
    // one brings stale); nothing while the report may not be fetched.
    QCoro::Task<> runSignalFetches();

    AppSettings &m_settings;
    const LaunchOptions m_launch;
    Clock &m_clock;
    ReceiverState m_state;
    PendingEdits m_edits;
    FreshReads m_fresh;
    ReceiverConnection m_link;
    std::unique_ptr<SpotifyHandoff> m_spotifyHandoff;
    Zone m_selectedZone = Zone::main;
    std::optional<QString> m_lastError;
    bool m_frontPanelVisible = false;
    bool m_signalStripVisible = false;
    SingleFlight m_signalFetch; // another round is asked for by an event during a fetch
    int m_signalGeneration = 0;
    std::optional<QString> m_artPath;
    // Counts every change of m_artPath (also to the same path again, after a reconnect cleared it), so a cover
    // that arrives for an earlier request is recognised even when the path text matches.
    quint64 m_artRequest = 0;
    std::optional<Clock::TimePoint> m_lastFeaturesAttempt;
    std::optional<Clock::TimePoint> m_lastNamesAttempt;
    std::set<Zone> m_pendingMute;
    std::set<Zone> m_pendingSurroundAI;
    // Event refreshes with a request in flight, by kind; `thenSignal` asks the next round to fetch the signal
    // report after it.
    struct EventRefresh {
        SingleFlight flight;
        bool thenSignal = false;
    };
    std::map<YXCEvent::Refresh, EventRefresh> m_eventRefreshes;
    // Counts, per zone, the accepted changes shown in its stored status: a status answer that left before one of
    // them is older than what is stored.
    std::map<Zone, quint64> m_acceptedChanges;

    // Bumped by stopTasks(): ends the background loops and any start() still connecting.
    quint64 m_taskGeneration = 0;
    int m_runningTasks = 0; // the polling loop
    bool m_destroying = false;
    SleepGroup m_sleeps;
    SleepGroup m_eventWaits; // self-tests waiting for a push event; woken by one, or by stopTasks()
    Derived m_derived;
};

template<class T> void ReceiverStore::assign(T &field, T value, void (ReceiverStore::*changed)())
{
    if (field == value) {
        return;
    }
    field = std::move(value);
    if (changed) {
        Q_EMIT(this->*changed)();
    }
    notifyDerived();
}

} // namespace amplora
