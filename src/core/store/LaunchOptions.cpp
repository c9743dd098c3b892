#include "core/store/LaunchOptions.h"

#include <QCoreApplication>

namespace amplora {

LaunchOptions LaunchOptions::fromProcess(const QStringList &arguments, const QProcessEnvironment &environment)
{
    LaunchOptions options;
    options.mock = arguments.contains(QStringLiteral("--mock"));
    options.readOnly = arguments.contains(QStringLiteral("--read-only"));
    // Our own test runner sets AMPLORA_TESTING; the other two keys are how other harnesses announce
    // themselves.
    options.isRunningTests = environment.contains(QStringLiteral("XCTestConfigurationFilePath"))
        || environment.contains(QStringLiteral("XCTestBundlePath"))
        || environment.contains(QStringLiteral("AMPLORA_TESTING"));
    return options;
}

const LaunchOptions &LaunchOptions::current()
{
    // Thread-safe one-time initialisation; never changes afterwards.
    static const LaunchOptions options
        = fromProcess(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment());
    return options;
}

bool LaunchOptions::processHasFlag(const QString &flag)
{
    return QCoreApplication::arguments().contains(flag);
}

} // namespace amplora
