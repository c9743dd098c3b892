#include "core/protocol/SignalStripValues.h"

namespace amplora {

namespace {

const QString emDash = QStringLiteral("\u2014");

// The trimmed text, or an em dash when it is absent or a placeholder.
QString shown(const std::optional<QString> &text)
{
    if (!text || isSignalPlaceholder(*text)) {
        return emDash;
    }
    return text->trimmed();
}

} // namespace

SignalStripValues SignalStripValues::from(const std::optional<SignalInfo> &signal, bool active)
{
    SignalStripValues values { active, emDash, emDash, emDash, {} };
    if (!active || !signal || !signal->audio) {
        return values;
    }
    const SignalInfo::Audio &audio = *signal->audio;
    if (audio.error.value_or(0) != 0) {
        return values;
    }
    const std::optional<QString> &format = audio.format;
    if (!format || isSignalPlaceholder(*format)) {
        return values;
    }
    values.format = format->trimmed();
    values.sampleRate = shown(audio.fs);
    values.bitDepth = shown(audio.bit);
    values.lights = formatLightsFor(audio.format);
    return values;
}

} // namespace amplora
