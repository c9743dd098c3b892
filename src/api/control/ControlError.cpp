#include "api/control/ControlError.h"

#include "api/http/DecibelText.h"

namespace amplora::api {

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

} // namespace amplora::api
