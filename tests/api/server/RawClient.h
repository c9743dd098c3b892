#pragma once

#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace amplora::test {

// A request as a client writes it: the bearer token and a JSON body when given, then any further header lines.
inline QByteArray rawRequest(const QByteArray &method, const QByteArray &target, const QByteArray &token = {},
    const QByteArray &body = {}, const QByteArray &headers = {})
{
    QByteArray bytes = method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers;
    if (!token.isEmpty())
        bytes += "Authorization: Bearer " + token + "\r\n";
    if (!body.isEmpty())
        bytes += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    return bytes + "\r\n" + body;
}

// A plain socket connected to the port on 127.0.0.1, for what QTcpSocket cannot do (a receive buffer set before
// connecting, a reset); -1 when it did not connect.
inline int connectedSocket(quint16 port, int receiveBuffer = 0)
{
    const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer > 0)
        ::setsockopt(descriptor, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(descriptor, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
        return descriptor;
    ::close(descriptor);
    return -1;
}

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
