#pragma once

// The throttle moved to the base layer so the API can pace its events with it; this name stays until the last
// includes of the old path are gone.
#include "base/Throttler.h"
