#pragma once

#include "base/Cancellation.h"
#include "base/Clock.h"
#include "base/Result.h"
#include "core/events/YXCEvent.h"
#include "core/protocol/Zone.h"
#include "core/store/StoreError.h"

#include <QCoroTask>
#include <QObject>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace amplora {

// One read of the receiver on its way, shared by everyone who asked for it while it was.
class ReadFlight : public QObject {
    Q_OBJECT

public:
    std::optional<Result<Done, StoreError>> outcome;
    quint64 changes = 0;
    quint64 generation = 0;
    bool announced = false; // a push event announced a change and asked for this read
    bool kept = false; // the store itself waits for it: it goes on whoever else leaves
    int waiters = 0; // callers waiting for it that may leave
    bool abandoned = false; // its last caller left before it landed; nobody joins it any more
    CancelSource abandon; // aborts the request once it is abandoned

Q_SIGNALS:
    void landed();
};

// One caller's wait for a flight: over when the flight lands or the caller is cancelled, whichever is first.
class FlightSeat : public QObject {
    Q_OBJECT

Q_SIGNALS:
    void over();
};

// Which of the store's reads are fresh enough to answer a caller without asking the receiver again, and one
// request for all callers when they are not. Callers that poll (automations, several clients at once) would
// otherwise turn every question into a receiver request, and a receiver answers only a few a second.
//
// A read counts as fresh for `freshFor` after it was sent, and for as long as push events keep the store
// current (`live`), unless a command that may change what it read was sent meanwhile or since: then the next
// caller asks again, so what a caller changed is what it reads next. While a read that a push event asked for is
// on its way, the stored state is known to be behind: callers wait for that read instead.
//
// Every read a caller makes on demand comes through ensure(), which is also where a caller that goes away (an
// API client hanging up) leaves: a read only it waited for is aborted, one that others still wait for goes on.
class FreshReads {
public:
    // Reads `what` into the store; once the Cancellation fires nobody waits for the answer.
    using Read = std::function<QCoro::Task<Result<Done, StoreError>>(YXCEvent::Refresh, Cancellation)>;
    using Live = std::function<bool()>;
    static constexpr auto freshFor = std::chrono::seconds(1);

    // What began() hands the reader, to give back to succeeded() with its answer.
    struct Ticket {
        YXCEvent::Refresh what;
        Clock::TimePoint sentAt;
        quint64 changes = 0;
        quint64 generation = 0;
    };

    FreshReads(Clock &clock, Read read, Live live = {});

    // Done at once when `what` is fresh; otherwise joins the read on its way, or starts one that later callers
    // join. The outcome is the read's, or StoreError::abandoned once `cancel` fires: the caller stops waiting at
    // once, and when it was the last one waiting for a read it started or joined, that read is aborted.
    QCoro::Task<Result<Done, StoreError>> ensure(YXCEvent::Refresh what, Cancellation cancel = Cancellation());
    // A read a push event asked for: it goes out even when `what` is fresh, and callers asking meanwhile join it.
    QCoro::Task<Result<Done, StoreError>> refetch(YXCEvent::Refresh what);

    // Any read of the receiver, also the ones that polling and push events make: a successful one counts.
    Ticket began(YXCEvent::Refresh what);
    void succeeded(const Ticket &ticket);

    // A command is about to go to, or just went to, `zone` (none: the receiver as a whole). What it may change
    // (that zone's status, or every zone's; what is playing; the favourites) is no longer fresh.
    void changed(std::optional<Zone> zone);
    // Another receiver or transport: nothing read so far counts.
    void forget();

    bool isFresh(YXCEvent::Refresh what) const;

private:
    struct Entry {
        std::optional<Clock::TimePoint> readAt;
        quint64 readChanges = 0;
        quint64 readGeneration = 0;
        quint64 changes = 0;
        std::shared_ptr<ReadFlight> flight;
    };
    std::shared_ptr<ReadFlight> newFlight(Entry &entry, bool announced);
    static QCoro::Task<Result<Done, StoreError>> landing(std::shared_ptr<ReadFlight> flight, Cancellation cancel);
    QCoro::Task<Result<Done, StoreError>> fly(YXCEvent::Refresh what, std::shared_ptr<ReadFlight> flight);

    Clock &m_clock;
    Read m_read;
    Live m_live;
    quint64 m_generation = 0;
    std::map<YXCEvent::Refresh, Entry> m_entries;
};

} // namespace amplora
