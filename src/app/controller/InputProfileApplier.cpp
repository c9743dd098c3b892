#include "app/controller/InputProfileApplier.h"

#include "api/control/ReceiverControl.h"
#include "api/scenes/InputProfileService.h"
#include "app/Logging.h"
#include "app/controller/ReceiverControlAdapter.h"
#include "core/store/ReceiverStore.h"

#include <functional>

namespace amplora::app {

namespace {

using Setting = InputProfileApplier::Setting;

std::optional<Setting> settingOf(const YXCCommand &command)
{
    if (command.as<YXCCommand::SetSoundProgram>()) {
        return Setting::soundMode;
    }
    if (command.as<YXCCommand::SetDirect>() || command.as<YXCCommand::SetPureDirect>()) {
        return Setting::direct;
    }
    if (command.as<YXCCommand::SetVolume>() || command.as<YXCCommand::SetActualVolume>()) {
        return Setting::volume;
    }
    if (command.as<YXCCommand::SetDialogueLevel>()) {
        return Setting::dialogue;
    }
    return std::nullopt;
}

// One setting of a profile on its way: what it is called in the log and the call that sends it.
struct Step {
    Setting setting;
    QString label;
    std::function<api::ControlTask<Done>()> send;
};

} // namespace

InputProfileApplier::InputProfileApplier(ReceiverStore &store, std::shared_ptr<ReceiverControlAdapter> control,
    std::shared_ptr<api::InputProfileService> profiles, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_control(std::move(control))
    , m_profiles(std::move(profiles))
{
    connect(&m_store.state(), &ReceiverState::zonesChanged, this, &InputProfileApplier::followStatus);
    connect(&m_store, &ReceiverStore::commandSending, this, &InputProfileApplier::noteCommand);
    connect(&m_store, &ReceiverStore::transportChanged, this, &InputProfileApplier::forgetInputs);
    followStatus();
}

InputProfileApplier::~InputProfileApplier() = default;

void InputProfileApplier::forgetInputs()
{
    for (auto &[zone, watch] : m_zones) {
        watch.inputId.reset();
        ++watch.generation;
    }
}

void InputProfileApplier::followStatus()
{
    const std::map<Zone, ZoneStatus> &statuses = m_store.state().status();
    for (auto &[zone, watch] : m_zones) {
        if (!statuses.contains(ReceiverControlAdapter::coreZone(zone))) {
            watch.inputId.reset();
        }
    }
    for (const auto &[coreZone, status] : statuses) {
        if (!status.input) {
            continue;
        }
        const api::Zone zone = ReceiverControlAdapter::apiZone(coreZone);
        ZoneWatch &watch = m_zones[zone];
        const std::optional<QString> before = std::exchange(watch.inputId, status.input);
        if (!before || *before == *status.input) {
            continue;
        }
        // A switch from one known input to another.
        ++watch.generation;
        watch.switchedAt = m_store.clock().now();
        watch.changedByUser.clear();
        const quint64 generation = watch.generation;
        m_store.clock().callAfter(settleDelay, this, [this, zone, generation] {
            ++m_applying;
            apply(QPointer(this), m_control, m_profiles, zone, generation);
        });
    }
}

void InputProfileApplier::noteCommand(const YXCCommand &command)
{
    const std::optional<Setting> setting = settingOf(command);
    const std::optional<Zone> coreZone = command.zone();
    if (!setting || !coreZone) {
        return;
    }
    ZoneWatch &watch = m_zones[ReceiverControlAdapter::apiZone(*coreZone)];
    if (const auto own = watch.ownPending.find(*setting); own != watch.ownPending.end()) {
        watch.ownPending.erase(own);
        return;
    }
    if (m_store.clock().now() - watch.switchedAt <= userWindow) {
        watch.changedByUser.insert(*setting);
    }
}

InputProfileApplier::Claim InputProfileApplier::claim(api::Zone zone, quint64 generation, Setting setting)
{
    ZoneWatch &watch = m_zones[zone];
    if (watch.generation != generation) {
        return Claim::stale;
    }
    if (watch.changedByUser.contains(setting)) {
        return Claim::userWon;
    }
    watch.ownPending.insert(setting);
    return Claim::go;
}

void InputProfileApplier::release(api::Zone zone, Setting setting)
{
    ZoneWatch &watch = m_zones[zone];
    if (const auto own = watch.ownPending.find(setting); own != watch.ownPending.end()) {
        watch.ownPending.erase(own);
    }
}

QCoro::Task<> InputProfileApplier::apply(QPointer<InputProfileApplier> self,
    std::shared_ptr<ReceiverControlAdapter> control, std::shared_ptr<api::InputProfileService> profiles, api::Zone zone,
    quint64 generation)
{
    co_await applyOnce(self, std::move(control), std::move(profiles), zone, generation);
    if (self) {
        --self->m_applying;
    }
}

QCoro::Task<> InputProfileApplier::applyOnce(QPointer<InputProfileApplier> self,
    std::shared_ptr<ReceiverControlAdapter> control, std::shared_ptr<api::InputProfileService> profiles, api::Zone zone,
    quint64 generation)
{
    // The input by the name the profiles use, as the receiver reports it now.
    const Result<api::ReceiverStatus, api::ControlError> status = co_await control->status(zone, Cancellation());
    if (!status) {
        qCWarning(lcApp).noquote() << "Couldn't read the input of" << enumName(zone)
                                   << "for its input profile:" << status.error().description();
        co_return;
    }
    const QString input = status->input;
    const QString where = QStringLiteral("%1 in %2").arg(input, enumName(zone));
    const Result<std::optional<api::InputProfile>, api::APIError> found = co_await profiles->profile(zone, input);
    if (!found) {
        qCWarning(lcApp).noquote()
            << QStringLiteral("Couldn't read the input profile for %1: %2").arg(where, found.error().message);
        co_return;
    }
    const std::optional<api::InputProfile> &stored = found.value();
    if (!stored) {
        co_return;
    }
    const api::InputProfile &profile = *stored;

    std::optional<double> volume = profile.volumeDb;
    if (volume) {
        const Result<double, api::ControlError> cap = co_await control->volumeCapDb();
        if (cap) {
            volume = std::min(*volume, cap.value());
        }
    }
    std::vector<Step> steps;
    if (profile.soundMode) {
        steps.push_back({ Setting::soundMode, QStringLiteral("soundMode"),
            [control, zone, mode = *profile.soundMode] { return control->setSoundMode(zone, mode, Cancellation()); } });
    }
    if (profile.direct) {
        steps.push_back({ Setting::direct, QStringLiteral("direct"),
            [control, zone, on = *profile.direct] { return control->setDirect(zone, on, Cancellation()); } });
    }
    if (volume) {
        steps.push_back({ Setting::volume, QStringLiteral("volumeDb"),
            [control, zone, db = *volume] { return control->setVolume(zone, db, Cancellation()); } });
    }
    if (profile.dialogueLevel) {
        steps.push_back(
            { Setting::dialogue, QStringLiteral("dialogueLevel"), [control, zone, level = *profile.dialogueLevel] {
                 return control->setDialogueLevel(zone, level, Cancellation());
             } });
    }

    QStringList applied;
    QStringList leftToUser;
    for (const Step &step : steps) {
        if (!self) {
            co_return;
        }
        const Claim claimed = self->claim(zone, generation, step.setting);
        if (claimed == Claim::stale) {
            co_return;
        }
        if (claimed == Claim::userWon) {
            leftToUser.append(step.label);
            continue;
        }
        api::ControlTask<Done> sending = step.send();
        const Result<Done, api::ControlError> sent = co_await std::move(sending);
        if (self) {
            // A step refused before it went out leaves no command to take as ours.
            self->release(zone, step.setting);
        }
        if (!sent) {
            qCWarning(lcApp).noquote() << QStringLiteral("The input profile for %1 stopped at %2 (applied: %3): %4")
                                              .arg(where, step.label,
                                                  applied.isEmpty() ? QStringLiteral("nothing") : applied.join(u", "),
                                                  sent.error().description());
            co_return;
        }
        applied.append(step.label);
    }
    const QString kept
        = leftToUser.isEmpty() ? QString() : QStringLiteral(" (the user's own %1 kept)").arg(leftToUser.join(u", "));
    qCInfo(lcApp).noquote() << QStringLiteral("Applied the input profile for %1: %2%3")
                                   .arg(where, applied.isEmpty() ? QStringLiteral("nothing") : applied.join(u", "),
                                       kept);
}

} // namespace amplora::app
