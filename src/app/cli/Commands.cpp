#include "app/cli/Commands.h"

#include "app/cli/ActionCommand.h"
#include "app/startup/AmploraApp.h"
#include "core/protocol/SharedNetworkAccess.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTextStream>

#include <cstdio>

namespace amplora::cli {

namespace {

QString usage()
{
    //: Keep the command and option names, the upper-case placeholders and the examples as they are.
    return QCoreApplication::translate("amplora::cli",
        "Usage: amplora [--mock] [--read-only] [--mock-discovery-empty]\n"
        "       amplora --headless [--mock] [--read-only]    no windows: the store, the local API and the actions\n"
        "       amplora action NAME [ARGS]                   one action through the running Amplora (see --help)\n"
        "       amplora api-token [--regenerate] [--mock]    the local API's bearer token (--mock: a --mock run's)\n"
        "       amplora yxc [--read-only] HOST COMMAND [ARGS]   one receiver command (see amplora yxc --help)\n"
        "       amplora discover [--probe HOST[,HOST...]]        the receivers on the network, one a line\n"
        "       amplora diagnostics [--output FILE] [--host HOST]   a redacted .tar.gz for a bug report\n"
        "       amplora --help | --version\n"
        "With --verbose, action, api-token, yxc and discover also print Amplora's log lines on stderr.\n");
}

const QStringList launchFlags { QStringLiteral("--mock"), QStringLiteral("--read-only"),
    QStringLiteral("--mock-discovery-empty"), QStringLiteral("--headless") };

// A subcommand says what went wrong itself, as a sentence for the user; the log lines of the layers below would
// say it again, in their own words. They reach stderr only when asked for: with --verbose, or by
// QT_LOGGING_RULES, which Qt applies over the rules set here.
QStringList applyVerbosity(QStringList args)
{
    const qsizetype end = args.indexOf(QStringLiteral("--"));
    const qsizetype at = args.indexOf(QStringLiteral("--verbose"));
    if (at >= 0 && (end < 0 || at < end)) {
        args.removeAt(at);
    } else {
        QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    }
    return args;
}

} // namespace

bool isApplicationLaunch(const QStringList &args)
{
    return args.isEmpty() || launchFlags.contains(args.first());
}

bool needsWindowSystem(const QStringList &args)
{
    return isApplicationLaunch(args) && !args.contains(QStringLiteral("--headless"));
}

int dispatch(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString first = args.value(0);
    if (first == QLatin1String("diagnostics")) {
        const int code = runDiagnostics(applyVerbosity(args.mid(1)));
        releaseSharedNetworkAccess();
        return code;
    }
    if (first == QLatin1String("yxc") || first == QLatin1String("discover")) {
        const QStringList rest = applyVerbosity(args.mid(1));
        const int code = first == QLatin1String("yxc") ? runYxc(rest) : runDiscover(rest);
        releaseSharedNetworkAccess();
        return code;
    }
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        out << usage();
        return exitOk;
    }
    if (first == QLatin1String("--version")) {
        out << "amplora " << AMPLORA_VERSION << '\n';
        return exitOk;
    }
    if (first == QLatin1String("action")) {
        return runAction(applyVerbosity(args.mid(1)));
    }
    if (first == QLatin1String("api-token")) {
        return runApiToken(applyVerbosity(args.mid(1)));
    }
    if (!isApplicationLaunch(args)) {
        err << "amplora: unknown command " << first << "\n" << usage();
        return exitUsage;
    }
    for (const QString &arg : args) {
        if (!launchFlags.contains(arg)) {
            err << "amplora: unknown option " << arg << "\n" << usage();
            return exitUsage;
        }
    }
    app::AmploraApp application({ args.contains(QStringLiteral("--headless")) });
    return application.run();
}

} // namespace amplora::cli
