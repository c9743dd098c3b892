// `amplora discover`: one discovery run, one line per receiver in the order the setup section shows them.

#include "app/cli/Commands.h"
#include "app/cli/TerminalText.h"
#include "core/discovery/MockDiscovery.h"
#include "core/discovery/ReceiverDiscovery.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QTextStream>

#include <memory>
#include <optional>

namespace amplora::cli {

namespace {

QString usage()
{
    //: Keep the command and option names, the upper-case placeholders and the examples as they are.
    return QCoreApplication::translate("amplora::cli",
        "Usage: amplora discover [--mock | --mock-discovery-empty] [--include-loopback] [--verbose]\n"
        "\n"
        "Searches the local network for receivers (about 3 seconds plus their answers) and prints one line\n"
        "per receiver: name \u00B7 model \u00B7 host \u00B7 device id. Finding none is not an error; it says so\n"
        "on stderr. --mock and --mock-discovery-empty print the mock mode's sample list (or none) without\n"
        "touching the network. --include-loopback also searches on the loopback interface, for test set-ups.\n"
        "--verbose also prints Amplora's log lines on stderr (why a device was left out, for instance).\n"
        "\n"
        "A failed search prints its reason on stderr and exits with 1; wrong arguments exit with 2.\n");
}

QCoro::Task<std::optional<ReceiverDiscovering::Receivers>> hold(QCoro::Task<ReceiverDiscovering::Receivers> task)
{
    co_return co_await std::move(task);
}

} // namespace

int runDiscover(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    bool mock = false;
    bool mockEmpty = false;
    bool includeLoopback = false;
    for (const QString &arg : args) {
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            out << usage();
            return exitOk;
        }
        if (arg == QLatin1String("--mock")) {
            mock = true;
        } else if (arg == QLatin1String("--mock-discovery-empty")) {
            mockEmpty = true;
        } else if (arg == QLatin1String("--include-loopback")) {
            includeLoopback = true;
        } else {
            err << "amplora discover: unknown argument " << arg << "\n\n" << usage();
            return exitUsage;
        }
    }

    std::unique_ptr<ReceiverDiscovering> discovery;
    if (mock || mockEmpty) {
        discovery = std::make_unique<MockDiscovery>(
            mockEmpty ? QList<DiscoveredReceiver> {} : MockDiscovery::sampleReceivers());
    } else {
        ReceiverDiscovery::Options options;
        options.search.includeLoopback = includeLoopback;
        discovery = std::make_unique<ReceiverDiscovery>(options);
    }

    const std::optional<ReceiverDiscovering::Receivers> held = QCoro::waitFor(hold(discovery->discover()));
    if (!held) {
        err << "The search ended without an answer.\n";
        return exitFailure;
    }
    const ReceiverDiscovering::Receivers &found = *held;
    if (!found) {
        err << found.error().description() << '\n';
        return exitFailure;
    }
    if (found->isEmpty()) {
        err << "No receivers found.\n";
        return exitOk;
    }
    // Every part of the line is what a device on the network said about itself.
    for (const DiscoveredReceiver &receiver : *found) {
        out << escapedForTerminal(receiver.label() + QStringLiteral(" \u00B7 ") + receiver.deviceID) << '\n';
    }
    return exitOk;
}

} // namespace amplora::cli
