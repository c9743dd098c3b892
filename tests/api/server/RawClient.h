#pragma once

#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>

namespace amplora::test {

// A TCP client that sends bytes exactly as given and keeps everything it receives, for talking to the API
// server as a hostile or careless client would. "Closed" also covers a refused or dropped connection.
class RawClient : public QObject {
public:
    QTcpSocket socket;
    QByteArray received;
    bool closed = false;

    explicit RawClient(quint16 port, const QByteArray &bytes = {}, const QHostAddress &host = QHostAddress::LocalHost)
    {
        const auto finish = [this] {
            received += socket.readAll();
            closed = true;
        };
        connect(&socket, &QTcpSocket::readyRead, this, [this] { received += socket.readAll(); });
        connect(&socket, &QTcpSocket::disconnected, this, finish);
        connect(&socket, &QTcpSocket::errorOccurred, this, finish);
        socket.connectToHost(host, port);
        if (!bytes.isEmpty())
            socket.write(bytes);
    }
    QByteArray statusLine() const { return received.left(received.indexOf("\r\n")); }
    QByteArray body() const { return received.mid(received.indexOf("\r\n\r\n") + 4); }

    // Sends one request and waits until the server closes: the whole answer, empty when the connection was
    // refused or dropped.
    static QByteArray exchange(
        quint16 port, const QByteArray &bytes, const QHostAddress &host = QHostAddress::LocalHost)
    {
        RawClient client(port, bytes, host);
        if (!QTest::qWaitFor([&client] { return client.closed; }, 5000))
            return "(no close within 5 s) " + client.received;
        return client.received;
    }
};

} // namespace amplora::test
