#pragma once

#include <QStringList>

namespace amplora::cli {

// Exit codes shared by every subcommand.
inline constexpr int exitOk = 0;
inline constexpr int exitFailure = 1;
inline constexpr int exitUsage = 2;

// Runs the subcommand named by the first argument (the program name already removed) and returns the exit
// code. Must be called with a QCoreApplication (or a subclass) alive.
int dispatch(const QStringList &args);

// Whether the arguments start the application itself (no subcommand), and whether that needs a display.
bool isApplicationLaunch(const QStringList &args);
bool needsWindowSystem(const QStringList &args);

// `amplora yxc [--read-only] HOST COMMAND [ARGS]` (--verbose already taken out by dispatch())
int runYxc(const QStringList &args);

// `amplora discover [--mock | --mock-discovery-empty] [--include-loopback]` (--verbose as for runYxc)
int runDiscover(const QStringList &args);

// `amplora diagnostics [--output FILE] [--host HOST]` (--verbose as for runYxc)
int runDiagnostics(const QStringList &args);

} // namespace amplora::cli
