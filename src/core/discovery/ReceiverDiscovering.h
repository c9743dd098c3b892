#pragma once

#include "base/Result.h"
#include "core/discovery/DiscoveredReceiver.h"
#include "core/discovery/DiscoveryError.h"

#include <QCoroTask>
#include <QList>

namespace amplora {

// Finds receivers: the real network search, or the mock list.
class ReceiverDiscovering {
public:
    using Receivers = Result<QList<DiscoveredReceiver>, DiscoveryError>;

    virtual ~ReceiverDiscovering() = default;

    // The receivers found, sorted for display. Fails only when the search itself cannot run or is cancelled.
    virtual QCoro::Task<Receivers> discover() = 0;

    // Ends a running discover() promptly with the cancelled error; a later discover() runs normally.
    virtual void cancel() { }
};

} // namespace amplora
