#include "qml/DisplayText.h"

#include "core/store/ReceiverStore.h"

#include <QCoreApplication>
#include <QStringList>

#include <cmath>

namespace amplora::DisplayText {

QString statusLine(const ReceiverStore &store)
{
    QStringList segments;
    if (store.launch().mock) {
        segments.append(QCoreApplication::translate(
            "amplora::DisplayText", "MOCK DATA", "footer: the window shows sample data, not a receiver"));
    }
    if (store.transport() && store.transport()->isReadOnly()) {
        segments.append(QCoreApplication::translate(
            "amplora::DisplayText", "READ-ONLY", "footer: no command reaches the receiver"));
    }
    const ConnectionState &connection = store.connection();
    switch (connection.kind()) {
    case ConnectionState::Kind::idle:
    case ConnectionState::Kind::connecting:
        segments.append(QCoreApplication::translate("amplora::DisplayText", "Connecting\u2026"));
        break;
    case ConnectionState::Kind::connected:
        switch (store.updates()) {
        case UpdatesState::push:
            segments.append(QCoreApplication::translate("amplora::DisplayText", "Live \u00B7 push events"));
            break;
        case UpdatesState::polling:
            segments.append(QCoreApplication::translate("amplora::DisplayText", "Live \u00B7 polling"));
            break;
        case UpdatesState::stale:
            segments.append(QCoreApplication::translate(
                "amplora::DisplayText", "Stale", "footer: the shown state may be out of date"));
            break;
        }
        break;
    case ConnectionState::Kind::failed:
        // The reason is the connection error's own text, the one the log and the local API carry.
        segments.append(QCoreApplication::translate("amplora::DisplayText", "Offline: %1").arg(connection.reason()));
        break;
    }
    if (const std::optional<QString> &notice = store.addressNotice()) {
        segments.append(*notice);
    }
    return segments.join(QStringLiteral("  \u00B7  "));
}

QString zoneTitle(const ReceiverStore &store)
{
    const Zone zone = store.selectedZone();
    const std::optional<NameText> &names = store.state().names();
    const std::optional<QString> zoneName = names ? names->zoneName(zone) : std::nullopt;
    QStringList parts;
    if (zoneName) {
        parts.append(*zoneName);
    } else if (zone == Zone::main) {
        parts.append(QCoreApplication::translate("amplora::DisplayText", "Main", "zone title, no name known"));
    } else {
        parts.append(QCoreApplication::translate("amplora::DisplayText", "Zone 2", "zone title, no name known"));
    }
    const std::optional<DeviceInfo> &device = store.state().deviceInfo();
    if (device && device->modelName) {
        parts.append(*device->modelName);
    }
    return parts.join(QStringLiteral(" \u00B7 "));
}

QString signalKey(const ReceiverStore &store)
{
    return rawValue(store.selectedZone()) + u'-'
        + (store.canFetchSignal() ? QStringLiteral("true") : QStringLiteral("false"));
}

QString volumeReadout(double dB)
{
    // Half decibels rounded half away from zero, as the receiver's own values are; a value that rounds to zero
    // reads "0.0", never "-0.0".
    const double snapped = std::round(dB * 2) / 2;
    return QString::number(snapped == 0 ? 0.0 : snapped, 'f', 1) + QStringLiteral(" dB");
}

} // namespace amplora::DisplayText
