#pragma once

#include <QStringList>
#include <QTextStream>

namespace amplora::cli {

// `amplora yxc` with its output streams given, so tests can read what it prints. Must be called with a
// QCoreApplication alive; returns the exit code.
int runYxc(const QStringList &args, QTextStream &out, QTextStream &err);

} // namespace amplora::cli
