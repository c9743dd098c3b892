#pragma once

#include <QString>

namespace amplora {

// How the store learns what changes on the receiver. `push`: the receiver's push events have arrived on this
// connection and the registration for them is current, so the stored state follows the receiver at once.
// `polling`: no event has arrived on this connection (a firewall or a container drops them), or none for as long
// as a registration lasts; the state is as fresh as the last poll. `stale`: the receiver has not answered lately,
// or the connection is down.
enum class UpdatesState { push, polling, stale };

// "push", "polling" or "stale".
QString updatesStateName(UpdatesState state);

} // namespace amplora
