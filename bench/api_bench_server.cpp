// The local control API over a receiver that answers at once with a fixed status, for load measurements:
//   api_bench_server [--port N] [--token TOKEN]
// Prints "listening on <port>" once it accepts connections.

#include "api/auth/InMemoryTokenStore.h"
#include "api/control/ReceiverControl.h"
#include "api/scenes/FileSceneStore.h"
#include "api/server/ReceiverAPIServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

using namespace amplora;
using namespace amplora::api;

namespace {

// Answers every read from fixed values and accepts every command, without waiting.
class StaticReceiverControl final : public ReceiverControl {
public:
    StaticReceiverControl()
    {
        m_status.zone = Zone::main;
        m_status.power = PowerState::on;
        m_status.volumeDb = -35.5;
        m_status.input = QStringLiteral("HDMI 1");
        m_status.soundMode = QStringLiteral("Straight");
        m_status.bass = 0;
        m_status.treble = 1.5;
        m_status.subwoofer = -2;
        m_status.nowPlaying = NowPlaying { QStringLiteral("play"), QStringLiteral("Artist"), QStringLiteral("Album"),
            QStringLiteral("Track") };
    }

    ControlTask<ReceiverStatus> status(Zone zone) override
    {
        ReceiverStatus status = m_status;
        status.zone = zone;
        co_return status;
    }
    ControlTask<Done> setPower(Zone, PowerState) override { co_return Done {}; }
    ControlTask<Done> setVolume(Zone, double) override { co_return Done {}; }
    ControlTask<double> stepVolume(Zone, VolumeStepDirection) override { co_return -40.0; }
    ControlTask<Done> setMute(Zone, bool) override { co_return Done {}; }
    ControlTask<Done> setInput(Zone, QString) override { co_return Done {}; }
    ControlTask<Done> setSoundMode(Zone, QString) override { co_return Done {}; }
    ControlTask<Done> setTone(Zone, std::optional<double>, std::optional<double>) override { co_return Done {}; }
    ControlTask<Done> setSubwoofer(Zone, double) override { co_return Done {}; }
    ControlTask<Done> playback(PlaybackAction) override { co_return Done {}; }
    ControlTask<QStringList> inputs(Zone) override
    {
        QStringList names { QStringLiteral("HDMI 1"), QStringLiteral("HDMI 2"), QStringLiteral("Tuner") };
        co_return names;
    }
    ControlTask<QStringList> soundModes(Zone) override
    {
        QStringList names { QStringLiteral("Straight"), QStringLiteral("Hall in Munich") };
        co_return names;
    }
    ControlTask<double> volumeCapDb() override { co_return -10.0; }
    ControlTask<ReceiverHealth> health() override { co_return ReceiverHealth {}; }
    ControlTask<std::chrono::milliseconds> checkPushEvents() override { co_return std::chrono::milliseconds(0); }

private:
    ReceiverStatus m_status;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({ QStringLiteral("port"), QStringLiteral("TCP port (0: any free one)."), QStringLiteral("port"),
        QStringLiteral("0") });
    parser.addOption({ QStringLiteral("token"), QStringLiteral("The bearer token to accept."), QStringLiteral("token"),
        QStringLiteral("bench-token") });
    parser.process(app);

    QTemporaryDir scenesDir;
    ReceiverAPIConfiguration configuration;
    configuration.port = parser.value(QStringLiteral("port")).toUShort();
    ReceiverAPIServer server(configuration, std::make_shared<StaticReceiverControl>(),
        std::make_shared<InMemoryTokenStore>(parser.value(QStringLiteral("token"))),
        std::make_shared<FileSceneStore>(scenesDir.filePath(QStringLiteral("scenes.json"))));
    QCoro::connect(server.start(), &app, [&app](const Result<quint16, ServerError> &started) {
        if (!started) {
            std::fprintf(stderr, "api_bench_server: %s\n", qPrintable(started.error().description()));
            app.exit(1);
            return;
        }
        std::printf("listening on %u\n", static_cast<unsigned>(started.value()));
        std::fflush(stdout);
    });
    return app.exec();
}
