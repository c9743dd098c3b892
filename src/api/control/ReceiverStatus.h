#pragma once

#include "api/control/JSONDecodeError.h"
#include "api/control/NowPlaying.h"
#include "api/control/PowerState.h"
#include "api/control/ReceiverExtras.h"
#include "api/control/Zone.h"
#include "api/control/ZoneLink.h"
#include "api/http/JSONValue.h"

#include "base/Result.h"

#include <QString>

#include <optional>

namespace amplora::api {

// A snapshot of one zone; its JSON is the body of GET /api/v1/status. Absent optional fields are left out of
// the JSON, never written as null.
struct ReceiverStatus {
    Zone zone = Zone::main;
    PowerState power = PowerState::standby;
    double volumeDb = 0;
    bool mute = false;
    QString input; // the current input's display name
    std::optional<QString> soundMode;
    std::optional<double> bass;
    std::optional<double> treble;
    std::optional<double> subwoofer; // subwoofer trim
    std::optional<NowPlaying> nowPlaying;
    // Only what the zone (for repeat and shuffle: what is playing) announces, so receivers without them answer
    // with the same keys as ever.
    std::optional<int> sleep; // minutes left; 0 when off
    std::optional<bool> direct;
    std::optional<bool> enhancer;
    std::optional<int> dialogueLevel;
    std::optional<RepeatMode> repeat;
    std::optional<ShuffleMode> shuffle;
    // Only while the zone is linked with other receivers.
    std::optional<ZoneLink> link;

    JSONValue toJSON() const;
    static Result<ReceiverStatus, JSONDecodeError> fromJSON(const JSONValue &value);

    friend bool operator==(const ReceiverStatus &, const ReceiverStatus &) = default;
};

} // namespace amplora::api
