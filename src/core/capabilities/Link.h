#pragma once

#include "core/protocol/DistributionInfo.h"
#include "core/protocol/Features.h"
#include "core/protocol/Zone.h"

#include <QString>

#include <optional>

namespace amplora {

// Whether a zone plays as part of a group of linked receivers. Amplora only shows a link: it never builds one,
// joins one or leaves one (no command for that exists).
namespace Link {

enum class Role {
    server, // the zone shares its sound with the group's other receivers
    client, // the receiver plays what the group's server shares
};

struct ZoneLink {
    Role role = Role::server;
    std::optional<QString> group; // the group's name as the receiver has it; none when it gave none

    friend bool operator==(const ZoneLink &, const ZoneLink &) = default;
};

// The input a client receiver plays the group's sound on.
inline constexpr auto inputId = QLatin1StringView("mc_link");

// Whether the receiver can link at all, and so answers what its link is.
bool announced(const std::optional<Features> &features);
// The zone's link; none when it is not linked, when the receiver says "none" or a role it does not document, or
// before the link was read.
std::optional<ZoneLink> of(const std::optional<DistributionInfo> &info, Zone zone);
// The group's name, when the receiver gave one that is not blank.
std::optional<QString> groupName(const std::optional<DistributionInfo> &info);
// What the linked input is called where no translation applies: "Linked (Living Room)", or "Linked" with no
// group name known.
QString inputName(const std::optional<QString> &group);

} // namespace Link

} // namespace amplora
