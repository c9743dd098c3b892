#pragma once

#include "api/control/EnumCases.h"
#include "api/http/JSONValue.h"

#include <QString>

#include <optional>

namespace amplora::api {

// Where the application's link to its receiver stands.
enum class ReceiverConnection { connected, connecting, failed, idle };

template<> struct EnumCases<ReceiverConnection> {
    static constexpr std::array<std::string_view, 4> names { "connected", "connecting", "failed", "idle" };
};

// How the application learns of changes on the receiver: its push events, polling alone (no events arrive), or
// neither lately (the receiver has not answered).
enum class ReceiverUpdates { push, polling, stale };

template<> struct EnumCases<ReceiverUpdates> {
    static constexpr std::array<std::string_view, 3> names { "push", "polling", "stale" };
};

// The health of the link to the receiver; its JSON is the body of GET /api/v1/health. Unlike the status, the
// unknown values are written as null, so a monitor finds every key in every answer.
struct ReceiverHealth {
    QString receiver; // the address the application talks to
    ReceiverConnection connection = ReceiverConnection::idle;
    ReceiverUpdates updates = ReceiverUpdates::stale;
    std::optional<int> lastEventSecondsAgo; // whole seconds since the last push event; none before the first
    std::optional<int> eventPort; // the UDP port push events arrive on; none while none is open

    JSONValue toJSON() const;

    friend bool operator==(const ReceiverHealth &, const ReceiverHealth &) = default;
};

} // namespace amplora::api
