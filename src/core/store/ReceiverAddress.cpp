#include "core/store/ReceiverAddress.h"

#include "core/Logging.h"

#include <QHostInfo>
#include <QUrl>

#include <coroutine>

namespace amplora {

namespace {

// Resolves a name with Qt's background lookup and resumes the waiting coroutine on the thread that asked.
class HostLookup {
public:
    explicit HostLookup(QString name)
        : m_name(std::move(name))
    { }
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> waiter)
    {
        // Without a context object the answer is delivered in the calling thread, and always delivered, so the
        // coroutine is never left suspended.
        QHostInfo::lookupHost(m_name, [this, waiter](const QHostInfo &info) {
            m_info = info;
            waiter.resume();
        });
    }
    QHostInfo await_resume() const { return m_info; }

private:
    QString m_name;
    QHostInfo m_info;
};

// The machine part of a receiver address: without port, brackets and surrounding blanks.
QString machineOf(const QString &host)
{
    QString trimmed = host.trimmed();
    // A bare IPv6 address has colons of its own, so it cannot carry a port: take it whole.
    if (QHostAddress(trimmed).protocol() != QAbstractSocket::UnknownNetworkLayerProtocol) {
        return trimmed;
    }
    const QUrl url(QStringLiteral("http://") + trimmed, QUrl::StrictMode);
    return url.isValid() ? url.host() : QString();
}

} // namespace

QCoro::Task<QList<QHostAddress>> receiverAddresses(QString host)
{
    const QString machine = machineOf(host);
    if (machine.isEmpty()) {
        co_return QList<QHostAddress> {};
    }
    const QHostAddress literal(machine);
    if (!literal.isNull()) {
        co_return QList<QHostAddress> { literal };
    }
    const QHostInfo info = co_await HostLookup(machine);
    if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
        qCWarning(lcStore).noquote() << QStringLiteral("Could not resolve %1 (%2); push events are ignored until it "
                                                       "resolves")
                                            .arg(machine, info.errorString());
        co_return QList<QHostAddress> {};
    }
    co_return info.addresses();
}

} // namespace amplora
