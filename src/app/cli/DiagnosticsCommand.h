#pragma once

#include <QStringList>
#include <QTextStream>

namespace amplora::cli {

// Where `amplora diagnostics` looks: the settings files that name the receiver, and whether a running Amplora
// (which alone has the push events and the log) is asked to write the bundle first.
struct DiagnosticsSources {
    QStringList settingsPaths;
    bool askRunningInstance = true;
};

// `amplora diagnostics` with its output streams and sources given, so tests can run it against a fake receiver
// and a folder of their own. Must be called with a QCoreApplication alive; returns the exit code.
int runDiagnostics(const QStringList &args, const DiagnosticsSources &sources, QTextStream &out, QTextStream &err);

} // namespace amplora::cli
