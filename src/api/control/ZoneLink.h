#pragma once

#include "api/control/EnumCases.h"

#include <QString>

#include <optional>

namespace amplora::api {

// How a linked zone takes part in its group of receivers.
enum class LinkRole { server, client };

template<> struct EnumCases<LinkRole> {
    static constexpr std::array<std::string_view, 2> names { "server", "client" };
};

// A zone that plays as part of a group of linked receivers; a zone outside any group has none.
struct ZoneLink {
    LinkRole role = LinkRole::server;
    std::optional<QString> group; // the group's name; none when the receiver gave none

    friend bool operator==(const ZoneLink &, const ZoneLink &) = default;
};

} // namespace amplora::api
