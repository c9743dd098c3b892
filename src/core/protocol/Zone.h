#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace amplora {

// A receiver zone. Only the main zone and zone 2 exist for this application; answers that name a third or fourth
// zone are dropped while decoding.
enum class Zone { main, zone2 };

inline constexpr std::array<Zone, 2> allZones { Zone::main, Zone::zone2 };

// The wire name, used in request paths, capability ids and event objects: "main" or "zone2".
QString rawValue(Zone zone);
std::optional<Zone> zoneFromRawValue(QStringView raw);

} // namespace amplora
