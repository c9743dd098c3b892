#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <set>

namespace amplora {

// The format lamps of the front panel's signal strip, in the order they are tested and shown.
enum class FormatLight { dolby, atmos, dts, dtsX, pcm };

inline constexpr std::array<FormatLight, 5> allFormatLights { FormatLight::dolby, FormatLight::atmos, FormatLight::dts,
    FormatLight::dtsX, FormatLight::pcm };

using FormatLights = std::set<FormatLight>;

// The lamp's label: "DOLBY", "ATMOS", "DTS", "DTS:X" or "PCM".
QString rawValue(FormatLight light);

// Whether a signal text means "no value": empty, "---" or "0" once spaces and line ends are trimmed.
bool isSignalPlaceholder(QStringView text);

// The lamps a decoder format lights: each lamp whose label the upper-cased format contains ("Dolby Atmos" lights
// DOLBY and ATMOS, "DTS:X" lights DTS and DTS:X). None for an absent format or a placeholder.
FormatLights formatLightsFor(const std::optional<QString> &format);

} // namespace amplora
