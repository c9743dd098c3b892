#pragma once

#include "core/capabilities/Capability.h"
#include "core/capabilities/Levels.h"
#include "core/protocol/YXCCommand.h"
#include "core/protocol/ZoneStatus.h"

#include <optional>

namespace amplora {

struct ZoneFeatures;

// Bass and treble: there where the zone announces "tone_control", over the range it announces, in dB at every door
// and in half-decibel steps on the wire.
namespace Tone {

bool supported(const ZoneFeatures *zone);
Levels::DecibelRange rangeDb(const ZoneFeatures *zone);
std::optional<double> bassDb(const ZoneStatus &status);
std::optional<double> trebleDb(const ZoneStatus &status);
// The tone mode a tone change names: "manual" when the zone lists it (the receiver then applies bass and
// treble), none otherwise.
std::optional<QString> manualMode(const ZoneFeatures *zone);
// Why the zone refuses this bass or treble (`what`: "Bass" or "Treble"), if it does.
std::optional<Refusal> refusal(Zone zone, const ZoneFeatures *features, const QString &what, double dB);
// The command for bass and treble in dB, either of them left as it is when absent; nothing is checked.
YXCCommand command(
    Zone zone, const std::optional<QString> &mode, std::optional<double> bassDb, std::optional<double> trebleDb);
// The same, refused where the zone has no tone control or a value lies outside its range.
Refusable<YXCCommand> checkedCommand(
    Zone zone, const ZoneFeatures *features, std::optional<double> bassDb, std::optional<double> trebleDb);

} // namespace Tone

// The subwoofer trim: there where the zone announces "subwoofer_volume", in whichever zone that is.
namespace Subwoofer {

bool supported(const ZoneFeatures *zone);
Levels::DecibelRange rangeDb(const ZoneFeatures *zone);
std::optional<double> db(const ZoneStatus &status);
std::optional<Refusal> refusal(Zone zone, const ZoneFeatures *features, double dB);
YXCCommand command(Zone zone, double dB);
Refusable<YXCCommand> checkedCommand(Zone zone, const ZoneFeatures *features, double dB);

} // namespace Subwoofer

} // namespace amplora
