#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QQuickWindow>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

namespace amplora {
class MainWindowHost;
class ReceiverStore;
} // namespace amplora

namespace amplora::app {

class APIController;
class APISettings;
class LoginItem;

// The tray icon and the two windows it opens through the main window host's engine: the compact panel (shown
// beside the icon when it is activated) and the settings window. Start-up creates one after the main window host
// and calls install(); from then on closing the main window leaves the process running in the tray, and the
// panel's "Open Amplora" calls `openMainWindow` to bring the window back.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    TrayIcon(MainWindowHost &windows, ReceiverStore &store, APIController &controller,
        std::function<void()> openMainWindow, QObject *parent = nullptr);
    ~TrayIcon() override;

    // Draws the icon and shows it (the theme lookup is slow enough to wait until the main window is on screen).
    // When the desktop offers a tray, the process stops ending with its last window; without
    // one it keeps ending there, since nothing would be left to bring the window back. True when the icon is in
    // a tray.
    bool install();

    QSystemTrayIcon &icon() const { return *m_icon; }

    // Handed to the settings window for its "Save diagnostics" button; set before the window is first shown.
    QObject *diagnostics = nullptr;
    // The windows, once opened; for tests and screenshots.
    QQuickWindow *panelWindow() const { return m_panel; }
    QQuickWindow *settingsWindow() const { return m_settings; }

    // Shows the panel beside `anchor` (a point on the icon), or hides it when it is showing.
    Q_INVOKABLE void togglePanel(QPoint anchor);
    Q_INVOKABLE void showPanel(QPoint anchor);
    Q_INVOKABLE void openMainWindow();
    Q_INVOKABLE void openSettings();
    Q_INVOKABLE void quit();

    // Where a panel of `size` goes for an icon at `anchor` on a screen whose free area is `available`: centred
    // under the icon when it sits in the upper half, above it otherwise, always inside the free area.
    static QPoint panelPosition(QPoint anchor, QSize size, QRect available);

private:
    void activated(QSystemTrayIcon::ActivationReason reason);
    QQuickWindow *load(const QString &file);
    QPoint iconAnchor() const;

    MainWindowHost &m_windows;
    ReceiverStore &m_store;
    std::function<void()> m_openMainWindow;
    std::unique_ptr<APISettings> m_api;
    std::unique_ptr<LoginItem> m_loginItem;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QPointer<QQuickWindow> m_panel;
    QPointer<QQuickWindow> m_settings;
};

} // namespace amplora::app
