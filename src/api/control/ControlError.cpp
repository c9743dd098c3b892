#include "api/control/ControlError.h"

#include "api/http/DecibelText.h"

namespace amplora::api {

ControlError ControlError::abandoned()
{
    return { Kind::abandoned, QStringLiteral("The request was abandoned: its client closed the connection first.") };
}

ControlError ControlError::refused(Kind kind, QString text)
{
    return { kind, std::move(text) };
}

ControlError ControlError::receiverFailure(QString description)
{
    return { Kind::receiverFailed, std::move(description) };
}

ControlError ControlError::readOnly(const QString &blockedPath)
{
    return { Kind::readOnly,
        QStringLiteral("Amplora is running read-only (--read-only), so it blocked ") + blockedPath
            + QStringLiteral(" before it reached the receiver. Nothing was changed.") };
}

ControlError ControlError::unknownName(
    Kind kind, const QString &noun, const QString &requested, Zone zone, QStringList candidates)
{
    ControlError error(kind, QStringLiteral("No %1 called \"%2\" in %3.").arg(noun, requested, enumName(zone)));
    error.m_candidates = std::move(candidates);
    return error;
}

ControlError ControlError::unknownInput(const QString &requested, Zone zone, QStringList candidates)
{
    return unknownName(Kind::unknownInput, QStringLiteral("input"), requested, zone, std::move(candidates));
}

ControlError ControlError::unknownSoundMode(const QString &requested, Zone zone, QStringList candidates)
{
    return unknownName(Kind::unknownSoundMode, QStringLiteral("sound mode"), requested, zone, std::move(candidates));
}

ControlError ControlError::noVolumeRange(Zone zone)
{
    return { Kind::noVolumeRange, QStringLiteral("The receiver reported no volume range for %1.").arg(enumName(zone)) };
}

ControlError ControlError::noStatus(Zone zone)
{
    return { Kind::noStatus, QStringLiteral("The receiver sent no status for %1.").arg(enumName(zone)) };
}

ControlError ControlError::noPushEvents(QString description)
{
    return { Kind::noPushEvents, std::move(description) };
}

ControlError ControlError::volumeAboveCap(double db, double capDb)
{
    ControlError error(Kind::volumeAboveCap,
        QStringLiteral("Volume %1 dB is above the cap of %2 dB.").arg(decibelText(db), decibelText(capDb)));
    error.m_capDb = capDb;
    return error;
}

QString ControlError::featureName(Feature feature)
{
    switch (feature) {
    case Feature::sleep:
        return QStringLiteral("sleep timer");
    case Feature::direct:
        return QStringLiteral("direct mode");
    case Feature::enhancer:
        return QStringLiteral("enhancer");
    case Feature::dialogue:
        return QStringLiteral("dialogue level");
    case Feature::repeat:
        return QStringLiteral("repeat");
    case Feature::shuffle:
        return QStringLiteral("shuffle");
    case Feature::favourites:
        return QStringLiteral("favourites");
    case Feature::receiverScenes:
        return QStringLiteral("scene buttons");
    }
    return QString();
}

ControlError ControlError::notSupported(Zone zone, Feature feature)
{
    return { Kind::notSupported, enumName(zone) + QStringLiteral(" has no ") + featureName(feature) + u'.' };
}

ControlError ControlError::modeNotOffered(Feature feature, const QString &mode, const QStringList &offered)
{
    return { Kind::notSupported,
        QStringLiteral("What is playing offers no %1 \"%2\"; it offers: %3.")
            .arg(featureName(feature), mode, offered.join(QStringLiteral(", "))) };
}

ControlError ControlError::dialogueOutOfRange(Zone zone, int level, int minimum, int maximum)
{
    return { Kind::outOfRange,
        QStringLiteral("Dialogue level %1 is outside %2's range of %3 to %4.")
            .arg(QString::number(level), enumName(zone), QString::number(minimum), QString::number(maximum)) };
}

ControlError ControlError::unknownFavourite(int number)
{
    return { Kind::unknownFavourite, QStringLiteral("No favourite number %1.").arg(number) };
}

ControlError ControlError::unknownReceiverScene(Zone zone, int number, int count)
{
    return { Kind::unknownReceiverScene,
        QStringLiteral("%1 has no scene button %2 (it has 1 to %3).").arg(enumName(zone)).arg(number).arg(count) };
}

} // namespace amplora::api
