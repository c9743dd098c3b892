#pragma once

#include "base/Result.h"
#include "core/capabilities/Levels.h"
#include "core/protocol/Zone.h"

#include <QString>
#include <QStringList>

namespace amplora {

struct ZoneFeatures;

// What some zones (or what is playing) have and others do not.
enum class Capability {
    sleep,
    direct,
    enhancer,
    dialogue,
    repeat,
    shuffle,
    favourites,
    receiverScenes,
    tone,
    subwoofer,
    extraBass,
    surroundAi,
    tuner,
};

// The words that name it in "<zone> has no <name>.".
QString capabilityName(Capability capability);

// Whether the zone announces `function` in its func_list ("sleep", "enhancer", "scene", ...).
bool announces(const ZoneFeatures *zone, const QString &function);

// Why a capability refused a request before anything was sent, with its complete English text. Each door shows
// the text as it is; the API maps the reason to its own error kind.
class Refusal {
public:
    enum class Reason {
        notSupported, // the zone does not have it, or what is playing does not offer this mode of it
        outOfRange, // a value outside the range the zone announces
        unknownFavourite, // no favourite has this number
        unknownReceiverScene, // the zone has no scene button with this number
    };

    // "main has no sleep timer."
    static Refusal notSupported(Zone zone, Capability capability);
    // What is playing offers the capability, but not this mode of it now.
    static Refusal modeNotOffered(Capability capability, const QString &mode, const QStringList &offered);
    static Refusal dialogueOutOfRange(Zone zone, int level, int minimum, int maximum);
    // `what` is "Bass", "Treble" or "Subwoofer".
    static Refusal levelOutOfRange(Zone zone, const QString &what, double dB, const Levels::DecibelRange &range);
    static Refusal unknownFavourite(int number);
    static Refusal unknownReceiverScene(Zone zone, int number, int count);
    // Worded for the tuner; the same reason as a favourite, as both are presets the receiver keeps.
    static Refusal unknownTunerPreset(int number);

    Reason reason() const { return m_reason; }
    const QString &description() const { return m_text; }

    friend bool operator==(const Refusal &, const Refusal &) = default;

private:
    Refusal(Reason reason, QString text)
        : m_reason(reason)
        , m_text(std::move(text))
    { }

    Reason m_reason;
    QString m_text;
};

template<class T> using Refusable = Result<T, Refusal>;

} // namespace amplora
