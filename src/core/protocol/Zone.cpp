#include "core/protocol/Zone.h"

#include "core/protocol/RawValueTable.h"

namespace amplora {

namespace {

using namespace Qt::StringLiterals;

constexpr RawValueTable<Zone, 2> names { { { Zone::main, "main"_L1 }, { Zone::zone2, "zone2"_L1 } } };

} // namespace

QString rawValue(Zone value)
{
    return rawValueIn(names, value);
}

std::optional<Zone> zoneFromRawValue(QStringView raw)
{
    return valueIn(names, raw);
}

} // namespace amplora
