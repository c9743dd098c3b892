#pragma once

#include "api/control/ReceiverControl.h"
#include "support/FakeReceiver.h"
#include "support/WaitFor.h"

#include <QHash>
#include <QStringList>

namespace amplora::test {

// A failure of the control as the tests compare it: "<kind>: <text>".
inline QString refused(const api::ControlError &error)
{
    using Kind = api::ControlError::Kind;
    static const QHash<Kind, QString> kinds { { Kind::receiverFailed, QStringLiteral("receiverFailed") },
        { Kind::readOnly, QStringLiteral("readOnly") }, { Kind::unknownInput, QStringLiteral("unknownInput") },
        { Kind::unknownSoundMode, QStringLiteral("unknownSoundMode") },
        { Kind::noVolumeRange, QStringLiteral("noVolumeRange") }, { Kind::noStatus, QStringLiteral("noStatus") },
        { Kind::volumeAboveCap, QStringLiteral("volumeAboveCap") },
        { Kind::noPushEvents, QStringLiteral("noPushEvents") }, { Kind::notSupported, QStringLiteral("notSupported") },
        { Kind::outOfRange, QStringLiteral("outOfRange") },
        { Kind::unknownFavourite, QStringLiteral("unknownFavourite") },
        { Kind::unknownReceiverScene, QStringLiteral("unknownReceiverScene") },
        { Kind::abandoned, QStringLiteral("abandoned") } };
    return kinds.value(error.kind()) + QStringLiteral(": ") + error.description();
}

// One call of the control run to its end: "done", the number it answered, the favourites as "<number> <name>
// (<input>)", or the refusal.
template<class T> QString outcome(api::ControlTask<T> task)
{
    const auto favourite
        = [](const api::Favourite &f) { return QStringLiteral("%1 %2 (%3)").arg(f.number).arg(f.name, f.input); };
    const auto result = test::waitFor(std::move(task));
    if (!result)
        return refused(result.error());
    if constexpr (std::is_same_v<T, double> || std::is_same_v<T, int>)
        return QString::number(result.value());
    if constexpr (std::is_same_v<T, api::Favourite>)
        return favourite(result.value());
    if constexpr (std::is_same_v<T, QList<api::Favourite>>) {
        QStringList listed;
        for (const api::Favourite &f : result.value())
            listed.append(favourite(f));
        return listed.join(QStringLiteral(", "));
    }
    return QStringLiteral("done");
}

// The changes that reached the receiver ("main/setMute?enable=true"), in order.
inline QStringList changesSent(const FakeReceiver &receiver)
{
    QStringList out;
    for (const auto &request : receiver.requests()) {
        const QString command = request.path.section(u'/', -1);
        if (command.startsWith(QStringLiteral("set")) || command.startsWith(QStringLiteral("recall")))
            out.append(request.target());
    }
    return out;
}

} // namespace amplora::test
