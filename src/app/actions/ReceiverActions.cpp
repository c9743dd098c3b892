#include "app/actions/ReceiverActions.h"

#include "api/control/RampSeconds.h"
#include "api/control/ReceiverControl.h"
#include "api/matching/NameMatcher.h"
#include "api/scenes/SceneService.h"
#include "base/NameKey.h"
#include "core/capabilities/Levels.h"
#include "core/protocol/VolumeScale.h"
#include "core/store/PushEventCheckError.h"

namespace amplora::app {

namespace {

ActionError notReady()
{
    return ActionError::from(IntentError::notReady());
}

// A volume an action asks for, snapped to the half decibel and held to the cap and the receiver's range.
ActionTask<double> checkedVolume(std::shared_ptr<api::ReceiverControl> control, double db)
{
    const double value = snapToHalfDecibel(db) + 0.0;
    const auto cap = co_await control->volumeCapDb();
    if (!cap) {
        co_return Failure { ActionError::from(cap.error()) };
    }
    if (value > cap.value()) {
        co_return Failure { ActionError::from(IntentError::aboveCap(value, cap.value())) };
    }
    if (value < Levels::lowestVolumeDb) {
        co_return Failure { ActionError::from(IntentError::outOfRange(value)) };
    }
    co_return value;
}

} // namespace

ReceiverActions::ReceiverActions(Parts parts)
    : m_parts(std::move(parts))
{ }

QStringList ReceiverActions::filtered(const QStringList &names, const QString &search)
{
    const QString key = nameMatchingKey(search);
    if (key.isEmpty()) {
        return names;
    }
    QStringList out;
    for (const QString &name : names) {
        if (nameMatchingKey(name).contains(key)) {
            out.append(name);
        }
    }
    return out;
}

ActionTask<QString> ReceiverActions::setPower(api::Zone zone, api::PowerState power)
{
    const std::shared_ptr<api::ReceiverControl> control = m_parts.control;
    if (!control) {
        co_return Failure { notReady() };
    }
    const auto done = co_await control->setPower(zone, power, Cancellation());
    if (!done) {
        co_return Failure { ActionError::from(done.error()) };
    }
    co_return QStringLiteral("Done.");
}

ActionTask<QString> ReceiverActions::setVolume(api::Zone zone, double db)
{
    const std::shared_ptr<api::ReceiverControl> control = m_parts.control;
    if (!control) {
        co_return Failure { notReady() };
    }
    QCoro::Task<Result<double, ActionError>> checking = checkedVolume(control, db);
    const auto value = co_await std::move(checking);
    if (!value) {
        co_return Failure { value.error() };
    }
    const auto done = co_await control->setVolume(zone, *value, Cancellation());
    if (!done) {
        co_return Failure { ActionError::from(done.error()) };
    }
    co_return QStringLiteral("Volume ") + QString::asprintf("%.1f", *value) + QStringLiteral(" dB.");
}

ActionTask<QString> ReceiverActions::rampVolume(api::Zone zone, double db, double seconds)
{
    const std::shared_ptr<api::ReceiverControl> control = m_parts.control;
    if (!control) {
        co_return Failure { notReady() };
    }
    if (!api::rampSecondsInRange(seconds)) {
        co_return Failure { ActionError::from(api::RouterErrors::rampOutOfRange(api::maxRampSeconds)) };
    }
    QCoro::Task<Result<double, ActionError>> checking = checkedVolume(control, db);
    const auto value = co_await std::move(checking);
    if (!value) {
        co_return Failure { value.error() };
    }
    const auto done = co_await control->rampVolume(zone, *value, api::rampDuration(seconds), Cancellation());
    if (!done) {
        co_return Failure { ActionError::from(done.error()) };
    }
    co_return QStringLiteral("Fading to ") + QString::asprintf("%.1f", *value) + QStringLiteral(" dB over ")
        + QString::number(seconds) + QStringLiteral(" s.");
}

ActionTask<QString> ReceiverActions::mute(api::Zone zone, bool muted)
{
    const std::shared_ptr<api::ReceiverControl> control = m_parts.control;
    if (!control) {
        co_return Failure { notReady() };
    }
    const auto done = co_await control->setMute(zone, muted, Cancellation());
    if (!done) {
        co_return Failure { ActionError::from(done.error()) };
    }
    co_return muted ? QStringLiteral("Muted.") : QStringLiteral("Unmuted.");
}

Result<QString, ActionError> ReceiverActions::resolve(
    const QStringList &names, const QString &requested, const QString &kind)
{
    const api::NameMatcher::Result match = api::NameMatcher::match(requested, names);
    if (!match.isMatch()) {
        api::APIError error;
        error.status = 400;
        error.code = QStringLiteral("unknown_name");
        error.message = QStringLiteral("No ") + kind + QStringLiteral(" called \u201C") + requested
            + QStringLiteral("\u201D. Try one of: ") + names.join(QStringLiteral(", ")) + u'.';
        error.validNames = names;
        return Failure { ActionError::from(error) };
    }
    return match.matchedName();
}

ActionTask<QString> ReceiverActions::switchInput(api::Zone zone, QString input)
{
    const NamedSetting setting { &api::ReceiverControl::inputs, &api::ReceiverControl::setInput,
        QStringLiteral("input"), QStringLiteral("Switched to ") };
    co_return co_await chooseByName(setting, zone, std::move(input));
}

ActionTask<QString> ReceiverActions::setSoundMode(QString mode)
{
    const NamedSetting setting { &api::ReceiverControl::soundModes, &api::ReceiverControl::setSoundMode,
        QStringLiteral("sound mode"), QStringLiteral("Sound mode ") };
    co_return co_await chooseByName(setting, api::Zone::main, std::move(mode));
}

ActionTask<QString> ReceiverActions::chooseByName(NamedSetting setting, api::Zone zone, QString requested)
{
    const std::shared_ptr<api::ReceiverControl> control = m_parts.control;
    if (!control) {
        co_return Failure { notReady() };
    }
    const auto names = co_await (control.get()->*setting.list)(zone, Cancellation());
    if (!names) {
        co_return Failure { ActionError::from(names.error()) };
    }
    const auto matched = resolve(names.value(), requested, setting.kind);
    if (!matched) {
        co_return Failure { matched.error() };
    }
    const auto done = co_await (control.get()->*setting.set)(zone, matched.value(), Cancellation());
    if (!done) {
        co_return Failure { ActionError::from(done.error()) };
    }
    co_return setting.answerPrefix + matched.value() + u'.';
}

ActionTask<QString> ReceiverActions::runScene(QString scene)
{
    const std::shared_ptr<api::SceneService> scenes = m_parts.scenes;
    if (!scenes) {
        co_return Failure { notReady() };
    }
    const auto ran = co_await scenes->run(scene, api::Zone::main);
    if (!ran) {
        co_return Failure { ActionError::from(ran.error()) };
    }
    co_return QStringLiteral("Ran ") + ran->scene + u'.';
}

ActionTask<QString> ReceiverActions::checkPushEvents()
{
    const std::shared_ptr<api::ReceiverControl> control = m_parts.control;
    if (!control) {
        co_return Failure { notReady() };
    }
    const auto checked = co_await control->checkPushEvents();
    if (!checked) {
        co_return Failure { ActionError::from(checked.error()) };
    }
    co_return pushEventsArriveText(checked.value());
}

ActionTask<QStringList> ReceiverActions::inputs(QString search)
{
    const std::shared_ptr<api::ReceiverControl> control = m_parts.control;
    if (!control) {
        co_return Failure { notReady() };
    }
    const auto main = co_await control->inputs(api::Zone::main, Cancellation());
    if (!main) {
        co_return Failure { ActionError::from(main.error()) };
    }
    QStringList names = main.value();
    // Zone 2 only adds names; a receiver without it, or one that fails to list it, still offers the main zone's.
    const auto zone2 = co_await control->inputs(api::Zone::zone2, Cancellation());
    if (zone2) {
        for (const QString &name : zone2.value()) {
            if (!names.contains(name)) {
                names.append(name);
            }
        }
    }
    co_return filtered(names, search);
}

ActionTask<QStringList> ReceiverActions::soundModes(QString search)
{
    const std::shared_ptr<api::ReceiverControl> control = m_parts.control;
    if (!control) {
        co_return Failure { notReady() };
    }
    const auto names = co_await control->soundModes(api::Zone::main, Cancellation());
    if (!names) {
        co_return Failure { ActionError::from(names.error()) };
    }
    co_return filtered(names.value(), search);
}

ActionTask<QStringList> ReceiverActions::scenes(QString search)
{
    const std::shared_ptr<api::SceneService> service = m_parts.scenes;
    if (!service) {
        co_return Failure { notReady() };
    }
    const auto scenes = co_await service->list();
    if (!scenes) {
        co_return Failure { ActionError::from(scenes.error()) };
    }
    QStringList names;
    for (const auto &scene : scenes.value()) {
        names.append(scene.name);
    }
    co_return filtered(names, search);
}

ActionTask<QString> ReceiverActions::setSleep(api::Zone zone, int minutes)
{
    const std::shared_ptr<api::ReceiverControl> control = m_parts.control;
    if (!control) {
        co_return Failure { notReady() };
    }
    const auto sent = co_await control->setSleep(zone, minutes, Cancellation());
    if (!sent) {
        co_return Failure { ActionError::from(sent.error()) };
    }
    co_return sent.value() == 0 ? QStringLiteral("Sleep timer off.")
                                : QStringLiteral("Sleep timer %1 min.").arg(sent.value());
}

namespace {

QStringList favouriteNames(const QList<api::Favourite> &favourites)
{
    QStringList names;
    for (const api::Favourite &favourite : favourites) {
        names.append(favourite.name);
    }
    return names;
}

} // namespace

ActionTask<QString> ReceiverActions::recallFavourite(api::Zone zone, QString favourite)
{
    const std::shared_ptr<api::ReceiverControl> control = m_parts.control;
    if (!control) {
        co_return Failure { notReady() };
    }
    bool isNumber = false;
    int number = favourite.trimmed().toInt(&isNumber);
    if (!isNumber) {
        const auto listed = co_await control->favourites(zone, Cancellation());
        if (!listed) {
            co_return Failure { ActionError::from(listed.error()) };
        }
        const auto matched = resolve(favouriteNames(listed.value()), favourite, QStringLiteral("favourite"));
        if (!matched) {
            co_return Failure { matched.error() };
        }
        // Two slots may hold the same name; the first one is the favourite that name means.
        for (const api::Favourite &entry : listed.value()) {
            if (entry.name == matched.value()) {
                number = entry.number;
                break;
            }
        }
    }
    const auto recalled = co_await control->recallFavourite(zone, number, Cancellation());
    if (!recalled) {
        co_return Failure { ActionError::from(recalled.error()) };
    }
    co_return QStringLiteral("Recalled ") + recalled->name + u'.';
}

ActionTask<QString> ReceiverActions::recallReceiverScene(api::Zone zone, int number)
{
    const std::shared_ptr<api::ReceiverControl> control = m_parts.control;
    if (!control) {
        co_return Failure { notReady() };
    }
    const auto done = co_await control->recallReceiverScene(zone, number, Cancellation());
    if (!done) {
        co_return Failure { ActionError::from(done.error()) };
    }
    co_return QStringLiteral("Recalled scene %1.").arg(number);
}

ActionTask<QStringList> ReceiverActions::favourites(QString search)
{
    const std::shared_ptr<api::ReceiverControl> control = m_parts.control;
    if (!control) {
        co_return Failure { notReady() };
    }
    const auto listed = co_await control->favourites(api::Zone::main, Cancellation());
    if (!listed) {
        co_return Failure { ActionError::from(listed.error()) };
    }
    co_return filtered(favouriteNames(listed.value()), search);
}

} // namespace amplora::app
