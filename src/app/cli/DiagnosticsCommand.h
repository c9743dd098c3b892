#pragma once

#include <QStringList>
#include <QTextStream>

namespace amplora::cli {

// `amplora diagnostics` with its output streams and settings files given, so tests can run it against a fake
// receiver and a folder of their own. Must be called with a QCoreApplication alive; returns the exit code.
int runDiagnostics(const QStringList &args, const QStringList &settingsPaths, QTextStream &out, QTextStream &err);

} // namespace amplora::cli
