#include "app/dbus/RunningInstance.h"

#include "app/dbus/ActionService.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

namespace amplora::app {

Result<QVariant, InstanceCallError> RunningInstance::call(
    const QString &method, const QVariantList &arguments, std::chrono::milliseconds timeout)
{
    const InstanceCallError notRunning { true, QStringLiteral("Amplora is not running.") };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return Failure { notRunning };
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
        return Failure { InstanceCallError { false, message } };
    }
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return Failure { InstanceCallError { false, QStringLiteral("Amplora did not answer.") } };
    }
    return reply.arguments().value(0);
}

} // namespace amplora::app
