#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <optional>

namespace amplora::app {

// Shows a change as a desktop notification (org.freedesktop.Notifications) where the on-screen overlay cannot be
// placed. Each notification replaces the one before, so a burst of changes is one notification that keeps up
// with them. Calls never wait on the bus: while one is on its way, only the latest change waits for its answer
// (and the id it brings). A bus without a notification service is said once in the log; then nothing is sent.
class ChangeNotifications : public QObject {
    Q_OBJECT

public:
    static constexpr int expiresAfterMs = 1500;

    explicit ChangeNotifications(QDBusConnection bus, QObject *parent = nullptr);

    void show(const QString &text);
    // No notification service answered: nothing more is sent.
    bool silenced() const { return m_unavailable; }

private:
    void send(const QString &text);
    void answered(const QDBusMessage &reply);

    QDBusConnection m_bus;
    quint32 m_id = 0; // the notification on screen, as the service numbered it; 0 for none
    bool m_sending = false;
    bool m_unavailable = false;
    std::optional<QString> m_waiting;
};

} // namespace amplora::app
