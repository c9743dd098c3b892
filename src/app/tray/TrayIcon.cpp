#include "app/tray/TrayIcon.h"

#include "app/Logging.h"
#include "app/controller/APIController.h"
#include "app/settings/APISettings.h"
#include "app/settings/LoginItem.h"
#include "app/tray/StatusNotifierItem.h"
#include "core/store/LaunchOptions.h"
#include "core/store/ReceiverStore.h"
#include "qml/MainWindowHost.h"
#include "qml/SymbolProvider.h"
#include "qml/Symbols.h"

#include <QCursor>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QQuickWindow>
#include <QScreen>

namespace amplora::app {

TrayIcon::TrayIcon(MainWindowHost &windows, ReceiverStore &store, APIController &controller,
    std::function<void()> openMainWindow, QObject *parent)
    : QObject(parent)
    , m_windows(windows)
    , m_store(store)
    , m_openMainWindow(std::move(openMainWindow))
    , m_api(std::make_unique<APISettings>(controller, store))
    , m_loginItem(std::make_unique<LoginItem>())
{ }

TrayIcon::~TrayIcon()
{
    // The windows' bindings read the models while they are torn down, so they go first.
    m_icon.reset();
    delete m_panel;
    delete m_settings;
}

void TrayIcon::install()
{
    if (m_icon) {
        return;
    }
    m_icon = std::make_unique<StatusNotifierItem>(
        QDBusConnection::sessionBus(), tr("Amplora", "tray icon tooltip: the application's name"));
    // Installed, the icon is the theme's symbolic one: the host gets its name and draws it in the panel's own
    // colours. Otherwise the receiver symbol in a light grey that reads on dark and on light panels.
    const QString symbolic = QStringLiteral("org.amplora.Amplora-symbolic");
    if (QIcon::hasThemeIcon(symbolic)) {
        m_icon->setIcon(symbolic, {});
    } else {
        SniPixmaps pixmaps;
        for (const int edge : { 16, 22, 32, 48, 64 }) {
            pixmaps.append(SniPixmap::from(SymbolProvider().requestImage(
                Symbols::iconName(QStringLiteral("hifireceiver")) + QStringLiteral("/ffc8c8c8"), nullptr,
                QSize(edge, edge))));
        }
        m_icon->setIcon(QString(), pixmaps);
    }
    connect(m_icon.get(), &StatusNotifierItem::activated, this, &TrayIcon::activated);
    connect(m_icon.get(), &StatusNotifierItem::availableChanged, this, &TrayIcon::trayChanged);
    m_icon->start();
}

void TrayIcon::trayChanged(bool available)
{
    m_windows.setReleaseWhenClosed(available);
    QGuiApplication::setQuitOnLastWindowClosed(!available);
    if (!available) {
        qCWarning(lcApp) << "No system tray: closing the main window ends Amplora";
        // The tray went away (its panel quit) while the window was closed into it. The window comes back rather
        // than leaving a process nobody can reach; ending it instead would lose it to a panel that merely restarts.
        const QQuickWindow *window = m_windows.window();
        if (!window || !window->isVisible()) {
            openMainWindow();
        }
    }
    Q_EMIT availableChanged(available);
}

bool TrayIcon::isAvailable() const
{
    return m_icon && m_icon->isAvailable();
}

void TrayIcon::activated(std::optional<QPoint> at)
{
    // The host's point is on the icon; a host that gives none leaves the click itself, which is near it.
    togglePanel(at.value_or(QCursor::pos()));
}

QQuickWindow *TrayIcon::load(const QString &file)
{
    return m_windows.load(file,
        { { QStringLiteral("api"), QVariant::fromValue<QObject *>(m_api.get()) },
            { QStringLiteral("loginItem"), QVariant::fromValue<QObject *>(m_loginItem.get()) },
            { QStringLiteral("diagnostics"), QVariant::fromValue<QObject *>(diagnostics) },
            { QStringLiteral("shell"), QVariant::fromValue<QObject *>(this) } });
}

void TrayIcon::togglePanel(QPoint anchor)
{
    if (m_panel && m_panel->isVisible()) {
        m_panel->hide();
        return;
    }
    showPanel(anchor);
}

void TrayIcon::showPanel(QPoint anchor)
{
    if (!m_panel) {
        m_panel = load(QStringLiteral("TrayPanelWindow.qml"));
        if (!m_panel) {
            return;
        }
    }
    // The panel's task: connect when nothing has started the store yet, and show the current scenes.
    if (m_store.connection().is(ConnectionState::Kind::idle) && !m_store.launch().isRunningTests) {
        m_store.start();
    }
    m_api->refreshScenes();

    QScreen *screen = QGuiApplication::screenAt(anchor);
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    const QSize size(m_panel->width(), m_panel->height());
    if (screen) {
        m_panel->setPosition(panelPosition(anchor, size, screen->availableGeometry()));
    }
    m_panel->show();
    m_panel->raise();
    m_panel->requestActivate();
}

QPoint TrayIcon::panelPosition(QPoint anchor, QSize size, QRect available)
{
    const int gap = 6;
    int x = anchor.x() - size.width() / 2;
    int y = anchor.y() < available.center().y() ? anchor.y() + gap : anchor.y() - gap - size.height();
    x = std::clamp(x, available.left(), std::max(available.left(), available.right() + 1 - size.width()));
    y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() + 1 - size.height()));
    return { x, y };
}

void TrayIcon::openMainWindow()
{
    if (m_panel) {
        m_panel->hide();
    }
    if (m_openMainWindow) {
        m_openMainWindow();
    }
}

void TrayIcon::openSettings()
{
    if (m_panel) {
        m_panel->hide();
    }
    if (!m_settings) {
        m_settings = load(QStringLiteral("SettingsWindow.qml"));
        if (!m_settings) {
            return;
        }
    }
    m_settings->show();
    m_settings->raise();
    m_settings->requestActivate();
}

void TrayIcon::quit()
{
    QCoreApplication::quit();
}

} // namespace amplora::app
