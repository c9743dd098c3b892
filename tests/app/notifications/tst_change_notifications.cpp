// Changes shown as desktop notifications where the overlay cannot be placed, against a fake notification service
// on a private session bus: one notification that each change replaces, and silence on a bus without the service.

#include "app/dbus/ChangeNotifications.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QTest>

using namespace amplora;
using namespace Qt::StringLiterals;

namespace {

// The desktop's notification service as far as Notify goes: it numbers a new notification and keeps the number
// of one it replaces. Each call is written down as "app id summary expiry".
class FakeNotifications : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList calls;

public Q_SLOTS:
    Q_SCRIPTABLE uint Notify(const QString &app, uint replaces, const QString &, const QString &summary,
        const QString &body, const QStringList &, const QVariantMap &, int expiry)
    {
        calls.append(u"%1 %2 %3 %4"_s.arg(app).arg(replaces).arg(summary + body).arg(expiry));
        return replaces != 0 ? replaces : 41;
    }
};

struct Service {
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"notifications"_s);
    FakeNotifications fake;

    bool start()
    {
        return bus.registerObject(u"/org/freedesktop/Notifications"_s, &fake, QDBusConnection::ExportScriptableSlots)
            && bus.registerService(u"org.freedesktop.Notifications"_s);
    }
    ~Service()
    {
        bus.unregisterService(u"org.freedesktop.Notifications"_s);
        bus.unregisterObject(u"/org/freedesktop/Notifications"_s);
        QDBusConnection::disconnectFromBus(u"notifications"_s);
    }
};

} // namespace

class TestChangeNotifications : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY2(QDBusConnection::sessionBus().isConnected(), "runs on a private session bus"); }

    void oneNotificationForABurst_data()
    {
        QTest::addColumn<bool>("paced"); // each change after the service took the one before
        QTest::addColumn<QStringList>("calls");

        // Each replaces the first one's notification, by the number its answer brought.
        QTest::addRow("three changes, one after another")
            << true
            << QStringList { u"Amplora 0 -30.0 dB 1500"_s, u"Amplora 41 -29.5 dB 1500"_s, u"Amplora 41 Muted 1500"_s };
        // While the first is on its way, only the latest change waits for its number.
        QTest::addRow("three changes at once")
            << false << QStringList { u"Amplora 0 -30.0 dB 1500"_s, u"Amplora 41 Muted 1500"_s };
    }

    void oneNotificationForABurst()
    {
        QFETCH(bool, paced);
        QFETCH(QStringList, calls);
        Service service;
        QVERIFY(service.start());
        app::ChangeNotifications notifications(QDBusConnection::sessionBus());

        int sent = 0;
        for (const QString &text : { u"-30.0 dB"_s, u"-29.5 dB"_s, u"Muted"_s }) {
            notifications.show(text);
            ++sent;
            if (paced) {
                QTRY_COMPARE(service.fake.calls.size(), sent);
            }
        }
        QTRY_COMPARE(service.fake.calls, calls);
        QTest::qWait(50); // and nothing after them
        QCOMPARE(service.fake.calls, calls);
    }

    void quietOnABusWithoutTheService()
    {
        app::ChangeNotifications notifications(QDBusConnection::sessionBus());
        notifications.show(u"-30.0 dB"_s);
        // Once the answer that no one offers the service is back, changes are not sent, even to a service that
        // appears later.
        QTRY_VERIFY(notifications.silenced());
        Service service;
        QVERIFY(service.start());
        notifications.show(u"Muted"_s);
        QTest::qWait(50);
        QCOMPARE(service.fake.calls, QStringList());
    }
};

QTEST_GUILESS_MAIN(TestChangeNotifications)
#include "tst_change_notifications.moc"
