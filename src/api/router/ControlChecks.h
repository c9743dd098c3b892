#pragma once

#include "api/control/ReceiverExtras.h"
#include "api/control/Zone.h"
#include "api/http/APIError.h"
#include "api/router/RequestBodies.h"
#include "api/server/ReceiverAPIConfiguration.h"

#include "base/Cancellation.h"

#include <QCoroTask>
#include <QString>

#include <memory>
#include <optional>

namespace amplora::api {

class ReceiverControl;
class VolumeRateLimiter;

// The checks a request needs the receiver (or the rate limiter) for, shared by the control endpoints and the
// scenes so both refuse alike.
namespace ControlChecks {

// `db` against the cap (read afresh), the minimum and the step, in that order.
QCoro::Task<std::optional<APIError>> absoluteVolume(
    std::shared_ptr<ReceiverControl> control, double db, ReceiverAPIConfiguration configuration);
// One volume change in `zone`; no limiter means no limit.
std::optional<APIError> rateLimit(VolumeRateLimiter *limiter, Zone zone);
// `requested` resolved against the zone's inputs, sound modes or favourites, spelled as the receiver offers it.
QCoro::Task<Checked<QString>> resolveInput(
    std::shared_ptr<ReceiverControl> control, Zone zone, QString requested, Cancellation cancel);
QCoro::Task<Checked<QString>> resolveSoundMode(
    std::shared_ptr<ReceiverControl> control, Zone zone, QString requested, Cancellation cancel);
QCoro::Task<Checked<Favourite>> resolveFavourite(
    std::shared_ptr<ReceiverControl> control, Zone zone, QString requested, Cancellation cancel);

} // namespace ControlChecks

} // namespace amplora::api
