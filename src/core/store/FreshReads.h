#pragma once

#include "base/Result.h"
#include "core/Clock.h"
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

Q_SIGNALS:
    void landed();
};

// Which of the store's reads are fresh enough to answer a caller without asking the receiver again, and one
// request for all callers when they are not. Callers that poll (automations, several clients at once) would
// otherwise turn every question into a receiver request, and a receiver answers only a few a second.
//
// A read counts as fresh for `freshFor` after it was sent, and for as long as push events keep the store
// current (`live`), unless a command that may change what it read was sent meanwhile or since: then the next
// caller asks again, so what a caller changed is what it reads next. While a read that a push event asked for is
// on its way, the stored state is known to be behind: callers wait for that read instead.
class FreshReads {
public:
    using Read = std::function<QCoro::Task<Result<Done, StoreError>>(YXCEvent::Refresh)>;
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
    // join. The outcome is the read's.
    QCoro::Task<Result<Done, StoreError>> ensure(YXCEvent::Refresh what);
    // A read a push event asked for: it goes out even when `what` is fresh, and callers asking meanwhile join it.
    QCoro::Task<Result<Done, StoreError>> refetch(YXCEvent::Refresh what);

    // Any read of the receiver, also the ones that polling and push events make: a successful one counts.
    Ticket began(YXCEvent::Refresh what);
    void succeeded(const Ticket &ticket);

    // A command is about to go to, or just went to, `zone` (none: the receiver as a whole). What it may change
    // (that zone's status, or every zone's; what is playing) is no longer fresh.
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
    static QCoro::Task<Result<Done, StoreError>> landing(std::shared_ptr<ReadFlight> flight);
    QCoro::Task<Result<Done, StoreError>> fly(YXCEvent::Refresh what, std::shared_ptr<ReadFlight> flight);

    Clock &m_clock;
    Read m_read;
    Live m_live;
    quint64 m_generation = 0;
    std::map<YXCEvent::Refresh, Entry> m_entries;
};

} // namespace amplora
