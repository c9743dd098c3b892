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

YXCEventListener::YXCEventListener(QHostAddress bindAddress, QObject *parent)
    : QObject(parent)
    , m_bindAddress(std::move(bindAddress))
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
