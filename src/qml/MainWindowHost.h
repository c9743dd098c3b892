#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QVariantMap>

#include <memory>

class QQmlApplicationEngine;
class QQmlEngine;
class QQuickWindow;

namespace amplora {

class AppSettings;
class OnScreenDisplay;
struct ViewModels;
class ReceiverStore;

// Owns the process's one QML engine and the view models every window binds to: the main window, and the tray
// panel and the settings window, which the tray loads through load(). The application creates one after the
// store and the settings and calls show() when the main window should appear (at launch, and again from the
// tray's "Open Amplora"). Closing the window hides it; while something else keeps the process running (the tray,
// see setReleaseWhenClosed) it deletes the window instead, so that a process waiting in the tray holds no scene
// graph, and show() builds it again where it was. The first time the window is on screen the store is started,
// as the window's launch task. While the window is in the background, changes show in a small overlay
// (OnScreenDisplay), made on first use. The engine is made with the first window; once windows close into the
// tray and none is left, it goes too, and the next window makes a new one.
class MainWindowHost : public QObject {
    Q_OBJECT

public:
    MainWindowHost(ReceiverStore &store, AppSettings &settings, QObject *parent = nullptr);
    ~MainWindowHost() override;

    // Creates the window on first use, then shows and raises it. False (with the reason logged) when the
    // window's QML could not be loaded.
    bool show();
    // The window, while it exists; for tests and screenshots.
    QQuickWindow *window() const;
    // Whether the engine exists now (it is made with the first window and goes with the last); for tests.
    bool hasEngine() const { return m_engine != nullptr; }
    // Whether closing a window deletes it (and returns the memory it held) rather than hiding it: for a process
    // that something else keeps running. It counts for the main window, the overlay once the main window is gone,
    // and every window made by load(); when the last of them is gone, so is the engine. Off by default.
    void setReleaseWhenClosed(bool release);
    // The view models every window of the engine binds to.
    ViewModels &models() const { return *m_models; }
    // Creates another window of the module from its QML file (a name such as "SettingsWindow.qml") with the
    // given initial properties. The caller owns it, but it cannot outlive the engine: while windows close into
    // the tray (setReleaseWhenClosed) the host deletes it once it is hidden, and at the latest when the host goes.
    // Keep it in a QPointer. None (with the reason logged) when it does not load.
    QQuickWindow *load(const QString &file, const QVariantMap &initialProperties);
    // What changes show on screen; the overlay that shows them, once one was shown and the platform can place it.
    OnScreenDisplay &onScreenDisplay() const { return *m_onScreenDisplay; }
    QQuickWindow *overlay() const;
    // Whether the platform lets the overlay be placed where it belongs: a Wayland compositor decides every
    // window's position itself, and Qt offers no protocol to ask otherwise, so there a notification stands in.
    static bool canPlaceOverlay();

Q_SIGNALS:
    // The user asked for the settings window from the main window (Ctrl+,).
    void settingsRequested();
    // The window's first frame is on screen: start-up work that would delay it waits for this. Once per process.
    void firstFrameShown();

public:
    // What every window of the process needs once, before the first one exists: the module's types, the
    // renderer (SceneGraphBackend) and the icon theme the symbols are drawn from. prepare() calls it.
    static void prepareProcess();
    // Gives an engine everything the Amplora.Ui module needs: its types, the view models and settings
    // singletons, the image providers, and the guard that keeps it off the network (NetworkGuard). Used by the
    // host itself and by QML tests.
    static void prepare(QQmlEngine &engine, ViewModels &models, AppSettings &settings);

private:
    // Makes the overlay the first time a change is shown and puts it on the main window's screen.
    void placeOverlay();
    // The engine, made (and prepared) on first use.
    QQmlApplicationEngine &engine();
    // Makes a window of the module; none (with the reason logged) when it does not load.
    QQuickWindow *create(const QString &file, const QVariantMap &initialProperties);
    // Calls release() soon after `window` is hidden.
    void releaseWhenHidden(QQuickWindow *window);
    // While windows close into the tray: deletes the hidden windows (the main window keeps where it was for the
    // next show()), and the engine once no window is left.
    void release();

    ReceiverStore &m_store;
    AppSettings &m_settings;
    std::unique_ptr<ViewModels> m_models;
    std::unique_ptr<QQmlApplicationEngine> m_engine; // while a window needs it
    QPointer<QQuickWindow> m_window;
    QPointer<QQuickWindow> m_overlay;
    QList<QPointer<QQuickWindow>> m_loaded; // made by load()
    std::unique_ptr<OnScreenDisplay> m_onScreenDisplay;
    QRect m_releasedGeometry; // where the released window was; none before the first release
    bool m_releaseWhenClosed = false;
    bool m_firstFrameSeen = false;
};

} // namespace amplora
