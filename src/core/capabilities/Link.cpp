#include "core/capabilities/Link.h"

namespace amplora::Link {

bool announced(const std::optional<Features> &features)
{
    return features && features->distribution;
}

std::optional<ZoneLink> of(const std::optional<DistributionInfo> &info, Zone zone)
{
    if (!info || !info->role) {
        return std::nullopt;
    }
    const QString &role = *info->role;
    if (role == QLatin1StringView("client")) {
        // A client has no zone of its own in the group: whatever it plays, it plays as the group's.
        return ZoneLink { Role::client, groupName(info) };
    }
    if (role != QLatin1StringView("server")) {
        return std::nullopt;
    }
    // Every receiver that announces links shares its main zone only, so a server that names no zone shares that.
    const std::optional<Zone> shared = info->serverZone ? zoneFromRawValue(*info->serverZone) : Zone::main;
    if (shared != zone) {
        return std::nullopt;
    }
    return ZoneLink { Role::server, groupName(info) };
}

std::optional<QString> groupName(const std::optional<DistributionInfo> &info)
{
    if (!info || !info->groupName || info->groupName->trimmed().isEmpty()) {
        return std::nullopt;
    }
    return info->groupName;
}

QString inputName(const std::optional<QString> &group)
{
    return group ? QStringLiteral("Linked (%1)").arg(*group) : QStringLiteral("Linked");
}

} // namespace amplora::Link
