#include "app/dbus/ActionService.h"

#include "app/Logging.h"
#include "app/controller/APIController.h"
#include "app/diagnostics/RunningDiagnostics.h"

#include <QDBusConnectionInterface>
#include <QPointer>

#include <cmath>

namespace amplora::app {

QString ActionService::errorName(const QString &code)
{
    // D-Bus error name elements allow only letters, digits and underscores.
    QString element;
    for (const QChar c : code) {
        element.append(c.isLetterOrNumber() && c.unicode() < 128 ? c : QChar(u'_'));
    }
    if (element.isEmpty() || element.front().isDigit()) {
        element.prepend(u'e');
    }
    return serviceName() + QStringLiteral(".Error.") + element;
}

ActionService::ActionService(ReceiverActions::Parts parts, ControllerLookup controller, QObject *parent)
    : QObject(parent)
    , m_lookup(std::move(controller))
    , m_actions(std::move(parts))
{ }

ActionService::Registration ActionService::registerOn(QDBusConnection bus)
{
    if (!bus.isConnected()) {
        return Registration::noBus;
    }
    if (!bus.registerObject(objectPath(), this, QDBusConnection::ExportScriptableSlots)) {
        // The path is ours alone within this process, so a refusal means the bus itself is unusable.
        qCWarning(lcDbus).noquote() << "Could not export the actions:" << bus.lastError().message();
        return Registration::noBus;
    }
    if (!bus.registerService(serviceName())) {
        bus.unregisterObject(objectPath());
        return Registration::nameTaken;
    }
    return Registration::registered;
}

template<class T> QCoro::Task<> ActionService::answer(QDBusConnection bus, QDBusMessage call, ActionTask<T> task)
{
    const auto result = co_await std::move(task);
    if (result) {
        bus.send(call.createReply(QVariant::fromValue(result.value())));
    } else {
        qCInfo(lcDbus).noquote() << call.member() << "failed:" << result.error().message;
        bus.send(call.createErrorReply(errorName(result.error().code), result.error().message));
    }
}

template<class T> void ActionService::answerLater(ActionTask<T> task)
{
    setDelayedReply(true);
    // The coroutine owns everything it needs; it finishes (and answers) even though its task handle is dropped.
    auto pending = answer<T>(connection(), message(), std::move(task));
    Q_UNUSED(pending);
}

std::optional<api::Zone> ActionService::zoneArgument(const QString &zone)
{
    const QString name = zone.trimmed().toLower();
    if (name.isEmpty()) {
        return api::Zone::main;
    }
    if (const auto parsed = api::enumFromName<api::Zone>(name)) {
        return parsed;
    }
    sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("zone must be \"main\" or \"zone2\"."));
    return std::nullopt;
}

QString ActionService::SetPower(const QString &zone, const QString &power)
{
    const auto parsed = zoneArgument(zone);
    if (!parsed) {
        return {};
    }
    const QString word = power.trimmed().toLower();
    std::optional<api::PowerState> state;
    if (word == QStringLiteral("on")) {
        state = api::PowerState::on;
    } else if (word == QStringLiteral("standby") || word == QStringLiteral("off")) {
        state = api::PowerState::standby;
    }
    if (!state) {
        sendErrorReply(
            QDBusError::InvalidArgs, QStringLiteral("power must be \"on\" or \"standby\" (\"off\" also works)."));
        return {};
    }
    answerLater(m_actions.setPower(*parsed, *state));
    return {};
}

QString ActionService::SetVolume(const QString &zone, double db)
{
    const auto parsed = zoneArgument(zone);
    if (!parsed) {
        return {};
    }
    if (!std::isfinite(db)) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("The volume must be a number of decibels."));
        return {};
    }
    answerLater(m_actions.setVolume(*parsed, db));
    return {};
}

QString ActionService::RampVolume(const QString &zone, double db, double seconds)
{
    const auto parsed = zoneArgument(zone);
    if (!parsed) {
        return {};
    }
    if (!std::isfinite(db) || !std::isfinite(seconds)) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("The volume and the seconds must be numbers."));
        return {};
    }
    answerLater(m_actions.rampVolume(*parsed, db, seconds));
    return {};
}

QString ActionService::Mute(const QString &zone, bool muted)
{
    const auto parsed = zoneArgument(zone);
    if (!parsed) {
        return {};
    }
    answerLater(m_actions.mute(*parsed, muted));
    return {};
}

QString ActionService::SwitchInput(const QString &zone, const QString &input)
{
    const auto parsed = zoneArgument(zone);
    if (!parsed) {
        return {};
    }
    answerLater(m_actions.switchInput(*parsed, input));
    return {};
}

QString ActionService::SetSoundMode(const QString &mode)
{
    answerLater(m_actions.setSoundMode(mode));
    return {};
}

QString ActionService::RunScene(const QString &scene)
{
    answerLater(m_actions.runScene(scene));
    return {};
}

QString ActionService::CheckPushEvents()
{
    answerLater(m_actions.checkPushEvents());
    return {};
}

QString ActionService::SetSleep(const QString &zone, int minutes)
{
    const auto parsed = zoneArgument(zone);
    if (!parsed) {
        return {};
    }
    if (minutes < 0) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("The sleep timer takes minutes from 0 (off) up."));
        return {};
    }
    answerLater(m_actions.setSleep(*parsed, minutes));
    return {};
}

QString ActionService::RecallFavourite(const QString &zone, const QString &favourite)
{
    const auto parsed = zoneArgument(zone);
    if (!parsed) {
        return {};
    }
    answerLater(m_actions.recallFavourite(*parsed, favourite));
    return {};
}

QString ActionService::RecallReceiverScene(const QString &zone, int number)
{
    const auto parsed = zoneArgument(zone);
    if (!parsed) {
        return {};
    }
    answerLater(m_actions.recallReceiverScene(*parsed, number));
    return {};
}

QStringList ActionService::Inputs(const QString &search)
{
    answerLater(m_actions.inputs(search));
    return {};
}

QStringList ActionService::SoundModes(const QString &search)
{
    answerLater(m_actions.soundModes(search));
    return {};
}

QStringList ActionService::Scenes(const QString &search)
{
    answerLater(m_actions.scenes(search));
    return {};
}

QStringList ActionService::Favourites(const QString &search)
{
    answerLater(m_actions.favourites(search));
    return {};
}

void ActionService::ShowWindow()
{
    const std::optional<QString> refusal
        = showWindow ? showWindow() : std::optional<QString>(QStringLiteral("Amplora has no window to show."));
    if (refusal) {
        sendErrorReply(errorName(QStringLiteral("no_window")), *refusal);
    }
}

ActionTask<QString> ActionService::token(bool regenerate)
{
    QPointer<APIController> controller = m_lookup ? m_lookup() : nullptr;
    if (!controller) {
        co_return Failure { ActionError::from(IntentError::notReady()) };
    }
    if (regenerate) {
        co_await controller->regenerateToken();
    } else {
        co_await controller->loadToken();
    }
    if (!controller) {
        co_return Failure { ActionError::from(IntentError::notReady()) };
    }
    // A failure leaves the previous token in place, so the error is what this call must report.
    const std::optional<QString> current = controller->token();
    if (controller->tokenError() || !current) {
        co_return Failure { ActionError { QStringLiteral("token_error"),
            controller->tokenError().value_or(QStringLiteral("The API token could not be read.")) } };
    }
    co_return *current;
}

QString ActionService::APIToken(bool regenerate)
{
    answerLater(token(regenerate));
    return {};
}

namespace {

ActionTask<QString> diagnosticsAnswer(
    QCoro::Task<Result<diagnostics::WrittenBundle, diagnostics::DiagnosticsError>> writing)
{
    const auto written = co_await writing;
    if (!written) {
        co_return Failure { ActionError { QStringLiteral("diagnostics_failed"), written.error().description() } };
    }
    co_return QStringLiteral("%1\nRedacted: %2").arg(written->path, written->redacted.text());
}

} // namespace

QString ActionService::WriteDiagnostics(const QString &output)
{
    if (diagnostics == nullptr) {
        sendErrorReply(errorName(QStringLiteral("not_ready")), QStringLiteral("Amplora is still starting."));
        return {};
    }
    answerLater(diagnosticsAnswer(diagnostics->write(output)));
    return {};
}

} // namespace amplora::app
