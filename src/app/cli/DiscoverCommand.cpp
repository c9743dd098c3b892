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
        "       amplora discover --probe HOST[,HOST...] [--mock] [--verbose]\n"
        "\n"
        "Searches the local network for receivers (about 3 seconds plus their answers) and prints one line\n"
        "per receiver: name \u00B7 model \u00B7 host \u00B7 device id. Finding none is not an error; it says so\n"
        "on stderr. --mock and --mock-discovery-empty print the mock mode's sample list (or none) without\n"
        "touching the network. --include-loopback also searches on the loopback interface, for test set-ups.\n"
        "--verbose also prints Amplora's log lines on stderr (why a device was left out, for instance).\n"
        "\n"
        "--probe asks each HOST (an IP address or host name, optionally with :PORT) directly, for receivers\n"
        "on another subnet that the search does not reach: the search request by unicast to HOST:1900, and\n"
        "when nothing answers, the receiver's device information. It prints the receivers found as above and,\n"
        "for each host where none was found, the reason on stderr; it exits with 1 when no host had one.\n"
        "\n"
        "A failed search prints its reason on stderr and exits with 1; wrong arguments exit with 2.\n");
}

QCoro::Task<std::optional<ReceiverDiscovering::Receivers>> hold(QCoro::Task<ReceiverDiscovering::Receivers> task)
{
    co_return co_await std::move(task);
}

QCoro::Task<std::optional<QList<ProbeResult>>> holdProbe(QCoro::Task<QList<ProbeResult>> task)
{
    co_return co_await std::move(task);
}

void printReceivers(QTextStream &out, const QList<DiscoveredReceiver> &receivers)
{
    // Every part of the line is what a device on the network said about itself.
    for (const DiscoveredReceiver &receiver : receivers) {
        out << escapedForTerminal(receiver.label() + QStringLiteral(" \u00B7 ") + receiver.deviceID) << '\n';
    }
}

int runProbe(ReceiverDiscovering &discovery, const QStringList &hosts)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const std::optional<QList<ProbeResult>> held = QCoro::waitFor(holdProbe(discovery.probe(hosts)));
    if (!held) {
        err << "The probe ended without an answer.\n";
        return exitFailure;
    }
    bool anyFound = false;
    for (const ProbeResult &result : *held) {
        if (result.receivers) {
            anyFound = true;
            printReceivers(out, *result.receivers);
        } else {
            err << escapedForTerminal(result.receivers.error().description()) << '\n';
        }
    }
    return anyFound ? exitOk : exitFailure;
}

} // namespace

int runDiscover(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    bool mock = false;
    bool mockEmpty = false;
    bool includeLoopback = false;
    std::optional<QStringList> probed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
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
        } else if (arg == QLatin1String("--probe") || arg.startsWith(QLatin1String("--probe="))) {
            const bool joined = arg.contains(u'=');
            if (!joined && i + 1 >= args.size()) {
                err << "amplora discover: --probe needs a host\n\n" << usage();
                return exitUsage;
            }
            const QString list = joined ? arg.section(u'=', 1) : args[++i];
            QStringList hosts = list.split(u',', Qt::SkipEmptyParts);
            for (QString &host : hosts) {
                host = host.trimmed();
            }
            hosts.removeAll(QString());
            if (hosts.isEmpty()) {
                err << "amplora discover: --probe needs a host\n\n" << usage();
                return exitUsage;
            }
            probed = probed.value_or(QStringList()) + hosts;
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

    if (probed) {
        return runProbe(*discovery, *probed);
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
    printReceivers(out, *found);
    return exitOk;
}

} // namespace amplora::cli
