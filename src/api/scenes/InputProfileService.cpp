#include "api/scenes/InputProfileService.h"

#include "api/control/ReceiverControl.h"
#include "api/matching/NameMatcher.h"
#include "api/router/ControlChecks.h"
#include "api/router/RouterErrors.h"
#include "api/scenes/InputProfileStore.h"

namespace amplora::api {

namespace Errors = RouterErrors;

namespace {

APIError fromStore(const SceneStoreError &error)
{
    return Errors::inputProfileStoreFailed(error.description());
}

} // namespace

InputProfileService::InputProfileService(std::shared_ptr<ReceiverControl> control,
    std::shared_ptr<InputProfileStore> store, ReceiverAPIConfiguration configuration, DialogueCheck dialogueCheck)
    : m_control(std::move(control))
    , m_store(std::move(store))
    , m_configuration(configuration)
    , m_dialogueCheck(std::move(dialogueCheck))
{ }

ProfileResult<QList<InputProfile>> InputProfileService::list(Zone zone)
{
    const auto keepAlive = shared_from_this();
    Result<QList<InputProfile>, SceneStoreError> profiles = co_await m_store->all(zone);
    if (!profiles) {
        co_return Failure { fromStore(profiles.error()) };
    }
    co_return std::move(profiles).value();
}

ProfileResult<std::optional<InputProfile>> InputProfileService::profile(Zone zone, QString input)
{
    const auto keepAlive = shared_from_this();
    const Result<QList<InputProfile>, APIError> profiles = co_await list(zone);
    if (!profiles) {
        co_return Failure { profiles.error() };
    }
    for (const InputProfile &stored : profiles.value()) {
        if (stored.input == input) {
            co_return std::optional(stored);
        }
    }
    co_return std::optional<InputProfile>();
}

ProfileResult<InputProfileService::Saved> InputProfileService::save(InputProfile profile, Cancellation cancel)
{
    const auto keepAlive = shared_from_this();
    if (!profile.hasSetting()) {
        co_return Failure { Errors::emptyInputProfile() };
    }
    const Zone zone = profile.zone;
    const Checked<QString> input = co_await ControlChecks::resolveInput(m_control, zone, profile.input, cancel);
    if (!input) {
        co_return Failure { input.error() };
    }
    profile.input = input.value();
    if (profile.soundMode) {
        const Checked<QString> mode
            = co_await ControlChecks::resolveSoundMode(m_control, zone, *profile.soundMode, cancel);
        if (!mode) {
            co_return Failure { mode.error() };
        }
        profile.soundMode = mode.value();
    }
    if (profile.volumeDb) {
        if (std::optional<APIError> refused
            = co_await ControlChecks::absoluteVolume(m_control, *profile.volumeDb, m_configuration)) {
            co_return Failure { *refused };
        }
    }
    if (profile.direct || profile.dialogueLevel) {
        // The status carries each of them only where the zone announces it.
        const Result<ReceiverStatus, ControlError> status = co_await m_control->status(zone, cancel);
        if (!status) {
            co_return Failure { Errors::fromControl(status.error()) };
        }
        if (profile.direct && !status->direct) {
            co_return Failure { Errors::fromControl(ControlError::notSupported(zone, ControlError::Feature::direct)) };
        }
        if (profile.dialogueLevel && !status->dialogueLevel) {
            co_return Failure { Errors::fromControl(
                ControlError::notSupported(zone, ControlError::Feature::dialogue)) };
        }
        if (profile.dialogueLevel && m_dialogueCheck) {
            if (std::optional<ControlError> refused = m_dialogueCheck(zone, *profile.dialogueLevel)) {
                co_return Failure { Errors::fromControl(*refused) };
            }
        }
    }
    const Result<bool, SceneStoreError> created = co_await m_store->save(profile);
    if (!created) {
        co_return Failure { fromStore(created.error()) };
    }
    co_return Saved { profile, created.value() };
}

ProfileResult<Done> InputProfileService::remove(Zone zone, QString input)
{
    const auto keepAlive = shared_from_this();
    const Result<QList<InputProfile>, APIError> profiles = co_await list(zone);
    if (!profiles) {
        co_return Failure { profiles.error() };
    }
    QStringList inputs;
    for (const InputProfile &stored : profiles.value()) {
        inputs.append(stored.input);
    }
    const NameMatcher::Result match = NameMatcher::match(input, inputs);
    if (match.kind == NameMatcher::Result::Kind::ambiguous) {
        co_return Failure { Errors::ambiguousName(input, QStringLiteral("input profile"), match.names) };
    }
    if (!match.isMatch()) {
        co_return Failure { Errors::inputProfileNotFound(input, zone) };
    }
    const Result<bool, SceneStoreError> removed = co_await m_store->remove(zone, match.matchedName());
    if (!removed) {
        co_return Failure { fromStore(removed.error()) };
    }
    if (!removed.value()) {
        co_return Failure { Errors::inputProfileNotFound(input, zone) };
    }
    co_return Done {};
}

} // namespace amplora::api
