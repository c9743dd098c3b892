#include "core/store/PushEventCheckError.h"

namespace amplora {

namespace {

// Seconds as people write them: "3", "1.5".
QString secondsText(std::chrono::milliseconds duration)
{
    return QString::number(double(duration.count()) / 1000.0, 'g', 6);
}

} // namespace

PushEventCheckError PushEventCheckError::notConnected()
{
    return { Kind::notConnected,
        QStringLiteral("Amplora is not connected to the receiver, so push events cannot be tested.") };
}

PushEventCheckError PushEventCheckError::noListener()
{
    return { Kind::noListener,
        QStringLiteral("Amplora has no UDP port open for push events, so none can arrive. Amplora polls meanwhile.") };
}

PushEventCheckError PushEventCheckError::readOnly()
{
    return { Kind::readOnly,
        QStringLiteral("Testing push events sends the receiver its own mute or power setting, which read-only mode "
                       "(--read-only) does not allow. Nothing was sent.") };
}

PushEventCheckError PushEventCheckError::requestFailed(const QString &description)
{
    return { Kind::requestFailed, QStringLiteral("The push-event test could not ask the receiver: ") + description };
}

PushEventCheckError PushEventCheckError::interrupted()
{
    return { Kind::interrupted,
        QStringLiteral("The connection to the receiver restarted during the push-event test. Try again.") };
}

PushEventCheckError PushEventCheckError::noEvent(
    std::chrono::milliseconds waited, quint16 port, const QString &sender, std::chrono::milliseconds pollPause)
{
    return { Kind::noEvent,
        QStringLiteral("No push event arrived within %1 s. Allow UDP port %2 from %3 in the firewall; Amplora polls "
                       "every %4 s meanwhile.")
            .arg(secondsText(waited), QString::number(port), sender, secondsText(pollPause)) };
}

QString pushEventsArriveText(std::chrono::milliseconds latency)
{
    return QStringLiteral("Push events arrive (%1 ms).").arg(latency.count());
}

} // namespace amplora
