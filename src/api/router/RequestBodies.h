#pragma once

#include "api/control/PlaybackAction.h"
#include "api/control/PowerState.h"
#include "api/control/RampSeconds.h"
#include "api/control/ReceiverExtras.h"
#include "api/control/VolumeStepDirection.h"
#include "api/control/Zone.h"
#include "api/http/APIError.h"
#include "api/scenes/InputProfile.h"
#include "api/scenes/ReceiverScene.h"
#include "api/server/ReceiverAPIConfiguration.h"

#include "base/Result.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace amplora::api {

template<class T> using Checked = Result<T, APIError>;

// What each endpoint's body asks for, read and checked as far as the body alone allows. The parsers are pure:
// they see the body (and the zone and limits where a check needs them) and give the request or the client's
// error, checking in the order the endpoint promises, so the first problem is the one reported.

struct PowerRequest {
    PowerState power = PowerState::on;
};

// Exactly one of the two is set. An absolute volume still has to pass the cap, which the body cannot know.
struct VolumeRequest {
    std::optional<double> db;
    std::optional<VolumeStepDirection> step;
    std::optional<double> rampSeconds; // only with db, within rampSecondsInRange()
};

struct MuteRequest {
    bool mute = false;
};

// A name as the client wrote it (trimmed), still to be resolved against the receiver's names.
struct NameRequest {
    QString name;
};

// At least one is set, each within the tone range and on the step.
struct ToneRequest {
    std::optional<double> bass;
    std::optional<double> treble;
};

struct SubwooferRequest {
    double db = 0;
};

struct PlaybackRequest {
    PlaybackAction action = PlaybackAction::play;
};

// Any whole number of minutes from 0; the control rounds it up to the receiver's next setting.
struct SleepRequest {
    int minutes = 0;
};

// Direct or the enhancer, on or off.
struct SwitchRequest {
    bool enabled = false;
};

// A whole number; whether it lies in the zone's range only the control knows.
struct DialogueRequest {
    int level = 0;
};

struct RepeatRequest {
    RepeatMode mode = RepeatMode::off;
};

struct ShuffleRequest {
    ShuffleMode mode = ShuffleMode::off;
};

Checked<PowerRequest> parsePower(QByteArrayView body);
Checked<VolumeRequest> parseVolume(QByteArrayView body);
Checked<MuteRequest> parseMute(QByteArrayView body);
Checked<NameRequest> parseInput(QByteArrayView body);
Checked<NameRequest> parseSoundMode(QByteArrayView body);
Checked<ToneRequest> parseTone(QByteArrayView body, const ReceiverAPIConfiguration &limits);
// The trim exists only in main, which is checked after the field is found present and before its range.
Checked<SubwooferRequest> parseSubwoofer(QByteArrayView body, Zone zone, const ReceiverAPIConfiguration &limits);
Checked<PlaybackRequest> parsePlayback(QByteArrayView body);
Checked<SleepRequest> parseSleep(QByteArrayView body);
Checked<SwitchRequest> parseDirect(QByteArrayView body);
Checked<SwitchRequest> parseEnhancer(QByteArrayView body);
Checked<DialogueRequest> parseDialogue(QByteArrayView body);
Checked<RepeatRequest> parseRepeat(QByteArrayView body);
Checked<ShuffleRequest> parseShuffle(QByteArrayView body);
// The scene as the body describes it, its name checked; the scene rules and the receiver checks come later.
Checked<ReceiverScene> parseScene(QByteArrayView body);
// An input profile's settings as the body gives them (at least one); the input comes from the path.
Checked<InputProfile> parseInputProfile(QByteArrayView body);

// The checks the router also applies to values that do not come from a body (stored scenes, app windows).
// `name` is already trimmed.
std::optional<APIError> sceneNameCheck(const QString &name);
// Sleep minutes must not be negative (any larger number is rounded by the control).
std::optional<APIError> sleepCheck(const QString &key, int minutes);
// A scene's fade: only with a volume, for as long as a request may ask.
std::optional<APIError> sceneRampCheck(const std::optional<double> &volumeDb, const std::optional<double> &rampSeconds);
// `db` must be a whole multiple of `stepDb` (no check when the step is not positive).
std::optional<APIError> stepCheck(const QString &key, double db, double stepDb);
std::optional<APIError> rangeCheck(
    const QString &key, double db, const ReceiverAPIConfiguration::DecibelRange &range, double stepDb);

} // namespace amplora::api
