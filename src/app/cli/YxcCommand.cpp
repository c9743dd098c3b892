#include "app/cli/Commands.h"

#include <QTextStream>

namespace amplora::cli {

int runYxc(const QStringList &)
{
    QTextStream(stderr) << "amplora yxc: not available yet.\n";
    return exitFailure;
}

} // namespace amplora::cli
