#pragma once

#include "core/protocol/PowerState.h"
#include "core/protocol/ZoneStatus.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace amplora {

// A zone's power: the words it shows and the words a person types for it.
namespace Power {

bool isOn(const ZoneStatus &status);
bool isOn(const std::optional<ZoneStatus> &status);
// The power word a zone shows once switched on or to standby.
QString word(bool on);
// A power word as a person or a scene writes it, in any letter case: "on", "standby" (or "off") and "toggle";
// none for anything else.
std::optional<PowerState> parse(QStringView word);
// What a power button asks of the zone: standby when it is on, else on.
PowerState toggled(const std::optional<ZoneStatus> &status);

} // namespace Power

} // namespace amplora
