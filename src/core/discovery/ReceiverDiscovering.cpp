#include "core/discovery/ReceiverDiscovering.h"

namespace amplora {

QCoro::Task<QList<ProbeResult>> ReceiverDiscovering::probe(QStringList hosts)
{
    QList<ProbeResult> results;
    for (const QString &host : hosts) {
        results.append({ host, Failure { DiscoveryError::noAnswer(host) } });
    }
    co_return results;
}

} // namespace amplora
