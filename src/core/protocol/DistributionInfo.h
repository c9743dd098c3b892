#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace amplora {

// One receiver of a linked group as its server lists it.
struct DistributionClient {
    std::optional<QString> ipAddress;
    std::optional<QString> dataType;

    friend bool operator==(const DistributionClient &, const DistributionClient &) = default;
};

// Answer of "dist/getDistributionInfo": whether the receiver shares its music with others in a group (server),
// plays what another one shares (client), or neither. Decoded leniently: a value that cannot be read is left out,
// a malformed client is skipped, and a role no firmware documents counts as no link.
struct DistributionInfo {
    std::optional<int> responseCode;
    std::optional<QString> groupId;
    std::optional<QString> groupName;
    std::optional<QString> role; // "server", "client" or "none", as the receiver words it
    std::optional<QString> serverZone; // the zone whose sound a server shares
    QList<DistributionClient> clientList;

    friend bool operator==(const DistributionInfo &, const DistributionInfo &) = default;
};

} // namespace amplora
