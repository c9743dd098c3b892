#pragma once

#include "api/control/ControlError.h"
#include "api/http/APIError.h"

#include <QString>
#include <QStringList>

namespace amplora::api::RouterErrors {

// The router's error catalogue. Home-automation clients match on these codes and messages, so each one is
// written exactly once, here.

APIError outsideAPI(); // 404 not_found, path outside /api/v1
APIError unknownEndpoint(const QStringList &segments); // 404 not_found, the segments after /api/v1
APIError unauthorized();
APIError methodNotAllowed(const QString &allowedMethods);
APIError invalidZone();
APIError missingField(const QString &message);
APIError invalidValue(const QString &message);
APIError notOneOf(const QString &key, const QStringList &cases);
APIError notWhole(const QString &key);
APIError negative(const QString &key);
APIError invalidPower();
APIError outOfRange(const QString &key, double lower, double upper);
APIError belowMinimumVolume(double minimumDb);
APIError invalidStep(const QString &key, double stepDb);
APIError volumeAboveCap(double db, double capDb);
APIError rampOutOfRange(double maxSeconds); // 400 out_of_range
APIError rampWithStep(); // 400 invalid_value
APIError sceneRampOutOfRange(double maxSeconds); // 400 invalid_scene
APIError sceneRampWithoutVolume(); // 400 invalid_scene
APIError rateLimited(int limit, double windowSeconds, double retryAfterSeconds);
APIError subwooferOnlyInMain();
APIError noSoundModes(const QString &zone);
APIError ambiguousName(const QString &requested, const QString &kind, const QStringList &names);
APIError emptyScene();
APIError standbySceneWithSettings();
APIError inputAndFavouriteScene();
// 400 unknown_favourite with validNames, for a favourite named in a scene; a number in a path is 404.
APIError unknownFavourite(const QString &requested, Zone zone, const QStringList &names);
// 404 for a path segment that is not a slot or button number at all.
APIError favouriteNotFound(const QString &segment);
APIError receiverSceneNotFound(Zone zone, const QString &segment);
APIError sceneNotFound(const QString &name);
APIError sceneStoreFailed(const QString &description);
APIError emptyInputProfile();
APIError inputProfileNotFound(const QString &input, Zone zone);
APIError inputProfileStoreFailed(const QString &description);
APIError receiverFailed(const QString &description);
APIError tooManySubscribers(int limit); // 503
// What a client sees of a failed ReceiverControl call.
APIError fromControl(const ControlError &error);
APIError sceneStopped(
    const QString &scene, const QString &step, const QStringList &applied, const QString &description);

} // namespace amplora::api::RouterErrors
