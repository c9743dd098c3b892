#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace amplora {

// How this process was started. A plain value: code that needs another combination (tests, the mock
// receiver's demo tweaks) builds its own; the process's own options are `current()`.
struct LaunchOptions {
    bool mock = false;
    bool readOnly = false;
    bool dryRunOpen = false;
    bool mockSpotifyIdle = false;
    bool mockExtraBass = false;
    bool mockSurroundAI = false;
    std::optional<QString> mockSignal;
    bool isRunningTests = false;

    friend bool operator==(const LaunchOptions &, const LaunchOptions &) = default;

    // Flags are matched as whole arguments, case-sensitively; none takes a value.
    static LaunchOptions fromProcess(const QStringList &arguments, const QProcessEnvironment &environment);

    // The options of this process, computed once from QCoreApplication's arguments and the environment. The
    // application object must exist before the first call.
    static const LaunchOptions &current();

    // True when the process was started with this exact argument (used for flags that are not fields,
    // such as "--mock-discovery-empty").
    static bool processHasFlag(const QString &flag);
};

} // namespace amplora
