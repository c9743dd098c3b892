#include "core/events/YXCEventListener.h"

#include "core/Logging.h"

#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QUdpSocket>

namespace amplora {

QString EventListenerError::description() const
{
    return QStringLiteral("Could not open a UDP port for push events: %1").arg(reason);
}

YXCEventListener::YXCEventListener(const QHostAddress &bindAddress, Clock *clock, QObject *parent)
    : QObject(parent)
    , m_bindAddress(bindAddress)
    , m_clock(clock ? *clock : Clock::system())
{ }

YXCEventListener::~YXCEventListener()
{
    stop();
}

Result<quint16, EventListenerError> YXCEventListener::start(quint16 port)
{
    stop();
    auto *socket = new QUdpSocket(this);
    // A proxy never applies to a local UDP port, and asking the system for one loads its whole proxy stack.
    socket->setProxy(QNetworkProxy::NoProxy);
    // Exclusive binding: with a shared port a second instance would silently split the receiver's events.
    bool bound = socket->bind(m_bindAddress, port, QAbstractSocket::DontShareAddress);
    if (!bound && port != 0) {
        qCInfo(lcEvents).noquote() << QStringLiteral("Port %1 is not available (%2); binding any free port")
                                          .arg(port)
                                          .arg(socket->errorString());
        bound = socket->bind(m_bindAddress, 0, QAbstractSocket::DontShareAddress);
    }
    if (!bound) {
        EventListenerError error { socket->errorString() };
        delete socket;
        qCWarning(lcEvents).noquote() << error.description();
        return Failure { error };
    }
    m_socket = socket;
    connect(socket, &QUdpSocket::readyRead, this, &YXCEventListener::readBatch);
    qCInfo(lcEvents) << "Listening for push events on UDP port" << socket->localPort();
    // Datagrams may have queued between bind and connect.
    if (socket->hasPendingDatagrams()) {
        readBatch();
    }
    return socket->localPort();
}

void YXCEventListener::stop()
{
    if (!m_socket) {
        return;
    }
    QUdpSocket *socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->close();
    // Not deleted here: stop() may run inside the socket's own readyRead delivery.
    socket->deleteLater();
}

bool YXCEventListener::isListening() const
{
    return m_socket != nullptr;
}

quint16 YXCEventListener::port() const
{
    return m_socket ? m_socket->localPort() : 0;
}

void YXCEventListener::setAcceptedSenders(const QList<QHostAddress> &senders)
{
    QList<QHostAddress> accepted;
    for (const QHostAddress &sender : senders) {
        const QHostAddress address = comparable(sender);
        if (!address.isNull() && !accepted.contains(address)) {
            accepted.append(address);
        }
    }
    m_acceptedSenders = std::move(accepted);
}

QHostAddress YXCEventListener::comparable(const QHostAddress &address)
{
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    if (isIPv4) {
        return QHostAddress(ipv4);
    }
    QHostAddress plain(address);
    plain.setScopeId(QString());
    return plain;
}

void YXCEventListener::drop(const QHostAddress &sender)
{
    ++m_dropped;
    ++m_droppedSinceReport;
    const Clock::TimePoint now = m_clock.now();
    if (m_lastDropReport && now - *m_lastDropReport < dropReportSpacing) {
        return;
    }
    m_lastDropReport = now;
    qCWarning(lcEvents).noquote() << QStringLiteral(
        "Dropped %1 push-event datagram(s) from senders other than the receiver, the latest from %2")
                                         .arg(m_droppedSinceReport)
                                         .arg(sender.toString());
    m_droppedSinceReport = 0;
}

void YXCEventListener::readBatch()
{
    // What is left after a batch waits for the socket's next read notification, on a later turn of the event
    // loop, so that timers, input and painting get their share. Draining it any other way (a zero timer, say)
    // is a trap: Qt then delivers a notification for data already read, takes that as data the reader left,
    // and never notifies this socket again.
    for (int read = 0; read < batchSize; ++read) {
        // Re-checked each time: the handler may stop (or restart) the listener.
        QUdpSocket *socket = m_socket;
        if (!socket || !socket->hasPendingDatagrams()) {
            return;
        }
        const QNetworkDatagram datagram = socket->receiveDatagram();
        if (!m_acceptedSenders.contains(comparable(datagram.senderAddress()))) {
            drop(datagram.senderAddress());
            continue;
        }
        const QByteArray bytes = datagram.data();
        if (bytes.isEmpty()) {
            continue;
        }
        if (m_onPacket) {
            m_onPacket(bytes);
        }
    }
}

} // namespace amplora
