#pragma once

#include "api/control/ControlError.h"
#include "api/control/PlaybackAction.h"
#include "api/control/PowerState.h"
#include "api/control/ReceiverExtras.h"
#include "api/control/ReceiverHealth.h"
#include "api/control/ReceiverStatus.h"
#include "api/control/VolumeStepDirection.h"
#include "api/control/Zone.h"

#include "base/Cancellation.h"
#include "base/Result.h"

#include <QCoroTask>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace amplora::api {

template<class T> using ControlTask = QCoro::Task<Result<T, ControlError>>;

// Everything the API does to the receiver goes through this contract; the application implements it on its
// receiver store. One instance serves every concurrent request, so implementations accept calls from any
// task. Values arrive already validated by the router (names resolved to an exact entry of inputs() or
// soundModes(), decibels within range and on the step).
//
// Every operation that may ask the receiver takes the caller's Cancellation. Once it fires the caller has gone
// (an API client hung up): the operation stops at its next step and fails as ControlError::Kind::abandoned,
// sends no change it had not sent yet, and leaves a receiver read that it alone waited for. A change already on
// its way is not called back. Callers that cannot go away pass Cancellation().
class ReceiverControl {
public:
    virtual ~ReceiverControl() = default;

    // A fresh snapshot of the zone.
    virtual ControlTask<ReceiverStatus> status(Zone zone, Cancellation cancel) = 0;
    // The zones the receiver has, main first.
    virtual ControlTask<QList<Zone>> zones(Cancellation cancel) = 0;
    virtual ControlTask<Done> setPower(Zone zone, PowerState state, Cancellation cancel) = 0;
    // An absolute volume in dB.
    virtual ControlTask<Done> setVolume(Zone zone, double db, Cancellation cancel) = 0;
    // One of the zone's own volume steps from its current volume, which is read once. Gives the volume sent, in
    // dB, held under the cap; a step up that would pass the cap fails as Kind::volumeAboveCap and sends nothing.
    virtual ControlTask<double> stepVolume(Zone zone, VolumeStepDirection direction, Cancellation cancel) = 0;
    // Fades from the zone's current volume (read afresh) to `db` over `duration`, in the zone's own steps and
    // never above the cap. Answers once the first step was sent; the rest follows in the background. Any other
    // volume, mute, power or input change of the zone, from here or seen on the receiver, stops the fade where it
    // stands; a new fade replaces the zone's running one.
    virtual ControlTask<Done> rampVolume(Zone zone, double db, std::chrono::milliseconds duration, Cancellation cancel)
        = 0;
    virtual ControlTask<Done> setMute(Zone zone, bool mute, Cancellation cancel) = 0;
    virtual ControlTask<Done> setInput(Zone zone, QString name, Cancellation cancel) = 0;
    virtual ControlTask<Done> setSoundMode(Zone zone, QString name, Cancellation cancel) = 0;
    // At least one is present; an absent one is left as it is. Kind::notSupported where the zone does not
    // announce tone control, Kind::outOfRange outside the range it announces.
    virtual ControlTask<Done> setTone(
        Zone zone, std::optional<double> bass, std::optional<double> treble, Cancellation cancel)
        = 0;
    // Subwoofer trim in dB, in any zone that announces it (else Kind::notSupported); Kind::outOfRange outside the
    // range the zone announces.
    virtual ControlTask<Done> setSubwoofer(Zone zone, double db, Cancellation cancel) = 0;
    // Acts on the receiver's network/USB player, which belongs to no zone.
    virtual ControlTask<Done> playback(PlaybackAction action, Cancellation cancel) = 0;
    // Display names of the inputs the zone offers, in the receiver's order.
    virtual ControlTask<QStringList> inputs(Zone zone, Cancellation cancel) = 0;
    // Display names of the zone's sound programs; may be empty.
    virtual ControlTask<QStringList> soundModes(Zone zone, Cancellation cancel) = 0;
    // The user's volume cap in dB; the API never sets a volume above it. Read afresh for every request.
    virtual ControlTask<double> volumeCapDb() = 0;
    // How the link to the receiver stands, from what the application knows; asks the receiver nothing.
    virtual ControlTask<ReceiverHealth> health() = 0;
    // Makes the receiver send a push event without changing anything, and waits a few seconds for one. The time
    // from the request to the first event; Kind::noPushEvents when none came or the test could not run.
    virtual ControlTask<std::chrono::milliseconds> checkPushEvents() = 0;

    // ---- what only some zones have. Each fails as Kind::notSupported, before anything is sent, where the zone
    // (for repeat and shuffle: what is playing) does not announce it. ----

    // Rounds up to the receiver's next setting (0, 30, 60, 90, 120; above 120: 120) and gives the minutes sent.
    virtual ControlTask<int> setSleep(Zone zone, int minutes, Cancellation cancel) = 0;
    // Direct or pure direct, whichever the zone has.
    virtual ControlTask<Done> setDirect(Zone zone, bool enabled, Cancellation cancel) = 0;
    virtual ControlTask<Done> setEnhancer(Zone zone, bool enabled, Cancellation cancel) = 0;
    // Kind::outOfRange outside the range the zone announces.
    virtual ControlTask<Done> setDialogueLevel(Zone zone, int level, Cancellation cancel) = 0;
    // Kind::notSupported also for a mode the player does not offer now.
    virtual ControlTask<Done> setRepeat(Zone zone, RepeatMode mode, Cancellation cancel) = 0;
    virtual ControlTask<Done> setShuffle(Zone zone, ShuffleMode mode, Cancellation cancel) = 0;
    // The filled favourite slots, read from the receiver, in slot order.
    virtual ControlTask<QList<Favourite>> favourites(Zone zone, Cancellation cancel) = 0;
    // Kind::unknownFavourite when no filled slot has the number. Gives the favourite recalled.
    virtual ControlTask<Favourite> recallFavourite(Zone zone, int number, Cancellation cancel) = 0;
    // One of the zone's scene buttons, 1 to the number it announces (else Kind::unknownReceiverScene).
    virtual ControlTask<Done> recallReceiverScene(Zone zone, int number, Cancellation cancel) = 0;
    // The tuner's filled presets, read from the receiver, in slot order; Kind::notSupported without a tuner.
    virtual ControlTask<QList<TunerPreset>> tunerPresets(Zone zone, Cancellation cancel) = 0;
    // Tunes the zone to a preset; Kind::unknownFavourite when no filled slot has the number. Gives the preset.
    virtual ControlTask<TunerPreset> recallTunerPreset(Zone zone, int number, Cancellation cancel) = 0;
};

} // namespace amplora::api
