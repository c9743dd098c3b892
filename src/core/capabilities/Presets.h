#pragma once

#include "core/capabilities/Capability.h"
#include "core/protocol/Features.h"
#include "core/protocol/PresetInfo.h"
#include "core/protocol/YXCCommand.h"

#include <QList>

namespace amplora {

// The receiver's favourites: the network/USB player's presets, recalled into a zone.
namespace Favourites {

// Whether the receiver announces favourites and has the zone to play them in.
bool supported(const std::optional<Features> &features, Zone zone);
// How many slots the receiver has for them; none where it has no favourites for the zone.
std::optional<int> slotCount(const std::optional<Features> &features, Zone zone);
// Refused where there are none, or no filled slot in `listed` has this number (an empty slot recalls nothing).
Refusable<YXCCommand> recall(
    Zone zone, const std::optional<Features> &features, const QList<ListedPreset> &listed, int number);

} // namespace Favourites

// The zone's own scene buttons.
namespace ReceiverScenes {

// How many the zone has (0 when it announces none).
int count(const ZoneFeatures *zone);
Refusable<YXCCommand> recall(Zone zone, const ZoneFeatures *features, int number);

} // namespace ReceiverScenes

} // namespace amplora
