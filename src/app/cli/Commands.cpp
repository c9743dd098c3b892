#include "app/cli/Commands.h"

#include <QTextStream>

#include <cstdio>

namespace amplora::cli {

namespace {

QString usage()
{
    return QStringLiteral(
        "Usage: amplora [--mock] [--read-only] [--mock-discovery-empty]\n"
        "       amplora yxc [--read-only] HOST COMMAND [ARGS]   one receiver command (see amplora yxc --help)\n"
        "       amplora discover                                 the receivers on the network, one a line\n"
        "       amplora --help | --version\n");
}

} // namespace

int dispatch(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString first = args.value(0);
    if (first == QLatin1String("yxc")) {
        return runYxc(args.mid(1));
    }
    if (first == QLatin1String("discover")) {
        return runDiscover(args.mid(1));
    }
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        out << usage();
        return exitOk;
    }
    if (first == QLatin1String("--version")) {
        out << "amplora " << AMPLORA_VERSION << '\n';
        return exitOk;
    }
    // The desktop window and the headless service are not part of this build yet.
    err << "amplora: the desktop application is not available in this build yet.\n" << usage();
    return exitUsage;
}

} // namespace amplora::cli
