#pragma once

#include "core/protocol/PlayInfo.h"
#include "core/protocol/VolumeScale.h"
#include "core/protocol/YXCCommand.h"
#include "core/protocol/Zone.h"
#include "core/protocol/ZoneStatus.h"

#include <QString>

#include <optional>

namespace amplora {

struct RangeStep;
struct ZoneFeatures;

// How a zone's volume, tone and state read and change, in one place for the store and the control adapter:
// which command a zone takes for a volume, what its status says in decibels, and the comparisons with the
// receiver's state words.
namespace ZoneRules {

enum class VolumeStep { up, down };

// The zone's volume in dB as the receiver reports it: its own decibel value when it gives one, else the raw steps
// on the zone's scale; none when neither is known.
std::optional<double> volumeDB(const ZoneStatus &status, const std::optional<VolumeScale> &scale);

// Sets the raw volume, and the decibels it stands for when the zone's scale is known (push events carry only the
// raw steps).
void setRawVolume(ZoneStatus &status, int raw, const std::optional<VolumeScale> &scale);

// The zone's status once the receiver has accepted `command` (a change of that zone), as far as the command
// alone tells; false when it tells nothing (a scene or favourite recalled, a power toggle, another zone).
bool applyAccepted(ZoneStatus &status, Zone zone, const YXCCommand &command, const std::optional<VolumeScale> &scale);
// The same for what is playing: playback, repeat and shuffle.
bool applyAccepted(PlayInfo &info, const YXCCommand &command);

// Whether the zone takes its volume in decibels ("setActualVolume") rather than in raw steps.
bool takesDecibels(const ZoneFeatures *features);

// The command that sets the zone's volume to `dB`: in decibels when the zone takes them, else the raw step on its
// scale; none when the zone takes neither.
std::optional<YXCCommand> volumeCommand(Zone zone, bool decibels, const std::optional<VolumeScale> &scale, double dB);

// One step of the zone's own scale up or down from `currentDB`; half a decibel when the zone gives no scale.
double steppedVolume(double currentDB, const std::optional<VolumeScale> &scale, VolumeStep direction);

// The tone mode a tone change names: "manual" when the zone lists it (the receiver then applies bass and
// treble), none otherwise.
std::optional<QString> manualToneMode(const ZoneFeatures *features);

bool isOn(const ZoneStatus &status);
bool isOn(const std::optional<ZoneStatus> &status);
// The power word a zone shows once switched on or to standby.
QString powerWord(bool on);

// Whether the zone announces `function` in its func_list ("sleep", "enhancer", "scene", ...).
bool announces(const ZoneFeatures *features, const QString &function);

// The sleep timer's settings, in minutes; 0 is off.
inline constexpr int sleepSteps[] = { 0, 30, 60, 90, 120 };
// The setting a request for `minutes` gets: the next one up (nothing is cut short), 120 at most, 0 below 1.
int sleepMinutes(int minutes);
// The setting after `minutes` when a button cycles through them: Off, 30, 60, 90, 120, Off.
int nextSleepMinutes(int minutes);

// Direct and pure direct are one switch: the command for whichever the zone announces (pure direct first);
// none when it announces neither.
std::optional<YXCCommand> directCommand(Zone zone, const ZoneFeatures *features, bool enable);
// The switch's state in the status, read from the field the zone announces; none when it announces neither or
// the status does not say.
std::optional<bool> directState(const ZoneStatus &status, const ZoneFeatures *features);

// The dialogue level's range when the zone announces the level and gives its range; none otherwise.
const RangeStep *dialogueRange(const ZoneFeatures *features);
// How many scene buttons the zone has (0 when it announces none).
int sceneCount(const ZoneFeatures *features);

bool isPlaying(const std::optional<PlayInfo> &info);
bool isStopped(const PlayInfo &info);
// The playback word a player shows once playing or paused.
QString playbackWord(bool playing);

} // namespace ZoneRules

} // namespace amplora
