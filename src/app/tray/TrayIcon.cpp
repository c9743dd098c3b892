#include "app/tray/TrayIcon.h"

#include "app/Logging.h"
#include "app/controller/APIController.h"
#include "app/settings/APISettings.h"
#include "app/settings/LoginItem.h"
#include "core/store/LaunchOptions.h"
#include "core/store/ReceiverStore.h"
#include "qml/MainWindowHost.h"
#include "qml/SymbolProvider.h"
#include "qml/Symbols.h"

#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
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
    , m_icon(std::make_unique<QSystemTrayIcon>())
{
    m_icon->setToolTip(tr("Amplora", "tray icon tooltip: the application's name"));
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, &TrayIcon::activated);
}

TrayIcon::~TrayIcon()
{
    // The windows' bindings read the models while they are torn down, so they go first.
    m_icon->hide();
    delete m_panel;
    delete m_settings;
}

bool TrayIcon::install()
{
    // Installed, the icon is the theme's symbolic one: a StatusNotifierItem host gets its name and draws it in
    // the panel's own colours. Otherwise the receiver symbol in a light grey that reads on dark and on light
    // panels.
    const QString symbolic = QStringLiteral("org.amplora.Amplora-symbolic");
    QIcon icon;
    if (QIcon::hasThemeIcon(symbolic)) {
        icon = QIcon::fromTheme(symbolic);
    } else {
        for (const int edge : { 16, 22, 32, 48, 64 }) {
            icon.addPixmap(QPixmap::fromImage(SymbolProvider().requestImage(
                Symbols::iconName(QStringLiteral("hifireceiver")) + QStringLiteral("/ffc8c8c8"), nullptr,
                QSize(edge, edge))));
        }
    }
    m_icon->setIcon(icon);
    m_icon->show();
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    QGuiApplication::setQuitOnLastWindowClosed(!available);
    if (!available) {
        qCWarning(lcApp) << "No system tray: closing the main window ends Amplora";
    }
    return available;
}

void TrayIcon::activated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick
        || reason == QSystemTrayIcon::MiddleClick || reason == QSystemTrayIcon::Context) {
        togglePanel(iconAnchor());
    }
}

QPoint TrayIcon::iconAnchor() const
{
    // A StatusNotifierItem host does not tell where the icon is; the click that activated it is near it.
    const QRect geometry = m_icon->geometry();
    return geometry.isValid() && !geometry.isEmpty() ? geometry.center() : QCursor::pos();
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
