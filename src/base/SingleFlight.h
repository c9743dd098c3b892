#pragma once

namespace amplora {

// One piece of work on its way at a time, and one more round after it when asked for meanwhile: a burst of
// requests costs the round on its way plus one, and the last request is always served by a round that began
// after it. The runner (usually a coroutine) owns the loop:
//
//     if (!m_flight.begin()) {
//         co_return; // the round on its way runs once more
//     }
//     do {
//         co_await oneRound();
//         if (!self) {
//             co_return;
//         }
//     } while (m_flight.another());
//
// No one is resumed from here, so a round may call begin() or stop() from anywhere (also from inside itself).
// A round that fails still ends with another(): whether it succeeded is the round's own business.
class SingleFlight {
public:
    // True when idle: the caller runs the round now. Otherwise marks one more round and returns false.
    bool begin();
    // After each round: true (and the mark cleared) when another round was asked for meanwhile; false leaves the
    // flight idle.
    bool another();
    // Drops the round asked for but not yet begun; the round on its way ends as it will.
    void stop();

    bool running() const { return m_running; }
    bool roundAskedFor() const { return m_again; }

private:
    bool m_running = false;
    bool m_again = false;
};

} // namespace amplora
