#pragma once

#include "base/Clock.h"
#include "base/Result.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QUdpSocket;

namespace amplora {

// Why the push-event port could not be opened.
struct EventListenerError {
    QString reason; // the socket layer's text

    QString description() const;
    friend bool operator==(const EventListenerError &, const EventListenerError &) = default;
};

// The local UDP endpoint the receiver sends push events to. Every non-empty datagram from the receiver is
// handed, as raw bytes, to the packet callback on the thread that owns the listener. Anyone on the network can
// send to the port, so a datagram from any other address is dropped before it is read as an event: it is
// counted, and reported in the log at most once a minute however many arrive. Reading happens in bounded
// batches, so a flood of datagrams cannot starve the event loop; what the loop cannot take in time the kernel
// drops, so memory stays bounded too.
class YXCEventListener : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 defaultPort = 41100;
    // Datagrams read per turn of the event loop before the rest waits for the next turn.
    static constexpr int batchSize = 64;
    static constexpr auto dropReportSpacing = std::chrono::seconds(60);

    using PacketHandler = std::function<void(const QByteArray &datagram)>;

    // The address to bind; the receiver sends from the LAN, so the default accepts every IPv4 interface. The
    // clock (the system clock when absent; it must outlive the listener) spaces the reports of dropped datagrams.
    explicit YXCEventListener(const QHostAddress &bindAddress = QHostAddress(QHostAddress::AnyIPv4),
        Clock *clock = nullptr, QObject *parent = nullptr);
    ~YXCEventListener() override;

    // Binds the port; when it is taken (or refused), binds any free port instead. Returns the port actually
    // bound, which is the one to register with the receiver. A running listener is stopped first.
    Result<quint16, EventListenerError> start(quint16 port = defaultPort);
    // Closes the socket; no datagram is delivered after it returns.
    void stop();

    bool isListening() const;
    quint16 port() const;

    void setOnPacket(PacketHandler handler) { m_onPacket = std::move(handler); }

    // The receiver's addresses: only datagrams from one of them are delivered. Until they are set, nothing is.
    void setAcceptedSenders(const QList<QHostAddress> &senders);
    // Datagrams dropped because they came from another address, since the listener was made.
    quint64 droppedCount() const { return m_dropped; }

    // An address in the form in which two spellings of one machine compare equal: an IPv4-mapped IPv6 address
    // ("::ffff:192.168.1.20", what a dual-stack socket reports) as plain IPv4, and no IPv6 scope.
    static QHostAddress comparable(const QHostAddress &address);

private:
    void readBatch();
    void drop(const QHostAddress &sender);

    QHostAddress m_bindAddress;
    Clock &m_clock;
    QPointer<QUdpSocket> m_socket;
    PacketHandler m_onPacket;
    QList<QHostAddress> m_acceptedSenders;
    quint64 m_dropped = 0;
    quint64 m_droppedSinceReport = 0;
    std::optional<Clock::TimePoint> m_lastDropReport;
};

} // namespace amplora
