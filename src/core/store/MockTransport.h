#pragma once

#include "core/protocol/ReceiverTransport.h"
#include "core/store/LaunchOptions.h"

#include <memory>

namespace amplora {

// The transport of the mock mode ("--mock"), adjusted by the launch options' demo tweaks.
std::shared_ptr<ReceiverTransport> makeMockTransport(const LaunchOptions &launch);

// The transport for the receiver at `host`: the mock receiver in the mock mode, else the receiver's client
// (read-only with "--read-only").
std::shared_ptr<ReceiverTransport> makeReceiverTransport(const LaunchOptions &launch, const QString &host);

} // namespace amplora
