#pragma once

#include "core/store/LaunchOptions.h"
#include "core/store/ReceiverStore.h"

namespace amplora::app {

// The parts the application's store runs on for these launch options: the receiver's client (or the mock
// receiver with "--mock"), discovery on the network (or the sample list in the mock mode and under tests; none
// with "--mock-discovery-empty") and the Spotify opener (a dry run under tests and "--dry-run-open").
ReceiverStoreParts defaultStoreParts(const LaunchOptions &launch, bool emptyMockDiscovery);

} // namespace amplora::app
