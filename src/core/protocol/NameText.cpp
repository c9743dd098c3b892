#include "core/protocol/NameText.h"

namespace amplora {

std::optional<QString> NameText::zoneName(Zone zone) const
{
    const QString id = rawValue(zone);
    for (const IDText &entry : zoneList) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return std::nullopt;
}

} // namespace amplora
