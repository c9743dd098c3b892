#include "app/dbus/RunningInstance.h"

#include "app/dbus/ActionService.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

namespace amplora::app {

Result<QVariant, InstanceCallError> RunningInstance::call(
    const QString &method, const QVariantList &arguments, std::chrono::milliseconds timeout)
{
    using Kind = InstanceCallError::Kind;
    const InstanceCallError notRunning { Kind::notRunning, QStringLiteral("Amplora is not running.") };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        // Without a bus nothing can tell whether Amplora runs; saying it does not would send the user looking in
        // the wrong place.
        QString reason = bus.lastError().message();
        if (reason.isEmpty()) {
            reason = QStringLiteral("none is running");
        }
        while (reason.endsWith(u'.')) {
            reason.chop(1);
        }
        return Failure { InstanceCallError { Kind::noBus,
            QStringLiteral("No D-Bus session bus: ") + reason
                + QStringLiteral(". Use the local API, or run inside a desktop session.") } };
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        ActionService::serviceName(), ActionService::objectPath(), ActionService::interfaceName(), method);
    call.setArguments(arguments);
    // Never start an instance just to answer this call.
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, static_cast<int>(timeout.count()));
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const QDBusError error(reply);
        if (error.type() == QDBusError::ServiceUnknown
            || error.name() == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner")) {
            return Failure { notRunning };
        }
        QString message = error.message();
        if (message.isEmpty()) {
            message = QStringLiteral("Amplora did not answer (%1).").arg(error.name());
        }
        return Failure { InstanceCallError { Kind::failed, message } };
    }
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return Failure { InstanceCallError { Kind::failed, QStringLiteral("Amplora did not answer.") } };
    }
    return reply.arguments().value(0);
}

} // namespace amplora::app
