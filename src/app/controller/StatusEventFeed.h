#pragma once

#include "api/control/Zone.h"
#include "base/SingleFlight.h"
#include "core/protocol/Features.h"
#include "core/protocol/NameText.h"
#include "core/protocol/PlayInfo.h"
#include "core/protocol/TunerInfo.h"
#include "core/protocol/Zone.h"
#include "core/protocol/ZoneStatus.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>

#include <array>
#include <map>
#include <memory>
#include <optional>

namespace amplora {
class ReceiverStore;
} // namespace amplora

namespace amplora::api {
class StatusEvents;
} // namespace amplora::api

namespace amplora::app {

class ReceiverControlAdapter;

// Keeps the API's event subscribers current. When the store learns something a zone's status shows (a command
// the receiver accepted, a push event, a poll), that zone's status is published at once as the store holds it,
// then read through the control and published again should the read tell otherwise. The read goes through the
// store's fresh-read rule, so it answers from what the store just learned unless a command made it stale; with
// nobody subscribed nothing is built or read at all.
class StatusEventFeed final : public QObject {
    Q_OBJECT

public:
    // `events` must outlive the feed.
    StatusEventFeed(ReceiverStore &store, api::StatusEvents &events);

private:
    void statusChanged();
    void playInfoChanged();
    // Names and features decorate every zone's status; the device information shows in none.
    void receiverChanged();
    // A zone's link shows in its status; the stream drops what a subscriber already has.
    void linkChanged();
    // One read of the zone at a time; a change meanwhile asks for one more after it.
    void request(api::Zone zone);
    QCoro::Task<> read(api::Zone zone);

    QPointer<ReceiverStore> m_store;
    std::shared_ptr<ReceiverControlAdapter> m_control;
    api::StatusEvents &m_events;
    std::map<Zone, ZoneStatus> m_seen;
    std::optional<PlayInfo> m_seenPlaying; // only what the status shows of it
    std::optional<TunerPlayInfo> m_seenTuner;
    std::optional<Features> m_seenFeatures;
    std::optional<NameText> m_seenNames;
    std::array<SingleFlight, 2> m_reading;
};

} // namespace amplora::app
