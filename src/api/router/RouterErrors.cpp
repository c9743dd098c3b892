#include "api/router/RouterErrors.h"

#include "api/http/DecibelText.h"

#include <algorithm>
#include <cmath>

namespace amplora::api::RouterErrors {

namespace {

APIError make(int status, const char *code, QString message)
{
    APIError error;
    error.status = status;
    error.code = QString::fromLatin1(code);
    error.message = std::move(message);
    return error;
}

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

} // namespace

APIError outsideAPI()
{
    return make(404, "not_found", QStringLiteral("No such endpoint. The API lives under /api/v1."));
}

APIError unknownEndpoint(const QStringList &segments)
{
    return make(
        404, "not_found", QStringLiteral("No such endpoint: /api/v1/") + segments.join(u'/') + QStringLiteral("."));
}

APIError unauthorized()
{
    return make(401, "unauthorized", QStringLiteral("Missing or wrong token. Send \"Authorization: Bearer <token>\"."));
}

APIError methodNotAllowed(const QString &allowedMethods)
{
    return make(405, "method_not_allowed", QStringLiteral("Use ") + allowedMethods + QStringLiteral(" here."));
}

APIError invalidZone()
{
    return make(400, "invalid_zone", QStringLiteral("zone must be \"main\" or \"zone2\"."));
}

APIError missingField(const QString &message)
{
    return make(400, "missing_field", message);
}

APIError invalidValue(const QString &message)
{
    return make(400, "invalid_value", message);
}

APIError notOneOf(const QString &key, const QStringList &cases)
{
    return invalidValue(
        quoted(key) + QStringLiteral(" must be one of: ") + cases.join(QStringLiteral(", ")) + QStringLiteral("."));
}

APIError notWhole(const QString &key)
{
    return invalidValue(quoted(key) + QStringLiteral(" must be a whole number."));
}

APIError negative(const QString &key)
{
    return invalidValue(quoted(key) + QStringLiteral(" must be 0 or more."));
}

APIError invalidPower()
{
    return invalidValue(QStringLiteral("\"power\" must be \"on\" or \"standby\" (\"off\" also works)."));
}

APIError outOfRange(const QString &key, double lower, double upper)
{
    return make(400, "out_of_range",
        QStringLiteral("%1 must be between %2 and %3 dB.").arg(quoted(key), decibelText(lower), decibelText(upper)));
}

APIError belowMinimumVolume(double minimumDb)
{
    return make(400, "out_of_range", QStringLiteral("Volume must be at least %1 dB.").arg(decibelText(minimumDb)));
}

APIError invalidStep(const QString &key, double stepDb)
{
    return make(
        400, "invalid_step", QStringLiteral("%1 must be a multiple of %2 dB.").arg(quoted(key), decibelText(stepDb)));
}

APIError volumeAboveCap(double db, double capDb)
{
    return fromControl(ControlError::volumeAboveCap(db, capDb));
}

APIError rateLimited(int limit, double windowSeconds, double retryAfterSeconds)
{
    APIError error = make(429, "rate_limited",
        QStringLiteral("Too many volume changes: at most %1 per %2 s. Try again shortly.")
            .arg(QString::number(limit), decibelText(windowSeconds)));
    // Whole seconds for Retry-After; a client told "0" would retry at once and be refused again.
    error.retryAfterSeconds = std::max(1, static_cast<int>(std::ceil(std::min(retryAfterSeconds, 86400.0))));
    return error;
}

APIError subwooferOnlyInMain()
{
    return make(400, "not_supported", QStringLiteral("Subwoofer trim is only available in main."));
}

APIError noSoundModes(const QString &zone)
{
    return make(400, "not_supported", zone + QStringLiteral(" has no sound modes."));
}

APIError ambiguousName(const QString &requested, const QString &kind, const QStringList &names)
{
    APIError error = make(400, "ambiguous_name",
        QStringLiteral("%1 matches more than one %2: %3.")
            .arg(quoted(requested), kind, names.join(QStringLiteral(", "))));
    error.validNames = names;
    return error;
}

APIError rampOutOfRange(double maxSeconds)
{
    return make(400, "out_of_range",
        QStringLiteral("\"rampSeconds\" must be more than 0 and at most %1.").arg(QString::number(maxSeconds)));
}

APIError rampWithStep()
{
    return make(400, "invalid_value", QStringLiteral("\"rampSeconds\" goes with \"db\", not with \"step\"."));
}

APIError sceneRampOutOfRange(double maxSeconds)
{
    return make(400, "invalid_scene",
        QStringLiteral("A scene's \"rampSeconds\" must be more than 0 and at most %1.")
            .arg(QString::number(maxSeconds)));
}

APIError sceneRampWithoutVolume()
{
    return make(400, "invalid_scene", QStringLiteral("A scene's \"rampSeconds\" needs its \"volumeDb\" to fade to."));
}

APIError emptyScene()
{
    return make(400, "empty_scene", QStringLiteral("A scene needs at least one setting."));
}

APIError standbySceneWithSettings()
{
    return make(
        400, "invalid_scene", QStringLiteral("A scene that puts the receiver in standby can't change other settings."));
}

APIError inputAndFavouriteScene()
{
    return make(400, "invalid_scene",
        QStringLiteral(
            "A scene can't both switch the input and recall a favourite: the favourite picks its own input."));
}

APIError unknownFavourite(const QString &requested, Zone zone, const QStringList &names)
{
    APIError error = make(400, "unknown_favourite",
        QStringLiteral("No favourite called %1 in %2.").arg(quoted(requested), enumName(zone)));
    error.validNames = names;
    return error;
}

APIError favouriteNotFound(const QString &segment)
{
    return make(404, "favourite_not_found", QStringLiteral("No favourite number %1.").arg(segment));
}

APIError receiverSceneNotFound(Zone zone, const QString &segment)
{
    return make(
        404, "receiver_scene_not_found", QStringLiteral("%1 has no scene button %2.").arg(enumName(zone), segment));
}

APIError sceneNotFound(const QString &name)
{
    return make(404, "scene_not_found", QStringLiteral("No scene called %1.").arg(quoted(name)));
}

APIError sceneStoreFailed(const QString &description)
{
    return make(500, "scene_store_error", QStringLiteral("Couldn't read or write scenes: ") + description);
}

APIError emptyInputProfile()
{
    return make(
        400, "missing_field", QStringLiteral("Send at least one of soundMode, direct, volumeDb, dialogueLevel."));
}

APIError inputProfileNotFound(const QString &input, Zone zone)
{
    return make(404, "input_profile_not_found",
        QStringLiteral("No input profile for %1 in %2.").arg(quoted(input), enumName(zone)));
}

APIError inputProfileStoreFailed(const QString &description)
{
    return make(
        500, "input_profile_store_error", QStringLiteral("Couldn't read or write input profiles: ") + description);
}

APIError receiverFailed(const QString &description)
{
    return make(502, "receiver_error", QStringLiteral("The receiver call failed: ") + description);
}

APIError tooManySubscribers(int limit)
{
    return make(503, "too_many_subscribers", QStringLiteral("Too many event subscribers (%1).").arg(limit));
}

APIError fromControl(const ControlError &error)
{
    switch (error.kind()) {
    case ControlError::Kind::receiverFailed:
        return receiverFailed(error.description());
    case ControlError::Kind::readOnly:
        return make(502, "read_only", error.description());
    case ControlError::Kind::unknownInput:
    case ControlError::Kind::unknownSoundMode: {
        APIError refused
            = make(400, error.kind() == ControlError::Kind::unknownInput ? "unknown_input" : "unknown_sound_mode",
                error.description());
        refused.validNames = error.candidates();
        return refused;
    }
    case ControlError::Kind::noVolumeRange:
    case ControlError::Kind::noStatus:
        return make(502, "receiver_error", error.description());
    case ControlError::Kind::volumeAboveCap: {
        APIError refused = make(422, "volume_above_cap", error.description());
        refused.cap = error.capDb();
        return refused;
    }
    case ControlError::Kind::noPushEvents:
        return make(502, "no_push_events", error.description());
    case ControlError::Kind::notSupported:
        return make(400, "not_supported", error.description());
    case ControlError::Kind::outOfRange:
        return make(422, "out_of_range", error.description());
    case ControlError::Kind::unknownFavourite:
        return make(404, "favourite_not_found", error.description());
    case ControlError::Kind::unknownReceiverScene:
        return make(404, "receiver_scene_not_found", error.description());
    case ControlError::Kind::abandoned:
        return make(503, "abandoned", error.description());
    }
    return receiverFailed(error.description());
}

APIError sceneStopped(const QString &scene, const QString &step, const QStringList &applied, const QString &description)
{
    const QString done = applied.isEmpty() ? QStringLiteral("nothing") : applied.join(QStringLiteral(", "));
    return make(502, "receiver_error",
        QStringLiteral("Scene %1 stopped at %2 (already applied: %3): ").arg(quoted(scene), step, done) + description);
}

} // namespace amplora::api::RouterErrors
