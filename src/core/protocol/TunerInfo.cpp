#include "core/protocol/TunerInfo.h"

#include <algorithm>

namespace amplora {

bool TunerPreset::isEmpty() const
{
    return number <= 0 || band.isEmpty() || band == QLatin1String("unknown");
}

QList<ListedTunerPreset> TunerPresetInfo::listed(std::optional<int> slots) const
{
    QList<ListedTunerPreset> result;
    const qsizetype count = slots ? std::clamp<qsizetype>(*slots, 0, presets.size()) : presets.size();
    for (qsizetype i = 0; i < count; ++i) {
        const TunerPreset &preset = presets.at(i);
        if (!preset.isEmpty()) {
            result.append({ static_cast<int>(i + 1), preset.band, preset.number });
        }
    }
    return result;
}

} // namespace amplora
