#include "api/server/TCPListener.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTcpServer>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace amplora::api {

namespace {

// Connections taken per wake-up, so a flood of them cannot hold the thread for long; the notifier calls again
// while more are waiting.
constexpr int kAcceptsPerWakeUp = 64;

// Failures that concern only the connection being accepted (it went away, or the network under it did, see
// accept(2)): the next one may well succeed.
bool concernsOnlyThatConnection(int error)
{
    switch (error) {
    case EINTR:
    case ECONNABORTED:
    case EPROTO:
    case ENETDOWN:
    case ENOPROTOOPT:
    case EHOSTDOWN:
    case ENONET:
    case EHOSTUNREACH:
    case EOPNOTSUPP:
    case ENETUNREACH:
    case EPERM: // a firewall rule refused it
        return true;
    default:
        return false;
    }
}

} // namespace

Result<TCPListener *, QString> TCPListener::listen(
    const QHostAddress &address, quint16 port, int backlog, Accepted accepted, Failed failed, QObject *parent)
{
    // QTcpServer binds and listens (dual-stack "any", address reuse, its own error texts); the listener then
    // keeps a descriptor of that socket for itself and the QTcpServer goes.
    QTcpServer server;
    server.setListenBacklogSize(backlog);
    if (!server.listen(address, port)) {
        return Failure { server.errorString() };
    }
    const int descriptor = ::fcntl(static_cast<int>(server.socketDescriptor()), F_DUPFD_CLOEXEC, 0);
    if (descriptor < 0) {
        return Failure { qt_error_string(errno) };
    }
    const quint16 bound = server.serverPort();
    server.close();
    return new TCPListener(descriptor, bound, std::move(accepted), std::move(failed), parent);
}

TCPListener::TCPListener(int descriptor, quint16 port, Accepted accepted, Failed failed, QObject *parent)
    : QObject(parent)
    , m_descriptor(descriptor)
    , m_port(port)
    , m_accepted(std::move(accepted))
    , m_failed(std::move(failed))
    , m_notifier(new QSocketNotifier(descriptor, QSocketNotifier::Read, this))
{
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags >= 0) {
        ::fcntl(descriptor, F_SETFL, flags | O_NONBLOCK);
    }
    connect(m_notifier, &QSocketNotifier::activated, this, &TCPListener::acceptPending);
}

TCPListener::~TCPListener()
{
    close();
}

void TCPListener::resume()
{
    if (m_descriptor >= 0) {
        m_notifier->setEnabled(true);
    }
}

void TCPListener::close()
{
    if (m_descriptor < 0) {
        return;
    }
    // The notifier must stop watching before its descriptor goes.
    m_notifier->setEnabled(false);
    ::close(m_descriptor);
    m_descriptor = -1;
}

void TCPListener::acceptPending()
{
    const QPointer<TCPListener> self(this);
    for (int taken = 0; taken < kAcceptsPerWakeUp && m_descriptor >= 0; ++taken) {
        sockaddr_storage peer {};
        socklen_t peerLength = sizeof peer;
        const int descriptor
            = ::accept4(m_descriptor, reinterpret_cast<sockaddr *>(&peer), &peerLength, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (descriptor >= 0) {
            m_accepted(descriptor, QHostAddress(reinterpret_cast<const sockaddr *>(&peer)));
            if (!self) {
                return;
            }
            continue;
        }
        const int error = errno;
        if (error == EAGAIN || error == EWOULDBLOCK) {
            return;
        }
        if (concernsOnlyThatConnection(error)) {
            continue;
        }
        // Out of descriptors or memory, or worse: trying again at once would only spin.
        m_notifier->setEnabled(false);
        m_failed(error);
        return;
    }
}

} // namespace amplora::api
