#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QUdpSocket;

namespace amplora {

// Why the push-event port could not be opened.
struct EventListenerError {
    QString reason; // the socket layer's text

    QString description() const;
    friend bool operator==(const EventListenerError &, const EventListenerError &) = default;
};

// The local UDP endpoint the receiver sends push events to. Every non-empty datagram is handed, as raw bytes,
// to the packet callback on the thread that owns the listener. Reading happens in bounded batches, so a flood
// of datagrams cannot starve the event loop; what the loop cannot take in time the kernel drops, so memory
// stays bounded too.
class YXCEventListener : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 defaultPort = 41100;
    // Datagrams read per turn of the event loop before the rest waits for the next turn.
    static constexpr int batchSize = 64;

    using PacketHandler = std::function<void(const QByteArray &datagram)>;

    // The address to bind; the receiver sends from the LAN, so the default accepts every IPv4 interface.
    explicit YXCEventListener(
        QHostAddress bindAddress = QHostAddress(QHostAddress::AnyIPv4), QObject *parent = nullptr);
    ~YXCEventListener() override;

    // Binds the port; when it is taken (or refused), binds any free port instead. Returns the port actually
    // bound, which is the one to register with the receiver. A running listener is stopped first.
    Result<quint16, EventListenerError> start(quint16 port = defaultPort);
    // Closes the socket; no datagram is delivered after it returns.
    void stop();

    bool isListening() const;
    quint16 port() const;

    void setOnPacket(PacketHandler handler) { m_onPacket = std::move(handler); }

private:
    void readBatch();

    QHostAddress m_bindAddress;
    QPointer<QUdpSocket> m_socket;
    PacketHandler m_onPacket;
};

} // namespace amplora
