#pragma once

#include "base/Clock.h"
#include "core/discovery/DiscoveredReceiver.h"
#include "core/discovery/ReceiverDiscovering.h"
#include "core/protocol/ReceiverTransport.h"
#include "core/store/ConnectionState.h"
#include "core/store/LaunchOptions.h"
#include "core/store/SleepGroup.h"
#include "core/store/UpdatesState.h"

#include <QByteArray>
#include <QCoroTask>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace amplora {

class AppSettings;
class YXCEventListener;

// The store's link to its receiver: where the receiver is (finding it, following it to another address), the
// transport to it, the push-event listener with its registration, and how current what arrives through them
// is. It reads nothing of the receiver's state itself; the store does, through transport().
class ReceiverConnection : public QObject {
    Q_OBJECT

public:
    using TransportFactory = std::function<std::shared_ptr<ReceiverTransport>(const QString &host)>;

    struct Parts {
        std::shared_ptr<ReceiverTransport> transport; // made from the settings' host when absent
        std::unique_ptr<ReceiverDiscovering> discovery; // the sample receivers when absent
        TransportFactory transportFactory; // the launch options' transport when absent
        QHostAddress eventBindAddress;
        quint16 eventPort = 0;
    };

    static constexpr auto pollPause = std::chrono::milliseconds(1500);
    static constexpr auto pollPauseWithEvents = std::chrono::milliseconds(4000);
    static constexpr auto eventsFreshFor = std::chrono::seconds(600);
    static constexpr auto registrationRenewal = std::chrono::seconds(240);
    static constexpr auto recoverySpacing = std::chrono::seconds(30);
    // How long the receiver may stay silent before the state counts as stale: three polls at the slower pace
    // with events. A healthy receiver answers every poll, so one slow answer (a request may take seconds) does
    // not flip the footer, while a receiver that hangs without failing shows as stale before a user wonders.
    static constexpr auto staleAfter = 3 * pollPauseWithEvents;

    // What an answer must still match to be stored: the tasks were not stopped and the transport was not
    // replaced since the request left.
    struct Epoch {
        quint64 value = 0;
        std::shared_ptr<ReceiverTransport> transport;
    };

    // `settings`, `launch` and `clock` must outlive the connection.
    ReceiverConnection(
        AppSettings &settings, const LaunchOptions &launch, Clock &clock, Parts parts, QObject *parent = nullptr);
    ~ReceiverConnection() override;

    const std::shared_ptr<ReceiverTransport> &transport() const { return m_transport; }
    // The address the current transport talks to (the saved host when the transport was made).
    const QString &transportHost() const { return m_transportHost; }
    Epoch epoch() const { return { m_epoch, m_transport }; }
    bool isCurrent(const Epoch &epoch) const;

    const ConnectionState &state() const { return m_state; }
    void setState(ConnectionState state);
    const QList<DiscoveredReceiver> &foundReceivers() const { return m_foundReceivers; }
    bool isScanning() const { return m_isScanning; }
    const std::optional<QString> &discoveryMessage() const { return m_discoveryMessage; }
    bool needsReceiverSetup() const { return m_needsReceiverSetup; }
    void setNeedsReceiverSetup(bool needed);
    const std::optional<QString> &networkName() const { return m_networkName; }
    void setNetworkName(std::optional<QString> name);
    // What the last address recovery did that the user should know of: the receiver was moved to another address
    // (kept until the user picks a receiver or address), or it was not moved because several hosts claim it
    // (kept only until the receiver answers again or the next search).
    const std::optional<QString> &addressNotice() const { return m_addressNotice; }
    // The user has chosen where the receiver is: nothing is left to tell.
    void clearAddressNotice() { setAddressNotice(std::nullopt); }

    const std::optional<Clock::TimePoint> &lastEventAt() const { return m_lastEventAt; }
    std::optional<quint16> eventPort() const { return m_eventPort; }
    // The port push events are received on now; none while no listener is bound.
    std::optional<quint16> boundEventPort() const;
    // The addresses push events are accepted from: the current receiver's (none in mock mode, and none while
    // its name is still being resolved).
    const QList<QHostAddress> &eventSenders() const { return m_eventSenders; }
    quint64 droppedEventDatagrams() const;
    // The registration loop, while it runs.
    int runningTasks() const { return m_runningTasks; }

    // How the state keeps up with the receiver as of the clock now.
    UpdatesState updates() const;
    // The pause the polling loop takes now: longer while push events flow.
    std::chrono::milliseconds pollPauseNow() const;
    // Arranges for freshnessChanged() at the next moment time alone changes updates().
    void scheduleUpdatesCheck();

    // The receiver answered through the current transport.
    void noteAnswer();
    // A push event of the receiver was accepted.
    void noteEvent();
    // Forgets what proved the event path: a new connection proves it again.
    void resetEventPath();
    void forgetLastEvent();

    // A transport for the settings' host, replacing the current one; answers through the old one are stale.
    void replaceTransport();
    QCoro::Task<> scan();
    // Asks one host the user typed (an address or a name) directly, for a receiver the search does not reach.
    // What it finds joins the list as found receivers do, and is chosen when it is one receiver and the user has
    // not picked another address meanwhile. True when it chose one (the receiver is to be connected to).
    QCoro::Task<bool> probe(QString host);
    void choose(const DiscoveredReceiver &receiver);
    // After a failure, looks for the saved receiver at another address. It keeps the saved address while that
    // still answers with the saved device id, and moves only to the one host the search found under that id:
    // the id is no secret, so when several hosts claim it the user decides. True when it moved the receiver
    // (the transport is replaced; the receiver is to be read again).
    QCoro::Task<bool> recoverAddress();

    // Binds the push-event listener and keeps the receiver's registration renewed until stop().
    void startListening();
    // Ends the listener and the registration loop; answers from before are stale.
    void stop();
    // The owner is going away: every coroutine still waiting ends without touching it.
    void shutDown();

Q_SIGNALS:
    void transportChanged();
    void stateChanged();
    void foundReceiversChanged();
    void isScanningChanged();
    void discoveryMessageChanged();
    void needsReceiverSetupChanged();
    void networkNameChanged();
    void addressNoticeChanged();
    void eventPortChanged();
    // What updates() and the polling pace go by changed: an answer, an event, a registration, or the time.
    void freshnessChanged();
    // A datagram arrived while listening (from the listener, or from a transport without a network).
    void packetReceived(const QByteArray &datagram);
    // Something failed that the user should read about: the listener or the registration.
    void errorOccurred(const QString &text);

private:
    // What a recovery started from; a search that ends after any of it changed decides nothing.
    struct RecoveryStart {
        QString deviceID;
        QString host;
        Epoch epoch;
    };
    static bool unchanged(const QPointer<ReceiverConnection> &self, const RecoveryStart &start);
    static bool isCurrent(const QPointer<ReceiverConnection> &self, quint64 stops);
    void keepAddress(const QString &why, const QStringList &others);
    void setAddressNotice(std::optional<QString> text, bool refusal = false);
    void setDiscoveryMessage(std::optional<QString> text);
    std::shared_ptr<ReceiverTransport> makeTransport() const;
    void takeTransportEvents();
    std::optional<Clock::TimePoint> nextUpdatesChange() const;
    QCoro::Task<> runRegistration(quint64 stops, quint16 port);
    // Resolves the current receiver's address and tells the listener to accept push events only from there.
    QCoro::Task<> updateEventSenders();
    // Stores `value` and, when it differs, emits `changed`.
    template<class T> void assign(T &field, T value, void (ReceiverConnection::*changed)());

    AppSettings &m_settings;
    const LaunchOptions &m_launch;
    Clock &m_clock;
    TransportFactory m_transportFactory;
    std::unique_ptr<ReceiverDiscovering> m_discovery;
    std::shared_ptr<ReceiverTransport> m_transport;
    // The address the current transport was made for (the settings' host at the time).
    QString m_transportHost;
    ConnectionState m_state = ConnectionState::idle();

    QList<DiscoveredReceiver> m_foundReceivers;
    bool m_isScanning = false;
    std::optional<QString> m_discoveryMessage;
    bool m_needsReceiverSetup = false;
    std::optional<QString> m_networkName;
    std::optional<Clock::TimePoint> m_lastRecovery;
    std::optional<QString> m_addressNotice;
    bool m_addressNoticeIsRefusal = false; // the notice says the receiver was not moved

    QHostAddress m_eventBindAddress;
    quint16 m_requestedEventPort;
    std::unique_ptr<YXCEventListener> m_listener;
    std::optional<quint16> m_eventPort;
    QList<QHostAddress> m_eventSenders;
    QString m_eventSendersHost; // the address m_eventSenders were resolved from
    quint64 m_senderLookup = 0; // counts lookups, so that only the newest one's answer is used

    std::optional<Clock::TimePoint> m_lastEventAt;
    bool m_eventsProven = false; // a push event arrived since the current connection or transport began
    std::optional<Clock::TimePoint> m_lastRegisteredAt; // the last accepted event registration
    std::optional<Clock::TimePoint> m_lastAnswerAt; // the receiver's last answer through the current transport
    std::optional<Clock::TimePoint> m_updatesCheckAt;
    quint64 m_updatesCheck = 0; // only the newest scheduled check counts

    quint64 m_stops = 0; // bumped by stop(): ends the registration loop
    quint64 m_epoch = 0; // bumped by stop() and by every transport replacement
    int m_runningTasks = 0;
    bool m_destroying = false;
    SleepGroup m_sleeps;
};

template<class T> void ReceiverConnection::assign(T &field, T value, void (ReceiverConnection::*changed)())
{
    if (field == value) {
        return;
    }
    field = std::move(value);
    Q_EMIT(this->*changed)();
}

} // namespace amplora
