// `amplora diagnostics`: the receiver's answers, Amplora's versions and settings as one redacted .tar.gz to attach
// to a bug report.

#include "app/cli/DiagnosticsCommand.h"

#include "app/cli/Commands.h"
#include "app/dbus/RunningInstance.h"
#include "app/diagnostics/DiagnosticsBundle.h"
#include "core/store/AppSettings.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QFileInfo>
#include <QSettings>

#include <memory>

namespace amplora::cli {

namespace {

QString usage()
{
    //: Keep the command and option names and the upper-case placeholders as they are.
    return QCoreApplication::translate("amplora::cli",
        "Usage: amplora diagnostics [--output FILE] [--host HOST]\n"
        "\n"
        "Writes one .tar.gz for a bug report: the receiver's answers as they came, Amplora's, Qt's and the\n"
        "system's versions, and the settings. Tokens, secrets, device ids, serial numbers, MAC addresses,\n"
        "SSIDs and every IP address but the receiver's are replaced by placeholders. The receiver is the one\n"
        "in the settings unless HOST names another. Without HOST, a running Amplora writes the bundle and\n"
        "adds its last push events, the link's health and its log lines. The file goes into the download\n"
        "folder unless FILE is given. Prints the file's path and what was redacted; a failure prints its\n"
        "reason on stderr and exits with 1.\n");
}

diagnostics::BundleItem notRunning(const QString &file)
{
    return diagnostics::BundleItem::absent(
        file, QStringLiteral("Written by the command line without a running Amplora, which alone keeps this."));
}

// What one run printed and how it ended; the run is a coroutine and holds no stream of its caller's.
struct Outcome {
    int code = exitOk;
    QString out;
    QString err;
};

Outcome outcomeOf(const Result<diagnostics::WrittenBundle, diagnostics::DiagnosticsError> &written)
{
    if (!written) {
        return { exitFailure, QString(), written.error().description() + u'\n' };
    }
    return { exitOk, QStringLiteral("%1\nRedacted: %2\n").arg(written->path, written->redacted.text()), QString() };
}

QCoro::Task<Outcome> make(diagnostics::BundleRequest request)
{
    auto written = co_await diagnostics::makeBundle(std::move(request));
    co_return outcomeOf(written);
}

} // namespace

int runDiagnostics(const QStringList &args, const DiagnosticsSources &sources, QTextStream &out, QTextStream &err)
{
    diagnostics::BundleRequest request;
    std::optional<QString> host;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            out << usage();
            return exitOk;
        }
        const bool takesValue = arg == QLatin1String("--output") || arg == QLatin1String("--host");
        if (!takesValue || i + 1 >= args.size()) {
            err << "amplora diagnostics: "
                << (takesValue ? arg + QStringLiteral(" needs a value") : QStringLiteral("unknown argument ") + arg)
                << "\n\n"
                << usage();
            return exitUsage;
        }
        (arg == QLatin1String("--output") ? request.output : host.emplace()) = args.at(++i);
    }
    // A receiver named on the command line may not be the running instance's; otherwise the instance's bundle is
    // the richer one.
    if (!host && sources.askRunningInstance) {
        const QString output = request.output.isEmpty() ? QString() : QFileInfo(request.output).absoluteFilePath();
        const auto reply = app::RunningInstance::call(QStringLiteral("WriteDiagnostics"), { output });
        if (reply) {
            out << reply->toString() << '\n';
            return exitOk;
        }
        if (!reply.error().unreachable()) {
            err << reply.error().description() << '\n';
            return exitFailure;
        }
    }
    if (!host) {
        for (const QString &path : sources.settingsPaths) {
            QSettings settings(path, QSettings::IniFormat);
            const QString configured = settings.value(QStringLiteral("receiverHost")).toString();
            if (!configured.isEmpty()) {
                host = configured;
                break;
            }
        }
    }
    request.host = host.value_or(QString());
    request.appItems = { notRunning(QStringLiteral("events.txt")), notRunning(QStringLiteral("log.txt")),
        notRunning(QStringLiteral("health.json")) };
    request.settingsPaths = sources.settingsPaths;
    request.when = QDateTime::currentDateTime();
    const Outcome outcome = QCoro::waitFor(make(std::move(request)));
    out << outcome.out;
    err << outcome.err;
    return outcome.code;
}

int runDiagnostics(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runDiagnostics(args, DiagnosticsSources { { AppSettings::openStore(false)->fileName() }, true }, out, err);
}

} // namespace amplora::cli
