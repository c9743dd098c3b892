#pragma once

#include "core/capabilities/Playback.h"
#include "core/capabilities/Power.h"
#include "core/capabilities/Switches.h"

// The names the window's view models still read the zone's state by; each rule lives in its capability unit.
namespace amplora::ZoneRules {

using Playback::isPlaying;
using Power::isOn;

inline std::optional<bool> directState(const ZoneStatus &status, const ZoneFeatures *features)
{
    return Direct::state(status, features);
}

} // namespace amplora::ZoneRules
