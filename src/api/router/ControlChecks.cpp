#include "api/router/ControlChecks.h"

#include "api/control/ReceiverControl.h"
#include "api/matching/NameMatcher.h"
#include "api/matching/VolumeRateLimiter.h"
#include "api/router/RouterErrors.h"

namespace amplora::api::ControlChecks {

namespace Errors = RouterErrors;

namespace {

APIError unknownInput(const QString &requested, Zone zone, const QStringList &candidates)
{
    return Errors::fromControl(ControlError::unknownInput(requested, zone, candidates));
}

APIError unknownSoundMode(const QString &requested, Zone zone, const QStringList &candidates)
{
    return Errors::fromControl(ControlError::unknownSoundMode(requested, zone, candidates));
}

// The one candidate `requested` names, spelled as the receiver offers it. `unknown` makes the refusal when none
// does.
Checked<QString> resolveName(const QString &requested, const QStringList &candidates, const QString &kind,
    APIError (*unknown)(const QString &, Zone, const QStringList &), Zone zone)
{
    const NameMatcher::Result match = NameMatcher::match(requested, candidates);
    switch (match.kind) {
    case NameMatcher::Result::Kind::match:
        return match.matchedName();
    case NameMatcher::Result::Kind::ambiguous:
        return Failure { Errors::ambiguousName(requested, kind, match.names) };
    case NameMatcher::Result::Kind::notFound:
        break;
    }
    return Failure { unknown(requested, zone, candidates) };
}

} // namespace

QCoro::Task<std::optional<APIError>> absoluteVolume(
    std::shared_ptr<ReceiverControl> control, double db, ReceiverAPIConfiguration configuration)
{
    const Result<double, ControlError> cap = co_await control->volumeCapDb();
    if (!cap) {
        co_return Errors::fromControl(cap.error());
    }
    if (db > cap.value()) {
        co_return Errors::volumeAboveCap(db, cap.value());
    }
    if (db < configuration.minimumVolumeDb) {
        co_return Errors::belowMinimumVolume(configuration.minimumVolumeDb);
    }
    co_return stepCheck(QStringLiteral("volume"), db, configuration.dbStep);
}

std::optional<APIError> rateLimit(VolumeRateLimiter *limiter, Zone zone)
{
    if (!limiter) {
        return std::nullopt;
    }
    const VolumeRateLimiter::Decision decision = limiter->allow(zone, 1);
    if (decision.allowed) {
        return std::nullopt;
    }
    return Errors::rateLimited(limiter->limit(), limiter->windowSeconds(), decision.retryAfterSeconds);
}

QCoro::Task<Checked<QString>> resolveInput(
    std::shared_ptr<ReceiverControl> control, Zone zone, QString requested, Cancellation cancel)
{
    const Result<QStringList, ControlError> candidates = co_await control->inputs(zone, cancel);
    if (!candidates) {
        co_return Failure { Errors::fromControl(candidates.error()) };
    }
    co_return resolveName(requested, candidates.value(), QStringLiteral("input"), &unknownInput, zone);
}

QCoro::Task<Checked<QString>> resolveSoundMode(
    std::shared_ptr<ReceiverControl> control, Zone zone, QString requested, Cancellation cancel)
{
    const Result<QStringList, ControlError> candidates = co_await control->soundModes(zone, cancel);
    if (!candidates) {
        co_return Failure { Errors::fromControl(candidates.error()) };
    }
    if (candidates.value().isEmpty()) {
        co_return Failure { Errors::noSoundModes(enumName(zone)) };
    }
    co_return resolveName(requested, candidates.value(), QStringLiteral("sound mode"), &unknownSoundMode, zone);
}

QCoro::Task<Checked<Favourite>> resolveFavourite(
    std::shared_ptr<ReceiverControl> control, Zone zone, QString requested, Cancellation cancel)
{
    const Result<QList<Favourite>, ControlError> listed = co_await control->favourites(zone, cancel);
    if (!listed) {
        co_return Failure { Errors::fromControl(listed.error()) };
    }
    QStringList names;
    for (const Favourite &favourite : listed.value()) {
        names.append(favourite.name);
    }
    const Checked<QString> name
        = resolveName(requested, names, QStringLiteral("favourite"), &Errors::unknownFavourite, zone);
    if (!name) {
        co_return Failure { name.error() };
    }
    co_return listed->at(names.indexOf(*name));
}

} // namespace amplora::api::ControlChecks
