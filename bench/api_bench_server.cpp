// The local control API over a receiver that answers at once with a fixed status, for load measurements:
//   api_bench_server [--port N] [--token TOKEN]
// Prints "listening on <port>" once it accepts connections.

#include "api/auth/InMemoryTokenStore.h"
#include "api/scenes/FileSceneStore.h"
#include "api/server/ReceiverAPIServer.h"

#include "StaticReceiverControl.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

using namespace amplora;
using namespace amplora::api;

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
    ReceiverAPIServer server(configuration, std::make_shared<bench::StaticReceiverControl>(),
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
