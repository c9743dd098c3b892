// The amplora executable: picks the subcommand and hands over. Everything else lives in the libraries.

#include "app/cli/Commands.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Amplora"));
    QCoreApplication::setApplicationName(QStringLiteral("Amplora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(AMPLORA_VERSION));

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return amplora::cli::dispatch(args);
}
