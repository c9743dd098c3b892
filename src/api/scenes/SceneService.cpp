#include "api/scenes/SceneService.h"

#include "api/control/ReceiverControl.h"
#include "api/matching/VolumeRateLimiter.h"
#include "api/router/ControlChecks.h"
#include "api/router/RequestBodies.h"
#include "api/router/RouterErrors.h"
#include "api/scenes/SceneStore.h"

namespace amplora::api {

namespace Errors = RouterErrors;

namespace {

APIError fromStore(const SceneStoreError &error)
{
    return Errors::sceneStoreFailed(error.description());
}

} // namespace

SceneService::SceneService(
    std::shared_ptr<ReceiverControl> control, std::shared_ptr<SceneStore> store, ReceiverAPIConfiguration configuration)
    : m_control(std::move(control))
    , m_store(std::move(store))
    , m_configuration(configuration)
{ }

SceneResult<QList<ReceiverScene>> SceneService::list()
{
    const auto keepAlive = shared_from_this();
    Result<QList<ReceiverScene>, SceneStoreError> scenes = co_await m_store->all();
    if (!scenes) {
        co_return Failure { fromStore(scenes.error()) };
    }
    co_return std::move(scenes).value();
}

SceneResult<ReceiverScene> SceneService::scene(QString name)
{
    const auto keepAlive = shared_from_this();
    Result<std::optional<ReceiverScene>, SceneStoreError> found = co_await m_store->scene(name);
    if (!found) {
        co_return Failure { fromStore(found.error()) };
    }
    std::optional<ReceiverScene> &stored = found.value();
    if (!stored) {
        co_return Failure { Errors::sceneNotFound(name) };
    }
    co_return std::move(*stored);
}

SceneResult<SceneService::Saved> SceneService::save(ReceiverScene scene, Cancellation cancel)
{
    const auto keepAlive = shared_from_this();
    scene.name = scene.name.trimmed();
    if (std::optional<APIError> refused = sceneNameCheck(scene.name)) {
        co_return Failure { *refused };
    }
    const Zone zone = scene.zone.value_or(Zone::main);
    const Result<ValidScene, APIError> checked = co_await validate(std::move(scene), zone, cancel);
    if (!checked) {
        co_return Failure { checked.error() };
    }
    const Result<bool, SceneStoreError> created = co_await m_store->save(checked->scene);
    if (!created) {
        co_return Failure { fromStore(created.error()) };
    }
    co_return Saved { checked->scene, created.value() };
}

SceneResult<bool> SceneService::remove(QString name)
{
    const auto keepAlive = shared_from_this();
    const Result<bool, SceneStoreError> removed = co_await m_store->remove(name);
    if (!removed) {
        co_return Failure { fromStore(removed.error()) };
    }
    co_return removed.value();
}

SceneResult<SceneRunResult> SceneService::run(
    QString name, Zone requestedZone, Cancellation cancel, std::shared_ptr<VolumeRateLimiter> rateLimiter)
{
    const auto keepAlive = shared_from_this();
    const Result<ReceiverScene, APIError> found = co_await scene(name);
    if (!found) {
        co_return Failure { found.error() };
    }

    // The scene is checked in the zone it will act on, so a scene without a zone cannot slip a subwoofer
    // trim or an input that zone lacks past the checks.
    const Zone zone = found->zone.value_or(requestedZone);
    const Result<ValidScene, APIError> checked = co_await validate(*found, zone, cancel);
    if (!checked) {
        co_return Failure { checked.error() };
    }
    const ReceiverScene &scene = checked->scene;
    // A caller gone before anything changed gets nothing changed. Once the first step goes out the scene is
    // applied whole: half a scene is worse than either.
    if (cancel.isCancelled()) {
        co_return Failure { Errors::fromControl(ControlError::abandoned()) };
    }
    if (scene.volumeDb) {
        if (std::optional<APIError> refused = ControlChecks::rateLimit(rateLimiter.get(), zone)) {
            co_return Failure { *refused };
        }
    }
    const Cancellation whole;

    // Each step in turn, stopping at the first the receiver refuses; `applied` tells the caller how far it got.
    SceneRunResult result { scene.name, zone, {} };
    std::optional<APIError> stop;
    const auto step = [&](const QString &label, const auto &done) {
        if (done) {
            result.applied.append(label);
        } else {
            stop = Errors::sceneStopped(scene.name, label, result.applied, done.error().description());
        }
    };
    ReceiverControl &control = *m_control;
    // A recalled favourite switches the input, so the sound mode and everything after it follow it.
    if (scene.power) {
        step(QStringLiteral("power"), co_await control.setPower(zone, *scene.power, whole));
    }
    if (scene.input && !stop) {
        step(QStringLiteral("input"), co_await control.setInput(zone, *scene.input, whole));
    }
    if (const std::optional<int> &number = checked->favouriteNumber; number && !stop) {
        step(QStringLiteral("favourite"), co_await control.recallFavourite(zone, *number, whole));
    }
    if (scene.soundMode && !stop) {
        step(QStringLiteral("soundMode"), co_await control.setSoundMode(zone, *scene.soundMode, whole));
    }
    if (scene.direct && !stop) {
        step(QStringLiteral("direct"), co_await control.setDirect(zone, *scene.direct, whole));
    }
    if (scene.volumeDb && scene.rampSeconds && !stop) {
        step(QStringLiteral("volumeDb"),
            co_await control.rampVolume(zone, *scene.volumeDb, rampDuration(*scene.rampSeconds), whole));
    } else if (scene.volumeDb && !stop) {
        step(QStringLiteral("volumeDb"), co_await control.setVolume(zone, *scene.volumeDb, whole));
    }
    if ((scene.bass || scene.treble) && !stop) {
        step(QStringLiteral("tone"), co_await control.setTone(zone, scene.bass, scene.treble, whole));
    }
    if (scene.sub && !stop) {
        step(QStringLiteral("sub"), co_await control.setSubwoofer(zone, *scene.sub, whole));
    }
    if (scene.sleep && !stop) {
        step(QStringLiteral("sleep"), co_await control.setSleep(zone, *scene.sleep, whole));
    }
    if (stop) {
        co_return Failure { *stop };
    }
    co_return result;
}

SceneResult<SceneService::ValidScene> SceneService::validate(ReceiverScene scene, Zone zone, Cancellation cancel)
{
    if (!scene.hasSetting()) {
        co_return Failure { Errors::emptyScene() };
    }
    if (scene.power == PowerState::standby && scene.hasSettingBesidesPower()) {
        co_return Failure { Errors::standbySceneWithSettings() };
    }
    if (scene.input && scene.favourite) {
        co_return Failure { Errors::inputAndFavouriteScene() };
    }

    ReceiverControl &control = *m_control;
    ValidScene valid;
    if (scene.input) {
        const Checked<QString> resolved = co_await ControlChecks::resolveInput(m_control, zone, *scene.input, cancel);
        if (!resolved) {
            co_return Failure { resolved.error() };
        }
        scene.input = resolved.value();
    }
    if (scene.favourite) {
        const Checked<Favourite> resolved
            = co_await ControlChecks::resolveFavourite(m_control, zone, *scene.favourite, cancel);
        if (!resolved) {
            co_return Failure { resolved.error() };
        }
        scene.favourite = resolved->name;
        valid.favouriteNumber = resolved->number;
    }
    if (scene.soundMode) {
        const Checked<QString> resolved
            = co_await ControlChecks::resolveSoundMode(m_control, zone, *scene.soundMode, cancel);
        if (!resolved) {
            co_return Failure { resolved.error() };
        }
        scene.soundMode = resolved.value();
    }
    for (const auto &[key, value] :
        { std::pair { QStringLiteral("bass"), scene.bass }, std::pair { QStringLiteral("treble"), scene.treble } }) {
        if (!value) {
            continue;
        }
        if (std::optional<APIError> refused
            = rangeCheck(key, *value, m_configuration.toneRangeDb, m_configuration.dbStep)) {
            co_return Failure { *refused };
        }
    }
    if (std::optional<APIError> refused = sceneRampCheck(scene.volumeDb, scene.rampSeconds)) {
        co_return Failure { *refused };
    }
    if (scene.volumeDb) {
        if (std::optional<APIError> refused
            = co_await ControlChecks::absoluteVolume(m_control, *scene.volumeDb, m_configuration)) {
            co_return Failure { *refused };
        }
    }
    if (scene.sub) {
        if (zone != Zone::main) {
            co_return Failure { Errors::subwooferOnlyInMain() };
        }
        if (std::optional<APIError> refused
            = rangeCheck(QStringLiteral("sub"), *scene.sub, m_configuration.subwooferRangeDb, m_configuration.dbStep)) {
            co_return Failure { *refused };
        }
    }
    if (scene.sleep) {
        if (std::optional<APIError> refused = sleepCheck(QStringLiteral("sleep"), *scene.sleep)) {
            co_return Failure { *refused };
        }
    }
    if (scene.direct || scene.sleep) {
        // The status carries each of them only where the zone announces it.
        const Result<ReceiverStatus, ControlError> status = co_await control.status(zone, cancel);
        if (!status) {
            co_return Failure { Errors::fromControl(status.error()) };
        }
        if (scene.direct && !status->direct) {
            co_return Failure { Errors::fromControl(ControlError::notSupported(zone, ControlError::Feature::direct)) };
        }
        if (scene.sleep && !status->sleep) {
            co_return Failure { Errors::fromControl(ControlError::notSupported(zone, ControlError::Feature::sleep)) };
        }
    }
    valid.scene = std::move(scene);
    co_return valid;
}

} // namespace amplora::api
