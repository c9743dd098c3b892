#include "qml/DisplayText.h"

#include "core/store/ReceiverStore.h"

#include <QStringList>

namespace amplora::DisplayText {

QString statusLine(const ReceiverStore &store)
{
    QStringList segments;
    if (store.launch().mock) {
        segments.append(QStringLiteral("MOCK DATA"));
    }
    if (store.transport() && store.transport()->isReadOnly()) {
        segments.append(QStringLiteral("READ-ONLY"));
    }
    const ConnectionState &connection = store.connection();
    switch (connection.kind()) {
    case ConnectionState::Kind::idle:
    case ConnectionState::Kind::connecting:
        segments.append(QStringLiteral("Connecting\u2026"));
        break;
    case ConnectionState::Kind::connected:
        switch (store.updates()) {
        case UpdatesState::push:
            segments.append(QStringLiteral("Live \u00B7 push events"));
            break;
        case UpdatesState::polling:
            segments.append(QStringLiteral("Live \u00B7 polling"));
            break;
        case UpdatesState::stale:
            segments.append(QStringLiteral("Stale"));
            break;
        }
        break;
    case ConnectionState::Kind::failed:
        segments.append(QStringLiteral("Offline: ") + connection.reason());
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
    QStringList parts { zoneName.value_or(zone == Zone::main ? QStringLiteral("Main") : QStringLiteral("Zone 2")) };
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

} // namespace amplora::DisplayText
