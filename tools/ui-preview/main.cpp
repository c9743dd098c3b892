// amplora-ui-preview: the main window in mock mode (or over the mock receiver's preview fixtures), for looking
// at the panel, for screenshots and for bench/ui_idle.
//
//   amplora-ui-preview [--demo] [--front-panel] [--setup] [--size WxH] [--screenshot FILE] [--first-frame]
//   amplora-ui-preview --minimal [--first-frame]
//
//   --demo        the preview receiver (the window tests' receiver) instead of the store's mock receiver
//   --front-panel start in the front-panel display
//   --setup       no receiver known and none found: the setup sheet
//   --size WxH    window size (default 1152x768)
//   --screenshot  save a PNG once the panel shows the receiver, then quit
//   --first-frame print "first frame after N ms" (from the start of main) when the first frame is on screen
//   --minimal     only an empty Qt Quick window of the same size: the baseline of bench/ui_idle

#include "core/discovery/MockDiscovery.h"
#include "core/mock/MockReceiver.h"
#include "core/store/AppSettings.h"
#include "core/store/LaunchOptions.h"
#include "core/store/ReceiverStore.h"
#include "qml/MainWindowHost.h"
#include "qml/SceneGraphBackend.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace amplora;

namespace {

void reportFirstFrame(QQuickWindow *window, const QElapsedTimer &sinceStart)
{
    QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [&sinceStart] {
            std::printf("first frame after %lld ms\n", static_cast<long long>(sinceStart.elapsed()));
            std::fflush(stdout);
        },
        Qt::SingleShotConnection);
}

// The smallest Qt Quick window of the same size, with nothing of the application in it.
int runMinimal(QGuiApplication &app, bool firstFrame, const QElapsedTimer &sinceStart)
{
    // The renderer the application would pick on this machine, so that both are measured the same way.
    SceneGraphBackend::choose();
    QQmlApplicationEngine engine;
    engine.loadData("import QtQuick\nWindow { width: 1152; height: 768; visible: true; color: \"#101010\"; "
                    "Text { anchors.centerIn: parent; text: \"Amplora\"; color: \"white\" } }");
    auto *window
        = engine.rootObjects().isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(engine.rootObjects().first());
    if (!window) {
        return 1;
    }
    if (firstFrame) {
        reportFirstFrame(window, sinceStart);
    }
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Amplora"));

    QCommandLineParser parser;
    const QCommandLineOption demo(QStringLiteral("demo"));
    const QCommandLineOption display(QStringLiteral("front-panel"));
    const QCommandLineOption setup(QStringLiteral("setup"));
    const QCommandLineOption size(
        QStringLiteral("size"), QStringLiteral("window size"), QStringLiteral("WxH"), QStringLiteral("1152x768"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"), QStringLiteral("PNG to write"), QStringLiteral("FILE"));
    const QCommandLineOption firstFrame(QStringLiteral("first-frame"));
    const QCommandLineOption minimal(QStringLiteral("minimal"));
    parser.addOptions({ demo, display, setup, size, screenshot, firstFrame, minimal });
    parser.addHelpOption();
    parser.process(app);
    if (parser.isSet(minimal)) {
        return runMinimal(app, parser.isSet(firstFrame), sinceStart);
    }

    // A throw-away settings file: previews never touch the user's receiver address or cap.
    QTemporaryDir scratch;
    AppSettings settings(
        std::make_unique<QSettings>(scratch.filePath(QStringLiteral("preview.conf")), QSettings::IniFormat));
    settings.setFrontPanelDisplay(parser.isSet(display));

    LaunchOptions launch;
    launch.mock = !parser.isSet(demo);
    // A preview never starts other applications (the Spotify hand-off).
    launch.dryRunOpen = true;
    ReceiverStore::Parts parts;
    if (parser.isSet(setup)) {
        launch.mock = false;
        parts.discovery = std::make_unique<MockDiscovery>(QList<DiscoveredReceiver> {});
    } else if (!launch.mock) {
        auto preview = MockReceiver::load(false, MockReceiver::previewFixtureDirectory());
        if (!preview) {
            std::fprintf(stderr, "%s\n", qPrintable(preview.error().description()));
            return 1;
        }
        std::shared_ptr<MockReceiver> receiver = std::move(preview).value();
        settings.setHost(QStringLiteral("192.0.2.10")); // never routed, and no name to look up
        parts.transport = receiver;
        parts.transportFactory = [receiver](const QString &) { return receiver; };
    }
    // Push events are not needed here; loopback keeps the preview off the network.
    parts.eventBindAddress = QHostAddress(QHostAddress::LocalHost);
    parts.eventPort = 0;
    ReceiverStore store(settings, launch, std::move(parts));

    MainWindowHost host(store, settings);
    if (!host.show()) {
        return 1;
    }
    if (parser.isSet(firstFrame)) {
        reportFirstFrame(host.window(), sinceStart);
    }
    const QStringList wanted = parser.value(size).split(u'x');
    if (wanted.size() == 2) {
        host.window()->resize(wanted[0].toInt(), wanted[1].toInt());
    }

    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        // Long enough for the connection, the first poll and the cover to arrive.
        QTimer::singleShot(2500, &app, [&] {
            const QImage image = host.window()->grabWindow();
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
