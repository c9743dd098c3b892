#include "core/discovery/MockDiscovery.h"

namespace amplora {

MockDiscovery::MockDiscovery(QList<DiscoveredReceiver> results)
    : m_results(std::move(results))
{ }

QList<DiscoveredReceiver> MockDiscovery::sampleReceivers()
{
    return {
        { QStringLiteral("Den"), QStringLiteral("RX-A2A"), QStringLiteral("192.168.1.68"), QStringLiteral("mock-den") },
        { QStringLiteral("Living Room"), QStringLiteral("R-N803"), QStringLiteral("192.168.1.72"),
            QStringLiteral("mock-living") },
    };
}

QCoro::Task<ReceiverDiscovering::Receivers> MockDiscovery::discover()
{
    // Through a const reference: QCoro 0.8 moves from a non-const lvalue handed to co_return, which would leave the
    // next scan an empty list.
    const QList<DiscoveredReceiver> &results = m_results;
    co_return results;
}

QCoro::Task<QList<ProbeResult>> MockDiscovery::probe(QStringList hosts)
{
    QList<ProbeResult> results;
    for (const QString &host : hosts) {
        QList<DiscoveredReceiver> there;
        std::copy_if(m_results.begin(), m_results.end(), std::back_inserter(there),
            [&host](const DiscoveredReceiver &receiver) { return receiver.host == host.trimmed(); });
        results.append({ host,
            there.isEmpty() ? ReceiverDiscovering::Receivers(Failure { DiscoveryError::noAnswer(host) })
                            : ReceiverDiscovering::Receivers(there) });
    }
    co_return results;
}

} // namespace amplora
