#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>
#include <optional>

class QDBusArgument;
class QDBusMessage;
class QImage;

namespace amplora::app {

// One image of an icon as a StatusNotifierItem host reads it: ARGB32 pixels, each in network byte order.
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray bytes;

    static SniPixmap from(const QImage &image);
    friend bool operator==(const SniPixmap &, const SniPixmap &) = default;
};
using SniPixmaps = QList<SniPixmap>;

// What a host shows when the pointer rests on the icon: an icon (by name or as images), a title and a text.
struct SniToolTip {
    QString iconName;
    SniPixmaps pixmaps;
    QString title;
    QString text;
};

QDBusArgument &operator<<(QDBusArgument &argument, const SniPixmap &pixmap);
const QDBusArgument &operator>>(const QDBusArgument &argument, SniPixmap &pixmap);
QDBusArgument &operator<<(QDBusArgument &argument, const SniToolTip &toolTip);
const QDBusArgument &operator>>(const QDBusArgument &argument, SniToolTip &toolTip);

class StatusNotifierItemAdaptor;

// The icon in the desktop's tray, offered the way panels read it today: an org.kde.StatusNotifierItem object on
// the session bus, registered with the desktop's org.kde.StatusNotifierWatcher. A tray exists while the watcher
// has an owner and says a host (a panel that draws the icons) is registered; when the watcher comes back (a panel
// restarted) the item registers again. Nothing here waits for the bus: every call is answered later, and
// availableChanged() says the outcome once it is known and whenever it changes.
class StatusNotifierItem : public QObject {
    Q_OBJECT

public:
    static QString objectPath() { return QStringLiteral("/StatusNotifierItem"); }
    static QString watcherService() { return QStringLiteral("org.kde.StatusNotifierWatcher"); }

    StatusNotifierItem(QDBusConnection bus, QString title, QObject *parent = nullptr);
    ~StatusNotifierItem() override;

    // Exports the item, takes its name and registers with the watcher, or waits for one to appear.
    void start();

    // The icon as the theme's name for it (empty when the theme has none) and as images for hosts without it.
    void setIcon(const QString &iconName, const SniPixmaps &pixmaps);

    // Known and true once the item is in a tray; false before that is known.
    bool isAvailable() const { return m_available.value_or(false); }

    // What the host's properties read.
    QString title() const { return m_title; }
    QString iconName() const { return m_iconName; }
    SniPixmaps iconPixmaps() const { return m_pixmaps; }
    SniToolTip toolTip() const { return { QString(), {}, m_title, QString() }; }

Q_SIGNALS:
    void availableChanged(bool available);
    // The user clicked the icon (any button); `at` is the point the host gave, on the screen, or none when it
    // gave 0,0.
    void activated(std::optional<QPoint> at);

private:
    friend class StatusNotifierItemAdaptor;

    // Sends `call` without waiting; `answered` gets the reply (or the error) later, while the item exists.
    void send(const QDBusMessage &call, std::function<void(const QDBusMessage &)> answered);
    void nameRequested(const QDBusMessage &reply);
    void registerWithWatcher();
    void registered(const QDBusMessage &reply, int attempt);
    void hostAnswered(const QDBusMessage &reply, int attempt);
    void watcherOwnerChanged(const QString &owner);
    void setAvailable(bool available);
    void click(int x, int y);

private Q_SLOTS:
    // The watcher announced a host: the answer to whether a tray exists may have changed.
    void hostRegistered();

private:
    QDBusConnection m_bus;
    QString m_service;
    QString m_title;
    QString m_iconName;
    SniPixmaps m_pixmaps;
    StatusNotifierItemAdaptor *m_adaptor = nullptr;
    std::optional<bool> m_available;
    bool m_exported = false;
    bool m_named = false;
    // Counts the registrations begun, so that an answer to one the watcher's restart or departure overtook is
    // dropped.
    int m_attempt = 0;
};

} // namespace amplora::app

Q_DECLARE_METATYPE(amplora::app::SniPixmap)
Q_DECLARE_METATYPE(amplora::app::SniToolTip)
