#include "app/dbus/ChangeNotifications.h"

#include "app/Logging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace amplora::app {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");

} // namespace

ChangeNotifications::ChangeNotifications(QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{ }

void ChangeNotifications::show(const QString &text)
{
    if (m_unavailable) {
        return;
    }
    if (m_sending) {
        m_waiting = text;
        return;
    }
    send(text);
}

void ChangeNotifications::send(const QString &text)
{
    QDBusMessage notify = QDBusMessage::createMethodCall(
        service, QStringLiteral("/org/freedesktop/Notifications"), service, QStringLiteral("Notify"));
    // The text goes in the summary: a server may read markup in the body, and names come from the network.
    notify << QStringLiteral("Amplora") << m_id << QStringLiteral("org.amplora.Amplora") << text << QString()
           << QStringList() << QVariantMap { { QStringLiteral("transient"), true } } << expiresAfterMs;
    m_sending = true;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        answered(call->reply());
    });
}

void ChangeNotifications::answered(const QDBusMessage &reply)
{
    m_sending = false;
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        m_id = reply.arguments().constFirst().toUInt();
    } else if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
        || reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.Disconnected")) {
        qCInfo(lcDbus) << "No notification service on the session bus: changes are not shown on screen";
        m_unavailable = true;
        m_waiting.reset();
        return;
    } else {
        qCWarning(lcDbus).noquote() << "The notification service refused a change:" << reply.errorMessage();
    }
    if (const std::optional<QString> next = std::exchange(m_waiting, std::nullopt)) {
        send(*next);
    }
}

} // namespace amplora::app
