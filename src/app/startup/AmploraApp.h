#pragma once

#include "app/startup/StoreParts.h"

#include <QObject>

#include <memory>
#include <optional>

namespace amplora {
class AppSettings;
class MainWindowHost;
class ReceiverStore;
} // namespace amplora

namespace amplora::app {

class APIController;
class ActionService;
class ChangeNotifications;
class InputProfilesBackend;
class MprisService;
class RunningDiagnostics;
class TrayIcon;
class UnixSignalWatcher;

// The application object: creates the long-lived objects in their fixed order, hands the one control and scene
// service to the API and the actions, takes the session-bus name (one instance per user), offers the media-player
// interface, starts the API and the store, and stops cleanly on SIGINT or SIGTERM.
class AmploraApp : public QObject {
    Q_OBJECT

public:
    struct Mode {
        // No windows: the API runs whatever "apiEnabled" says and its base URL is printed.
        bool headless = false;
    };

    explicit AmploraApp(Mode mode, QObject *parent = nullptr);
    ~AmploraApp() override;

    // Builds everything; an exit code when the process must end at once (a set-up failure, or another
    // instance that took over), nothing when the event loop should run.
    std::optional<int> start();

    // start() followed by the event loop.
    int run();

private:
    std::optional<int> handOverToRunningInstance();
    void startHeadless();
    std::optional<int> startDesktop();
    std::optional<QString> showWindow();
    void offerMediaPlayer();
    void shutDown(int signalNumber);
    void stop();

    Mode m_mode;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<ReceiverStore> m_store;
    ControlParts m_control; // over the store; shared by the API, the actions and the windows
    std::unique_ptr<RunningDiagnostics> m_diagnostics;
    std::unique_ptr<APIController> m_api;
    std::unique_ptr<ActionService> m_actions;
    std::unique_ptr<MprisService> m_mpris;
    std::unique_ptr<UnixSignalWatcher> m_signals;
    std::unique_ptr<MainWindowHost> m_window;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<ChangeNotifications> m_changeNotifications; // where the overlay cannot be placed
    std::unique_ptr<InputProfilesBackend> m_inputProfiles; // the windows' input profiles
    bool m_printedURL = false;
};

} // namespace amplora::app
