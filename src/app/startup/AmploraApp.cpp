#include "app/startup/AmploraApp.h"

#include "app/Logging.h"
#include "app/controller/APIController.h"
#include "app/dbus/ActionService.h"
#include "app/dbus/ChangeNotifications.h"
#include "app/dbus/RunningInstance.h"
#include "app/diagnostics/RunningDiagnostics.h"
#include "app/mpris/MprisService.h"
#include "app/settings/InputProfilesBackend.h"
#include "app/startup/StoreParts.h"
#include "app/startup/UnixSignalWatcher.h"
#include "app/tray/TrayIcon.h"
#include "core/store/AppSettings.h"
#include "core/store/LaunchOptions.h"
#include "core/store/ReceiverStore.h"
#include "qml/MainWindowHost.h"
#include "qml/OnScreenDisplay.h"
#include "qml/ViewModels.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QSettings>

#include <csignal>
#include <cstdio>

namespace amplora::app {

namespace {

void printLine(FILE *stream, const QString &text)
{
    std::fputs(qPrintable(text + u'\n'), stream);
    std::fflush(stream);
}

} // namespace

AmploraApp::AmploraApp(Mode mode, QObject *parent)
    : QObject(parent)
    , m_mode(mode)
{ }

AmploraApp::~AmploraApp()
{
    // The services and the controller refer to the store; they go first.
    m_mpris.reset();
    m_actions.reset();
    m_diagnostics.reset();
    m_tray.reset();
    m_changeNotifications.reset();
    m_inputProfiles.reset();
    m_window.reset();
    m_api.reset();
    m_control = {};
    m_store.reset();
    m_settings.reset();
}

int AmploraApp::run()
{
    if (const auto exitCode = start()) {
        return *exitCode;
    }
    return QCoreApplication::exec();
}

std::optional<int> AmploraApp::start()
{
    // The order matters: the settings decide the store, the store the control every door shares, and the
    // controller and the actions exist before the bus name is taken, so an early action finds them finished.
    const LaunchOptions &launch = LaunchOptions::current();
    // The log lines of this run, kept for a diagnostics bundle.
    diagnostics::installRunLog();
    m_settings = std::make_unique<AppSettings>(AppSettings::openStore(launch.mock));
    m_store = std::make_unique<ReceiverStore>(*m_settings, launch,
        defaultStoreParts(launch, LaunchOptions::processHasFlag(QStringLiteral("--mock-discovery-empty"))));
    auto control = defaultControlParts(*m_store, launch);
    if (!control) {
        printLine(stderr, QStringLiteral("Could not set up the API's scene store: ") + control.error().description());
        return 1;
    }
    m_control = std::move(control).value();
    m_api = APIController::create(*m_store, launch, m_control.control, m_control.scenes, m_control.profiles);

    m_actions = std::make_unique<ActionService>(
        ReceiverActions::Parts { m_control.control, m_control.scenes }, [this] { return m_api.get(); });
    m_actions->showWindow = [this] { return showWindow(); };
    m_diagnostics = std::make_unique<RunningDiagnostics>(RunningDiagnostics::Parts {
        m_store.get(), m_control.control, [this] { return m_api ? m_api->tokenText() : QString(); } });
    m_actions->diagnostics = m_diagnostics.get();
    switch (m_actions->registerOn(QDBusConnection::sessionBus())) {
    case ActionService::Registration::registered:
        qCInfo(lcDbus).noquote() << "Offering the actions on the session bus as" << ActionService::serviceName();
        break;
    case ActionService::Registration::noBus:
        qCWarning(lcDbus) << "No session bus: the actions (amplora action) are unavailable in this run";
        break;
    case ActionService::Registration::nameTaken:
        return handOverToRunningInstance();
    }

    offerMediaPlayer();

    m_signals = std::make_unique<UnixSignalWatcher>();
    connect(m_signals.get(), &UnixSignalWatcher::received, this, &AmploraApp::shutDown);
    m_signals->watch({ SIGINT, SIGTERM });

    if (m_mode.headless) {
        startHeadless();
        return std::nullopt;
    }
    return startDesktop();
}

std::optional<int> AmploraApp::handOverToRunningInstance()
{
    if (m_mode.headless) {
        printLine(stderr, QStringLiteral("Amplora is already running."));
        return 1;
    }
    const auto shown = RunningInstance::call(QStringLiteral("ShowWindow"), {});
    if (!shown) {
        printLine(stderr, shown.error().description());
        return 1;
    }
    qCInfo(lcApp) << "Another instance is running; asked it to show its window";
    return 0;
}

void AmploraApp::startHeadless()
{
    // A headless run exists to serve the API, so it is on for this run; a failure to serve ends the process,
    // unless the controller tries again by itself.
    m_api->enableForThisRun();
    connect(m_api.get(), &APIController::stateChanged, this, [this] {
        const APIController::State &state = m_api->state();
        if (state.kind == APIController::State::Kind::running && !m_printedURL) {
            m_printedURL = true;
            printLine(stdout, m_api->baseURL());
            // The next thing a newcomer needs is the token, and a --mock run keeps one of its own.
            printLine(stderr,
                QStringLiteral("The API's token: amplora api-token%1")
                    .arg(LaunchOptions::current().mock ? QStringLiteral(" --mock") : QString()));
        } else if (state.kind == APIController::State::Kind::failed) {
            printLine(stderr, m_api->statusLine());
            // A keyring that is locked for now is waited for; anything else will not come good by itself.
            if (!state.retrying) {
                QCoreApplication::exit(1);
            }
        }
    });
    m_api->apply();
    m_store->start();
}

std::optional<int> AmploraApp::startDesktop()
{
    if (!LaunchOptions::current().isRunningTests) {
        m_api->apply();
    }
    if (const auto refusal = showWindow()) {
        // Nothing else of the desktop app is visible yet, so a process without its window would only linger.
        printLine(stderr, *refusal);
        return 1;
    }
    // The tray keeps the process alive once the window is closed, and brings the window back.
    m_tray = std::make_unique<TrayIcon>(*m_window, *m_store, *m_api, [this] {
        if (const auto refusal = showWindow()) {
            qCWarning(lcApp).noquote() << *refusal;
        }
    });
    m_tray->diagnostics = m_diagnostics.get();
    // The icon waits for the window's first frame, which its theme lookup would delay.
    connect(
        m_window.get(), &MainWindowHost::firstFrameShown, m_tray.get(), &TrayIcon::install, Qt::SingleShotConnection);
    return std::nullopt;
}

std::optional<QString> AmploraApp::showWindow()
{
    if (m_mode.headless) {
        return QStringLiteral("Amplora is running without windows (--headless).");
    }
    // The window starts the store the first time it appears. Its host owns the one QML engine, which the tray's
    // windows share.
    if (!m_window) {
        m_window = std::make_unique<MainWindowHost>(*m_store, *m_settings);
        m_inputProfiles = std::make_unique<InputProfilesBackend>(
            *m_store, m_control.control, m_control.profiles, m_window->models().inputProfiles);
        // The settings window belongs to the tray object, which exists even where no tray is shown.
        connect(m_window.get(), &MainWindowHost::settingsRequested, this, [this] {
            if (m_tray) {
                m_tray->openSettings();
            }
        });
        if (!MainWindowHost::canPlaceOverlay()) {
            m_changeNotifications = std::make_unique<ChangeNotifications>(QDBusConnection::sessionBus());
            connect(&m_window->onScreenDisplay(), &OnScreenDisplay::changeShown, m_changeNotifications.get(),
                &ChangeNotifications::show);
        }
    }
    if (!m_window->show()) {
        return QStringLiteral("The main window could not be loaded.");
    }
    return std::nullopt;
}

void AmploraApp::offerMediaPlayer()
{
    MprisService::Hooks hooks;
    if (!m_mode.headless) {
        hooks.raise = [this] {
            if (const auto refusal = showWindow()) {
                qCWarning(lcApp).noquote() << *refusal;
            }
        };
        // A headless run belongs to whoever started it (a service manager, say); the desktop does not end it.
        hooks.quit = [this] {
            qCInfo(lcApp) << "Stopping at the request of the desktop's media controls";
            stop();
        };
    }
    m_mpris = std::make_unique<MprisService>(*m_store, std::move(hooks));
    switch (m_mpris->registerOn(QDBusConnection::sessionBus())) {
    case MprisService::Registration::registered:
        qCInfo(lcMpris).noquote() << "Offering the media-player interface as" << MprisService::serviceName();
        break;
    case MprisService::Registration::noBus:
        qCWarning(lcMpris) << "No session bus: media keys and the desktop's media controls cannot reach Amplora";
        m_mpris.reset();
        break;
    case MprisService::Registration::nameTaken:
        qCWarning(lcMpris).noquote() << "Another program holds" << MprisService::serviceName()
                                     << "- media keys and the desktop's media controls go there, not here";
        m_mpris.reset();
        break;
    }
}

void AmploraApp::shutDown(int signalNumber)
{
    qCInfo(lcApp) << "Stopping on signal" << signalNumber;
    stop();
}

void AmploraApp::stop()
{
    m_api->stop();
    m_store->stopTasks();
    AppSettings::saveToDisk(m_settings->defaults());
    QCoreApplication::exit(0);
}

} // namespace amplora::app
