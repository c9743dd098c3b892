#include "core/protocol/PowerState.h"

#include "core/protocol/RawValueTable.h"

namespace amplora {

namespace {

using namespace Qt::StringLiterals;

constexpr RawValueTable<PowerState, 3> names { { { PowerState::on, "on"_L1 }, { PowerState::standby, "standby"_L1 },
    { PowerState::toggle, "toggle"_L1 } } };

} // namespace

QString rawValue(PowerState value)
{
    return rawValueIn(names, value);
}

std::optional<PowerState> powerStateFromRawValue(QStringView raw)
{
    return valueIn(names, raw);
}

} // namespace amplora
