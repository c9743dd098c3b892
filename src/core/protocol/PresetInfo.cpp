#include "core/protocol/PresetInfo.h"

#include <algorithm>

namespace amplora {

bool Preset::isEmpty() const
{
    return text.trimmed().isEmpty() && (input.isEmpty() || input == QLatin1String("unknown"));
}

QList<ListedPreset> PresetInfo::listed(std::optional<int> slots) const
{
    QList<ListedPreset> result;
    const qsizetype count = slots ? std::clamp<qsizetype>(*slots, 0, presets.size()) : presets.size();
    for (qsizetype i = 0; i < count; ++i) {
        const Preset &preset = presets.at(i);
        if (!preset.isEmpty()) {
            result.append({ static_cast<int>(i + 1), preset.text.trimmed(), preset.input });
        }
    }
    return result;
}

} // namespace amplora
