#include "core/store/FreshReads.h"

#include <QCoroSignal>

namespace amplora {

FreshReads::FreshReads(Clock &clock, Read read, Live live)
    : m_clock(clock)
    , m_read(std::move(read))
    , m_live(std::move(live))
{ }

bool FreshReads::isFresh(YXCEvent::Refresh what) const
{
    const auto found = m_entries.find(what);
    if (found == m_entries.end()) {
        return false;
    }
    const Entry &entry = found->second;
    if (!entry.readAt || entry.readGeneration != m_generation || entry.readChanges != entry.changes) {
        return false;
    }
    const bool announcedChange
        = entry.flight && entry.flight->announced && !entry.flight->outcome && entry.flight->generation == m_generation;
    if (announcedChange) {
        return false;
    }
    return m_clock.now() - *entry.readAt < freshFor || (m_live && m_live());
}

QCoro::Task<Result<Done, StoreError>> FreshReads::ensure(YXCEvent::Refresh what, Cancellation cancel)
{
    if (isFresh(what)) {
        co_return Done {};
    }
    // A caller that is gone already starts nothing.
    if (cancel.isCancelled()) {
        co_return Failure { StoreError::abandoned() };
    }
    Entry &entry = m_entries[what];
    // A read sent before the latest command may answer with what the command changed: it is not joined. Nor is
    // one that landed (it was stale, or failed), nor one being aborted.
    if (!entry.flight || entry.flight->outcome || entry.flight->abandoned || entry.flight->changes != entry.changes
        || entry.flight->generation != m_generation) {
        fly(what, newFlight(entry, false));
    }
    co_return co_await landing(entry.flight, std::move(cancel));
}

QCoro::Task<Result<Done, StoreError>> FreshReads::refetch(YXCEvent::Refresh what)
{
    // Never joins a read already on its way: that one may have left before the change the event announced. The
    // caller flies the read itself, so it goes on the moment the answer is in (joiners resume from the event loop).
    const std::shared_ptr<ReadFlight> flight = newFlight(m_entries[what], true);
    flight->kept = true;
    co_return co_await fly(what, flight);
}

std::shared_ptr<ReadFlight> FreshReads::newFlight(Entry &entry, bool announced)
{
    entry.flight = std::make_shared<ReadFlight>();
    entry.flight->changes = entry.changes;
    entry.flight->generation = m_generation;
    entry.flight->announced = announced;
    return entry.flight;
}

QCoro::Task<Result<Done, StoreError>> FreshReads::landing(std::shared_ptr<ReadFlight> flight, Cancellation cancel)
{
    // The waiter keeps the flight: it lands even when the store goes first.
    if (!flight->outcome) {
        ++flight->waiters;
        FlightSeat seat;
        QObject::connect(flight.get(), &ReadFlight::landed, &seat, &FlightSeat::over);
        const Cancellation::Subscription leave = cancel.onCancel([&seat] { Q_EMIT seat.over(); });
        co_await qCoro(&seat, &FlightSeat::over);
        --flight->waiters;
    }
    if (const std::optional<Result<Done, StoreError>> &landed = flight->outcome) {
        // Copied through a const reference: QCoro 0.8 moves from a non-const lvalue handed to co_return, and the
        // flight's outcome is every waiter's.
        const Result<Done, StoreError> &outcome = *landed;
        co_return outcome;
    }
    // The caller left first. The last one out aborts a read that only callers wanted; the flight's own coroutine
    // then lands it, telling nobody.
    if (flight->waiters == 0 && !flight->kept && !flight->abandoned) {
        flight->abandoned = true;
        flight->abandon.cancel();
    }
    co_return Failure { StoreError::abandoned() };
}

QCoro::Task<Result<Done, StoreError>> FreshReads::fly(YXCEvent::Refresh what, std::shared_ptr<ReadFlight> flight)
{
    // `this` may be gone when the read returns (the store was destroyed); only the flight is touched then, and
    // m_read's outcome says the store was superseded.
    Read read = m_read;
    Result<Done, StoreError> outcome = co_await read(what, flight->abandon.token());
    flight->outcome = outcome;
    Q_EMIT flight->landed();
    co_return outcome;
}

FreshReads::Ticket FreshReads::began(YXCEvent::Refresh what)
{
    return { what, m_clock.now(), m_entries[what].changes, m_generation };
}

void FreshReads::succeeded(const Ticket &ticket)
{
    Entry &entry = m_entries[ticket.what];
    if (ticket.generation != m_generation || ticket.changes != entry.changes) {
        return;
    }
    if (!entry.readAt || *entry.readAt < ticket.sentAt) {
        entry.readAt = ticket.sentAt;
        entry.readChanges = ticket.changes;
        entry.readGeneration = ticket.generation;
    }
}

void FreshReads::changed(std::optional<Zone> zone)
{
    // The favourites count as changed by any command: reading them again is cheap, and a recall then always
    // checks its slot against a list read after every command before it.
    for (auto &[what, entry] : m_entries) {
        if (what.kind == YXCEvent::Refresh::Kind::playInfo || what.kind == YXCEvent::Refresh::Kind::presets
            || what.kind == YXCEvent::Refresh::Kind::tunerPlayInfo || what.kind == YXCEvent::Refresh::Kind::tunerPresets
            || (what.kind == YXCEvent::Refresh::Kind::status && (!zone || what.zone == *zone))) {
            ++entry.changes;
        }
    }
}

void FreshReads::forget()
{
    ++m_generation;
}

} // namespace amplora
