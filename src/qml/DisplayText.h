#pragma once

#include <QString>

namespace amplora {

class ReceiverStore;

// The lines the window writes about the receiver and the connection, worked out from the store's state each time
// they are read: they are display text, so the store keeps none of them.
namespace DisplayText {

// The footer: the mode ("MOCK DATA", "READ-ONLY"), how the state keeps up with the receiver or why it is
// offline, and what the last address recovery did, joined with "  ·  ".
QString statusLine(const ReceiverStore &store);

// The selected zone's name (the receiver's, else "Main" or "Zone 2") and the model name, joined with " · ".
QString zoneTitle(const ReceiverStore &store);

// The selected zone and whether its signal report may be fetched ("main-true"): the window restarts its
// signal polling whenever this changes.
QString signalKey(const ReceiverStore &store);

// A volume as the knob's readout and the front-panel display write it: snapped to the half decibel, one
// decimal, "dB" after it ("-30.5 dB").
QString volumeReadout(double dB);

} // namespace DisplayText

} // namespace amplora
