#pragma once

#include "base/Result.h"
#include "core/discovery/DiscoveredReceiver.h"
#include "core/discovery/DiscoveryError.h"

#include <QCoroTask>
#include <QList>
#include <QStringList>

namespace amplora {

// What probing one host found: the receivers there (one, or a few sharing the host), or why there are none.
struct ProbeResult {
    QString host; // as given
    Result<QList<DiscoveredReceiver>, DiscoveryError> receivers;
};

// Finds receivers: the real network search, or the mock list.
class ReceiverDiscovering {
public:
    using Receivers = Result<QList<DiscoveredReceiver>, DiscoveryError>;

    virtual ~ReceiverDiscovering() = default;

    // The receivers found, sorted for display. Fails only when the search itself cannot run or is cancelled.
    virtual QCoro::Task<Receivers> discover() = 0;

    // Asks each host (an address or name, with or without port) directly, all at once: one result per host in
    // the order given. The default finds nothing anywhere.
    virtual QCoro::Task<QList<ProbeResult>> probe(QStringList hosts);

    // Ends a running discover() or probe() promptly with the cancelled error; a later one runs normally.
    virtual void cancel() { }
};

} // namespace amplora
