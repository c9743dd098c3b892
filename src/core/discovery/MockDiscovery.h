#pragma once

#include "core/discovery/ReceiverDiscovering.h"

namespace amplora {

// Discovery for the mock mode: answers a fixed list at once.
class MockDiscovery : public ReceiverDiscovering {
public:
    explicit MockDiscovery(QList<DiscoveredReceiver> results = sampleReceivers());

    static QList<DiscoveredReceiver> sampleReceivers();

    QCoro::Task<Receivers> discover() override;
    // The sample receiver at a host, found without touching the network.
    QCoro::Task<QList<ProbeResult>> probe(QStringList hosts) override;

    const QList<DiscoveredReceiver> &results() const { return m_results; }

private:
    QList<DiscoveredReceiver> m_results;
};

} // namespace amplora
