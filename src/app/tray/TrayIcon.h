#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QQuickWindow>

#include <functional>
#include <memory>
#include <optional>

namespace amplora {
class MainWindowHost;
class ReceiverStore;
} // namespace amplora

namespace amplora::app {

class APIController;
class APISettings;
class LoginItem;
class StatusNotifierItem;

// The tray icon and the two windows it opens through the main window host's engine: the compact panel (shown
// beside the icon when it is activated) and the settings window. Start-up creates one after the main window host
// and calls install(); once availableChanged() says the icon is in a tray, closing the main window leaves the
// process running there, and the panel's "Open Amplora" calls `openMainWindow` to bring the window back.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    TrayIcon(MainWindowHost &windows, ReceiverStore &store, APIController &controller,
        std::function<void()> openMainWindow, QObject *parent = nullptr);
    ~TrayIcon() override;

    // Draws the icon and offers it to the desktop's tray (the theme lookup is slow enough to wait until the main
    // window is on screen). Whether a tray took it comes later, through availableChanged(). While the icon is in a
    // tray, the process keeps running without windows and a closed main window is deleted (and made again when it
    // is opened); without one, closing the window ends the process, since nothing would be left to bring the
    // window back. A tray that goes away while the window is closed brings the window back.
    void install();
    // Whether the icon is in a tray now.
    bool isAvailable() const;

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

Q_SIGNALS:
    // Once it is known whether the icon is in a tray, and whenever that changes (a panel quit or came back).
    void availableChanged(bool available);

private:
    void activated(std::optional<QPoint> at);
    void trayChanged(bool available);
    QQuickWindow *load(const QString &file);

    MainWindowHost &m_windows;
    ReceiverStore &m_store;
    std::function<void()> m_openMainWindow;
    std::unique_ptr<APISettings> m_api;
    std::unique_ptr<LoginItem> m_loginItem;
    std::unique_ptr<StatusNotifierItem> m_icon; // from install() on
    QPointer<QQuickWindow> m_panel;
    QPointer<QQuickWindow> m_settings;
};

} // namespace amplora::app
