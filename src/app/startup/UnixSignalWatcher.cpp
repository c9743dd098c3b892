#include "app/startup/UnixSignalWatcher.h"

#include "app/Logging.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace amplora::app {

namespace {

int signalSockets[2] = { -1, -1 };

void onSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // Nothing else is safe here; a full pipe only loses a repeat of a signal already on its way.
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
    errno = saved;
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(QObject *parent)
    : QObject(parent)
{ }

UnixSignalWatcher::~UnixSignalWatcher()
{
    for (const int number : std::as_const(m_watched)) {
        ::signal(number, SIG_DFL);
    }
    if (m_notifier) {
        ::close(signalSockets[0]);
        ::close(signalSockets[1]);
        signalSockets[0] = signalSockets[1] = -1;
    }
}

bool UnixSignalWatcher::watch(const QList<int> &signalNumbers)
{
    if (signalSockets[0] >= 0) {
        qCWarning(lcApp) << "Signals are already watched in this process";
        return false;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalSockets) != 0) {
        qCWarning(lcApp).noquote() << "Cannot watch signals:" << QString::fromLocal8Bit(std::strerror(errno));
        signalSockets[0] = signalSockets[1] = -1;
        return false;
    }
    m_notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::readPending);
    for (const int number : signalNumbers) {
        struct sigaction action { };
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        if (::sigaction(number, &action, nullptr) == 0) {
            m_watched.append(number);
        } else {
            qCWarning(lcApp) << "Cannot watch signal" << number;
        }
    }
    return true;
}

void UnixSignalWatcher::readPending()
{
    unsigned char byte = 0;
    while (::read(signalSockets[1], &byte, 1) == 1) {
        Q_EMIT received(int(byte));
    }
}

} // namespace amplora::app
