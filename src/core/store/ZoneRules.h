#pragma once

#include "core/protocol/PlayInfo.h"
#include "core/protocol/VolumeScale.h"
#include "core/protocol/YXCCommand.h"
#include "core/protocol/Zone.h"
#include "core/protocol/ZoneStatus.h"

#include <QString>

#include <optional>

namespace amplora {

struct ZoneFeatures;

// How a zone's volume, tone and state read and change, in one place for the store and the control adapter:
// which command a zone takes for a volume, what its status says in decibels, and the comparisons with the
// receiver's state words.
namespace ZoneRules {

enum class VolumeStep { up, down };

// The zone's volume in dB as the receiver reports it: its own decibel value when it gives one, else the raw steps
// on the zone's scale; none when neither is known.
std::optional<double> volumeDB(const ZoneStatus &status, const std::optional<VolumeScale> &scale);

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

bool isPlaying(const std::optional<PlayInfo> &info);
bool isStopped(const PlayInfo &info);
// The playback word a player shows once playing or paused.
QString playbackWord(bool playing);

} // namespace ZoneRules

} // namespace amplora
