#include "core/store/ReceiverAddress.h"

#include "core/Logging.h"
#include "core/discovery/HostAddress.h"

#include <QUrl>

namespace amplora {

namespace {

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
