#include "app/tray/StatusNotifierItem.h"

#include "app/Logging.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QImage>
#include <QtEndian>

namespace amplora::app {

namespace {

const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");

// RequestName's flag and its answers, as the bus numbers them.
constexpr uint doNotQueue = 4;
constexpr uint primaryOwner = 1;
constexpr uint alreadyOwner = 4;

} // namespace

SniPixmap SniPixmap::from(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    SniPixmap pixmap { argb.width(), argb.height(), {} };
    pixmap.bytes.resize(qsizetype(argb.width()) * argb.height() * 4);
    auto *out = reinterpret_cast<uchar *>(pixmap.bytes.data());
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            qToBigEndian<quint32>(line[x], out);
            out += 4;
        }
    }
    return pixmap;
}

QDBusArgument &operator<<(QDBusArgument &argument, const SniPixmap &pixmap)
{
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.bytes;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, SniPixmap &pixmap)
{
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.bytes;
    argument.endStructure();
    return argument; // NOLINT(bugprone-return-const-ref-from-parameter): the form qDBusRegisterMetaType requires
}

QDBusArgument &operator<<(QDBusArgument &argument, const SniToolTip &toolTip)
{
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.pixmaps << toolTip.title << toolTip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, SniToolTip &toolTip)
{
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.pixmaps >> toolTip.title >> toolTip.text;
    argument.endStructure();
    return argument; // NOLINT(bugprone-return-const-ref-from-parameter): as above
}

// The bus face of the item: Qt exports its properties, methods and signals under the interface's name.
class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(amplora::app::SniPixmaps IconPixmap READ iconPixmap)
    Q_PROPERTY(amplora::app::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    explicit StatusNotifierItemAdaptor(StatusNotifierItem &item)
        : QDBusAbstractAdaptor(&item)
        , m_item(item)
    { }

    static QString category() { return QStringLiteral("ApplicationStatus"); }
    static QString id() { return QStringLiteral("org.amplora.Amplora"); }
    QString title() const { return m_item.title(); }
    static QString status() { return QStringLiteral("Active"); }
    QString iconName() const { return m_item.iconName(); }
    SniPixmaps iconPixmap() const { return m_item.iconPixmaps(); }
    SniToolTip toolTip() const { return m_item.toolTip(); }
    static bool itemIsMenu() { return false; }
    // No exported menu: every click opens the panel, which holds what a menu would.
    static QDBusObjectPath menu() { return QDBusObjectPath(QStringLiteral("/NO_DBUSMENU")); }

public Q_SLOTS:
    void Activate(int x, int y) { m_item.click(x, y); }
    void SecondaryActivate(int x, int y) { m_item.click(x, y); }
    void ContextMenu(int x, int y) { m_item.click(x, y); }
    void Scroll(int delta, const QString &orientation)
    {
        Q_UNUSED(delta);
        Q_UNUSED(orientation);
    }

Q_SIGNALS:
    void NewIcon();
    void NewToolTip();
    void NewStatus(const QString &status);
    void NewTitle();

private:
    StatusNotifierItem &m_item;
};

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, QString title, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_service(QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid()))
    , m_title(std::move(title))
{
    qDBusRegisterMetaType<SniPixmap>();
    qDBusRegisterMetaType<SniPixmaps>();
    qDBusRegisterMetaType<SniToolTip>();
    m_adaptor = new StatusNotifierItemAdaptor(*this);
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (m_exported) {
        m_bus.unregisterObject(objectPath());
    }
    if (m_named) {
        // Not waited for: the watcher forgets the item when the name goes, or when the process ends.
        QDBusMessage release = QDBusMessage::createMethodCall(
            busService, QStringLiteral("/org/freedesktop/DBus"), busService, QStringLiteral("ReleaseName"));
        release << m_service;
        m_bus.asyncCall(release);
    }
}

void StatusNotifierItem::start()
{
    if (!m_bus.isConnected() || !m_bus.registerObject(objectPath(), this, QDBusConnection::ExportAdaptors)) {
        qCWarning(lcApp).noquote() << "Could not offer the tray icon on the session bus:"
                                   << m_bus.lastError().message();
        setAvailable(false);
        return;
    }
    m_exported = true;
    // A watcher that appears later (a panel started after Amplora, or restarted) gets the item then.
    auto *watcher = new QDBusServiceWatcher(watcherService(), m_bus,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this](const QString &, const QString &, const QString &owner) { watcherOwnerChanged(owner); });
    // From any sender: naming the watcher here would make Qt ask the bus for its owner and wait.
    m_bus.connect(QString(), watcherPath, watcherService(), QStringLiteral("StatusNotifierHostRegistered"), this,
        SLOT(hostRegistered()));

    QDBusMessage request = QDBusMessage::createMethodCall(
        busService, QStringLiteral("/org/freedesktop/DBus"), busService, QStringLiteral("RequestName"));
    request << m_service << doNotQueue;
    send(request, [this](const QDBusMessage &reply) { nameRequested(reply); });
}

void StatusNotifierItem::send(const QDBusMessage &call, std::function<void(const QDBusMessage &)> answered)
{
    auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
        [answered = std::move(answered)](QDBusPendingCallWatcher *finished) {
            finished->deleteLater();
            answered(finished->reply());
        });
}

void StatusNotifierItem::setIcon(const QString &iconName, const SniPixmaps &pixmaps)
{
    m_iconName = iconName;
    m_pixmaps = pixmaps;
    Q_EMIT m_adaptor->NewIcon();
}

void StatusNotifierItem::nameRequested(const QDBusMessage &reply)
{
    const uint answer = reply.arguments().isEmpty() ? 0 : reply.arguments().constFirst().toUInt();
    if (reply.type() != QDBusMessage::ReplyMessage || (answer != primaryOwner && answer != alreadyOwner)) {
        qCWarning(lcApp).noquote() << "Could not take the tray icon's bus name" << m_service << reply.errorMessage();
        setAvailable(false);
        return;
    }
    m_named = true;
    registerWithWatcher();
}

void StatusNotifierItem::registerWithWatcher()
{
    if (!m_named) {
        return; // the name's answer registers the item
    }
    const int attempt = ++m_attempt;
    QDBusMessage registration = QDBusMessage::createMethodCall(
        watcherService(), watcherPath, watcherService(), QStringLiteral("RegisterStatusNotifierItem"));
    registration << m_service;
    send(registration, [this, attempt](const QDBusMessage &reply) { registered(reply, attempt); });
}

void StatusNotifierItem::registered(const QDBusMessage &reply, int attempt)
{
    if (attempt != m_attempt) {
        return;
    }
    if (reply.type() != QDBusMessage::ReplyMessage) {
        // Most often no watcher at all: the desktop has no tray, or its panel is not up yet.
        qCInfo(lcApp).noquote() << "No StatusNotifierWatcher took the tray icon:" << reply.errorMessage();
        setAvailable(false);
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcherService(), watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << watcherService() << QStringLiteral("IsStatusNotifierHostRegistered");
    send(get, [this, attempt](const QDBusMessage &answer) { hostAnswered(answer, attempt); });
}

void StatusNotifierItem::hostAnswered(const QDBusMessage &reply, int attempt)
{
    if (attempt != m_attempt) {
        return;
    }
    const bool host = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
        && reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
    setAvailable(host);
}

void StatusNotifierItem::hostRegistered()
{
    if (!isAvailable()) {
        registerWithWatcher();
    }
}

void StatusNotifierItem::watcherOwnerChanged(const QString &owner)
{
    if (owner.isEmpty()) {
        ++m_attempt;
        qCInfo(lcApp) << "The StatusNotifierWatcher left the session bus: the tray is gone";
        setAvailable(false);
        return;
    }
    registerWithWatcher();
}

void StatusNotifierItem::setAvailable(bool available)
{
    if (m_available == available) {
        return;
    }
    m_available = available;
    Q_EMIT availableChanged(available);
}

void StatusNotifierItem::click(int x, int y)
{
    Q_EMIT activated(x == 0 && y == 0 ? std::nullopt : std::optional(QPoint(x, y)));
}

} // namespace amplora::app

#include "StatusNotifierItem.moc"
