#pragma once

#include "core/protocol/ReceiverTransport.h"
#include "core/store/LaunchOptions.h"

#include <memory>

namespace amplora {

// The transport of the mock mode ("--mock"), adjusted by the launch options' demo tweaks.
std::shared_ptr<ReceiverTransport> makeMockTransport(const LaunchOptions &launch);

} // namespace amplora
