#pragma once

// A bare HTTP peer for what the fake receiver does not play, shared by the client and discovery tests: it listens
// on a loopback address of the test's choosing, counts the requests it gets and answers each with fixed bytes, all
// at once or its body one byte per tick.

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>
#include <memory>

namespace amplora::test {

inline QByteArray httpAnswer(const QByteArray &contentType, const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
}

class RawPeer {
public:
    explicit RawPeer(QByteArray answer, std::chrono::milliseconds tick = std::chrono::milliseconds(0),
        const QHostAddress &address = QHostAddress::LocalHost)
        : m_answer(std::move(answer))
        , m_tick(tick)
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                serve(socket);
            }
        });
        if (!m_server.listen(address, 0)) {
            qWarning("RawPeer: cannot listen on %s", qPrintable(address.toString()));
        }
    }

    QString host() const { return m_server.serverAddress().toString() + u':' + QString::number(m_server.serverPort()); }
    QString base() const { return QStringLiteral("http://") + host() + u'/'; }
    int hits() const { return m_hits; }

private:
    void serve(QTcpSocket *socket)
    {
        auto head = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head] {
            if (head->endsWith("\r\n\r\n")) {
                socket->readAll();
                return;
            }
            *head += socket->readAll();
            if (head->endsWith("\r\n\r\n")) {
                ++m_hits;
                answer(socket);
            }
        });
    }

    // The head goes at once, so that the client knows an answer is coming; the body follows byte by byte.
    void answer(QTcpSocket *socket)
    {
        const qsizetype bodyStart = m_answer.indexOf("\r\n\r\n") + 4;
        if (m_tick.count() == 0 || bodyStart < 4) {
            socket->write(m_answer);
            socket->disconnectFromHost();
            return;
        }
        socket->write(m_answer.left(bodyStart));
        auto *drip = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(bodyStart);
        QObject::connect(drip, &QTimer::timeout, socket, [this, socket, drip, sent] {
            if (socket->state() != QAbstractSocket::ConnectedState || *sent == m_answer.size()) {
                drip->stop();
                socket->disconnectFromHost();
                return;
            }
            socket->write(m_answer.mid((*sent)++, 1));
        });
        drip->start(m_tick);
    }

    QTcpServer m_server;
    QByteArray m_answer;
    std::chrono::milliseconds m_tick;
    int m_hits = 0;
};

} // namespace amplora::test
