// The amplora executable: picks the subcommand and hands over. Everything else lives in the libraries.

#include "app/cli/Commands.h"
#include "app/startup/Translations.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args.append(QString::fromLocal8Bit(argv[i]));
    }
    // Only the desktop launch needs a display; the subcommands and --headless run on servers without one.
    std::unique_ptr<QCoreApplication> app;
    if (amplora::cli::needsWindowSystem(args)) {
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setOrganizationName(QStringLiteral("Amplora"));
    QCoreApplication::setApplicationName(QStringLiteral("Amplora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(AMPLORA_VERSION));
    // Wayland compositors and docks match the windows to the installed desktop entry (its name and icon) by this.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.amplora.Amplora"));
    // A headless run is a service: what it prints goes to the journal, which stays English like every log.
    if (!args.contains(QStringLiteral("--headless"))) {
        amplora::app::installTranslations();
    }

    args = QCoreApplication::arguments();
    args.removeFirst();
    return amplora::cli::dispatch(args);
}
