#include "api/auth/SecretService.h"

#include "api/auth/KeychainTokenStore.h"

#include <QCoroDBusPendingCall>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFileInfo>
#include <QUrl>

namespace amplora::api {

namespace {

const QString secretsName = QStringLiteral("org.freedesktop.secrets");

KeychainError unavailable(const QString &why)
{
    return KeychainError { KeychainTokenStore::KeyringUnavailable,
        QStringLiteral("The keyring that keeps the API token cannot be used: %1.").arg(why) };
}

} // namespace

std::optional<QString> SessionSecretService::missingBus() const
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty()) {
        // What a bus library falls back to: the user's bus in the runtime folder.
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists()) {
            return std::nullopt;
        }
        return QStringLiteral("no session bus (DBUS_SESSION_BUS_ADDRESS is not set)");
    }
    // Only one plain socket path is checked; other forms (abstract sockets, TCP, lists) are left to the bus
    // library, and so to the keyring's answer.
    const QString prefix = QStringLiteral("unix:path=");
    if (address.contains(u';') || !address.startsWith(prefix)) {
        return std::nullopt;
    }
    const QString path = QUrl::fromPercentEncoding(address.mid(prefix.size()).section(u',', 0, 0).toUtf8());
    if (QFileInfo(path).exists()) {
        return std::nullopt;
    }
    return QStringLiteral("no session bus (nothing at %1)").arg(path);
}

QCoro::Task<Result<Done, KeychainError>> SessionSecretService::checkUnlocked()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        co_return Failure { unavailable(QStringLiteral("the session bus is gone")) };
    }
    QDBusMessage get
        = QDBusMessage::createMethodCall(secretsName, QStringLiteral("/org/freedesktop/secrets/aliases/default"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.Secret.Collection") << QStringLiteral("Locked");
    const QDBusPendingCall call = bus.asyncCall(get, static_cast<int>(m_timeout.count()));
    const QDBusMessage reply = co_await call;
    if (reply.type() != QDBusMessage::ReplyMessage) {
        co_return Failure { unavailable(
            QStringLiteral("the Secret Service has no default keyring (%1)").arg(reply.errorMessage())) };
    }
    const QVariant locked = reply.arguments().value(0).value<QDBusVariant>().variant();
    if (locked.typeId() != QMetaType::Bool) {
        co_return Failure { unavailable(QStringLiteral("the Secret Service did not say whether it is locked")) };
    }
    if (locked.toBool()) {
        co_return Failure { unavailable(QStringLiteral("the login keyring is locked")) };
    }
    co_return Done {};
}

} // namespace amplora::api
