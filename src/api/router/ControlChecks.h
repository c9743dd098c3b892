#pragma once

#include "api/control/ReceiverExtras.h"
#include "api/control/Zone.h"
#include "api/http/APIError.h"
#include "api/router/RequestBodies.h"
#include "api/server/ReceiverAPIConfiguration.h"

#include "base/Cancellation.h"

#include <QCoroTask>
#include <QString>

#include <optional>

namespace amplora::api {

class ReceiverControl;
class VolumeRateLimiter;

// The checks a request needs the receiver (or the rate limiter) for, shared by the control endpoints and the
// scenes so both refuse alike. Callers keep `control` alive until the task completes.
namespace ControlChecks {

// `db` against the cap (read afresh), the minimum and the step, in that order.
QCoro::Task<std::optional<APIError>> absoluteVolume(
    ReceiverControl &control, double db, const ReceiverAPIConfiguration &configuration);
// One volume change in `zone`; no limiter means no limit.
std::optional<APIError> rateLimit(VolumeRateLimiter *limiter, Zone zone);
// `requested` resolved against the zone's inputs, sound modes or favourites, spelled as the receiver offers it.
QCoro::Task<Checked<QString>> resolveInput(ReceiverControl &control, Zone zone, QString requested, Cancellation cancel);
QCoro::Task<Checked<QString>> resolveSoundMode(
    ReceiverControl &control, Zone zone, QString requested, Cancellation cancel);
QCoro::Task<Checked<Favourite>> resolveFavourite(
    ReceiverControl &control, Zone zone, QString requested, Cancellation cancel);

} // namespace ControlChecks

} // namespace amplora::api
