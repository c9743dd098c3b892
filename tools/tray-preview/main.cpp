// amplora-tray-preview: the tray's compact panel or the settings window over the mock receiver's preview
// fixtures, with two stored scenes and a running API on loopback, for looking at them and for screenshots.
//
//   amplora-tray-preview (--panel | --settings) [--screenshot FILE]

#include "api/auth/InMemoryTokenStore.h"
#include "api/scenes/FileSceneStore.h"
#include "api/scenes/SceneService.h"
#include "app/controller/APIController.h"
#include "app/controller/ReceiverControlAdapter.h"
#include "app/tray/TrayIcon.h"
#include "core/mock/MockReceiver.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"
#include "qml/MainWindowHost.h"

#include <QCommandLineParser>
#include <QCoroTask>
#include <QGuiApplication>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace amplora;

namespace {

QCoro::Task<> seed(std::shared_ptr<api::SceneStore> scenes, QList<api::ReceiverScene> list)
{
    for (const api::ReceiverScene &scene : list) {
        (void)co_await scenes->save(scene);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Amplora"));

    QCommandLineParser parser;
    const QCommandLineOption panel(QStringLiteral("panel"));
    const QCommandLineOption settingsWindow(QStringLiteral("settings"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"), QStringLiteral("PNG to write"), QStringLiteral("FILE"));
    parser.addOptions({ panel, settingsWindow, screenshot });
    parser.addHelpOption();
    parser.process(app);

    // Throw-away settings and scenes: previews never touch the user's files.
    QTemporaryDir scratch;
    AppSettings settings(
        std::make_unique<QSettings>(scratch.filePath(QStringLiteral("preview.conf")), QSettings::IniFormat));
    settings.setHost(QStringLiteral("192.0.2.10")); // never routed, and no name to look up
    ReceiverStore::Parts parts;
    auto preview = MockReceiver::load(false, MockReceiver::previewFixtureDirectory());
    if (!preview) {
        std::fprintf(stderr, "%s\n", qPrintable(preview.error().description()));
        return 1;
    }
    std::shared_ptr<MockReceiver> receiver = std::move(preview).value();
    parts.transport = receiver;
    parts.transportFactory = [receiver](const QString &) { return receiver; };
    parts.eventBindAddress = QHostAddress(QHostAddress::LocalHost);
    parts.eventPort = 0;
    ReceiverStore store(settings, LaunchOptions {}, std::move(parts));

    app::APIController::Parts apiParts;
    apiParts.control = std::make_shared<app::ReceiverControlAdapter>(store);
    apiParts.tokenStore = std::make_shared<api::InMemoryTokenStore>(QStringLiteral("q8Zt3mWx0bK1vN7yR4pL2sHc9fJ6dG5a"));
    auto scenes = std::make_shared<api::FileSceneStore>(scratch.filePath(QStringLiteral("scenes.json")));
    apiParts.scenes = std::make_shared<api::SceneService>(apiParts.control, scenes, api::ReceiverAPIConfiguration {});
    settings.defaults().setValue(QStringLiteral("apiEnabled"), true);
    settings.defaults().setValue(QStringLiteral("apiPort"), 18765);
    app::APIController controller(settings.defaults(), std::move(apiParts));
    api::ReceiverScene movie;
    movie.name = QStringLiteral("Movie night");
    movie.power = api::PowerState::on;
    movie.input = QStringLiteral("HDMI 1");
    movie.volumeDb = -32;
    movie.bass = 2;
    api::ReceiverScene quiet;
    quiet.name = QStringLiteral("Quiet");
    quiet.zone = api::Zone::main;
    quiet.volumeDb = -45.5;
    quiet.treble = -1.5;
    QCoro::waitFor(seed(scenes, { movie, quiet }));

    MainWindowHost windows(store, settings);
    app::TrayIcon tray(windows, store, controller, [] {});
    store.start();
    controller.apply();
    QQuickWindow *window = nullptr;
    if (parser.isSet(settingsWindow)) {
        tray.openSettings();
        window = tray.settingsWindow();
        // Tall enough to show every section at once.
        if (window) {
            window->resize(window->width(), 1100);
        }
    } else {
        tray.showPanel(QPoint(1700, 12));
        window = tray.panelWindow();
    }
    if (!window) {
        return 1;
    }

    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        // Long enough for the connection, the scenes and the API to settle.
        QTimer::singleShot(2000, &app, [&] {
            const QImage image = window->grabWindow();
            if (image.isNull() || !image.save(file)) {
                std::fprintf(stderr, "could not write %s\n", qPrintable(file));
                QCoreApplication::exit(1);
                return;
            }
            QCoreApplication::quit();
        });
    }
    return app.exec();
}
