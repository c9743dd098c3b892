#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace amplora {

// The power states a command can ask for. The receiver itself only ever reports "on" or "standby".
enum class PowerState { on, standby, toggle };

// The wire value: "on", "standby" or "toggle".
QString rawValue(PowerState state);
std::optional<PowerState> powerStateFromRawValue(QStringView raw);

} // namespace amplora
