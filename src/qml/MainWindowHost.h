#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include <memory>

class QQmlApplicationEngine;
class QQmlEngine;
class QQuickWindow;

namespace amplora {

class AppSettings;
struct ViewModels;
class ReceiverStore;

// Owns the process's one QML engine and the view models every window binds to: the main window, and the tray
// panel and the settings window, which the tray loads through load(). The application creates one after the
// store and the settings and calls show() when the main window should appear (at launch, and again from the
// tray's "Open Amplora"); closing the window only hides it. The first time the window is shown the store is
// started, as the window's launch task.
class MainWindowHost : public QObject {
    Q_OBJECT

public:
    MainWindowHost(ReceiverStore &store, AppSettings &settings, QObject *parent = nullptr);
    ~MainWindowHost() override;

    // Creates the window on first use, then shows and raises it. False (with the reason logged) when the
    // window's QML could not be loaded.
    bool show();
    // The window, once loaded; for tests and screenshots.
    QQuickWindow *window() const;
    // The view models every window of the engine binds to.
    ViewModels &models() const { return *m_models; }
    // Creates another window of the module from its QML file (a name such as "SettingsWindow.qml") with the
    // given initial properties. The caller owns it. None (with the reason logged) when it does not load.
    QQuickWindow *load(const QString &file, const QVariantMap &initialProperties);

Q_SIGNALS:
    // The user asked for the settings window from the main window (Ctrl+,).
    void settingsRequested();

public:
    // What every window of the process needs once, before the first one exists: the module's types, the
    // renderer (SceneGraphBackend) and the icon theme the symbols are drawn from. prepare() calls it.
    static void prepareProcess();
    // Gives an engine everything the Amplora.Ui module needs: its types, the view models and settings
    // singletons, the image providers, and the guard that keeps it off the network (NetworkGuard). Used by the
    // host itself and by QML tests.
    static void prepare(QQmlEngine &engine, ViewModels &models, AppSettings &settings);

private:
    ReceiverStore &m_store;
    std::unique_ptr<ViewModels> m_models;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QPointer<QQuickWindow> m_window;
};

} // namespace amplora
