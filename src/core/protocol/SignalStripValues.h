#pragma once

#include "core/protocol/FormatLight.h"
#include "core/protocol/SignalInfo.h"

#include <QString>

#include <optional>

namespace amplora {

// What the front panel's signal strip shows: the texts (or an em dash) and the lamps to light.
struct SignalStripValues {
    bool active = false;
    QString format;
    QString sampleRate;
    QString bitDepth;
    FormatLights lights;

    // Shows a signal only when the strip is active and the receiver reports a usable format.
    static SignalStripValues from(const std::optional<SignalInfo> &signal, bool active);

    friend bool operator==(const SignalStripValues &, const SignalStripValues &) = default;
};

} // namespace amplora
