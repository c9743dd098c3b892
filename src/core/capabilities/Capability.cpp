#include "core/capabilities/Capability.h"

#include "core/protocol/Features.h"

#include <cmath>

namespace amplora {

namespace {

// Whole decibels without a fraction, others with one: "6", "-1.5".
QString decibels(double dB)
{
    if (std::isfinite(dB) && dB == std::trunc(dB)) {
        return QString::number(dB == 0 ? 0.0 : dB, 'f', 0);
    }
    return QString::number(dB, 'f', 1);
}

} // namespace

QString capabilityName(Capability capability)
{
    switch (capability) {
    case Capability::sleep:
        return QStringLiteral("sleep timer");
    case Capability::direct:
        return QStringLiteral("direct mode");
    case Capability::enhancer:
        return QStringLiteral("enhancer");
    case Capability::dialogue:
        return QStringLiteral("dialogue level");
    case Capability::repeat:
        return QStringLiteral("repeat");
    case Capability::shuffle:
        return QStringLiteral("shuffle");
    case Capability::favourites:
        return QStringLiteral("favourites");
    case Capability::receiverScenes:
        return QStringLiteral("scene buttons");
    case Capability::tone:
        return QStringLiteral("tone control");
    case Capability::subwoofer:
        return QStringLiteral("subwoofer trim");
    case Capability::extraBass:
        return QStringLiteral("extra bass");
    case Capability::surroundAi:
        return QStringLiteral("surround AI");
    case Capability::tuner:
        return QStringLiteral("tuner");
    }
    return QString();
}

bool announces(const ZoneFeatures *zone, const QString &function)
{
    return zone && zone->funcList.contains(function);
}

Refusal Refusal::notSupported(Zone zone, Capability capability)
{
    return { Reason::notSupported, rawValue(zone) + QStringLiteral(" has no ") + capabilityName(capability) + u'.' };
}

Refusal Refusal::modeNotOffered(Capability capability, const QString &mode, const QStringList &offered)
{
    return { Reason::notSupported,
        QStringLiteral("What is playing offers no %1 \"%2\"; it offers: %3.")
            .arg(capabilityName(capability), mode, offered.join(QStringLiteral(", "))) };
}

Refusal Refusal::dialogueOutOfRange(Zone zone, int level, int minimum, int maximum)
{
    return { Reason::outOfRange,
        QStringLiteral("Dialogue level %1 is outside %2's range of %3 to %4.")
            .arg(QString::number(level), rawValue(zone), QString::number(minimum), QString::number(maximum)) };
}

Refusal Refusal::levelOutOfRange(Zone zone, const QString &what, double dB, const Levels::DecibelRange &range)
{
    return { Reason::outOfRange,
        QStringLiteral("%1 %2 dB is outside %3's range of %4 to %5 dB.")
            .arg(what, decibels(dB), rawValue(zone), decibels(range.min), decibels(range.max)) };
}

Refusal Refusal::unknownFavourite(int number)
{
    return { Reason::unknownFavourite, QStringLiteral("No favourite number %1.").arg(number) };
}

Refusal Refusal::unknownTunerPreset(int number)
{
    return { Reason::unknownFavourite, QStringLiteral("No tuner preset number %1.").arg(number) };
}

Refusal Refusal::unknownReceiverScene(Zone zone, int number, int count)
{
    return { Reason::unknownReceiverScene,
        QStringLiteral("%1 has no scene button %2 (it has 1 to %3).").arg(rawValue(zone)).arg(number).arg(count) };
}

} // namespace amplora
