#pragma once

#include "base/Result.h"

#include <QHostAddress>
#include <QObject>

#include <functional>

class QSocketNotifier;

namespace amplora::api {

// A listening TCP socket that accepts by itself, because QTcpServer cannot be left to: after one accept()
// failure such as running out of descriptors it pauses accepting for good, and from then on its socket engine
// keeps reporting that first error, so even the normal end of every later round of accepting pauses it again.
//
// Accepted sockets are handed over non-blocking and close-on-exec, with the peer's address. When accept()
// fails for want of resources, accepting pauses and the owner is told; resume() tries again.
class TCPListener final : public QObject {
    Q_OBJECT

public:
    using Accepted = std::function<void(int descriptor, const QHostAddress &peer)>;
    // `error` is the errno of the failed accept(); accepting has paused.
    using Failed = std::function<void(int error)>;

    // Listens on `address` and `port` (0: any free port); the networking layer's description of the failure
    // otherwise.
    static Result<TCPListener *, QString> listen(
        const QHostAddress &address, quint16 port, int backlog, Accepted accepted, Failed failed, QObject *parent);
    ~TCPListener() override;

    quint16 port() const { return m_port; }
    void resume();
    // Stops listening at once; nothing is accepted or reported after this.
    void close();

private:
    TCPListener(int descriptor, quint16 port, Accepted accepted, Failed failed, QObject *parent);
    void acceptPending();

    int m_descriptor; // -1 once closed
    quint16 m_port;
    Accepted m_accepted;
    Failed m_failed;
    QSocketNotifier *m_notifier;
};

} // namespace amplora::api
