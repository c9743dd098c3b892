#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class QQmlApplicationEngine;
class QQmlEngine;
class QQuickWindow;

namespace amplora {

class AppSettings;
class PanelModel;
class ReceiverStore;

// Owns the QML engine of the main window. The application creates one after the store and the settings and
// calls show() when the window should appear (at launch, and again from the tray's "Open Amplora"); closing
// the window only hides it. The first time the window is shown the store is started, as the window's launch
// task.
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

Q_SIGNALS:
    // The user asked for the settings window from the main window (Ctrl+,).
    void settingsRequested();

public:
    // What every window of the process needs once, before the first one exists: the module's types, the
    // renderer (SceneGraphBackend) and the icon theme the symbols are drawn from. prepare() calls it.
    static void prepareProcess();
    // Gives an engine everything the Amplora.Ui module needs: its types, the store, settings and panel model
    // singletons and the image providers. Used by the host itself and by QML tests.
    static void prepare(QQmlEngine &engine, ReceiverStore &store, AppSettings &settings, PanelModel &panel);

private:
    ReceiverStore &m_store;
    AppSettings &m_settings;
    std::unique_ptr<PanelModel> m_panel;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QPointer<QQuickWindow> m_window;
};

} // namespace amplora
