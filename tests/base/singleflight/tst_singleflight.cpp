// SingleFlight driven the way its users drive it: a coroutine loop whose rounds take time on a manual clock, with
// requests, failures and stops arriving while a round is on its way.

#include "base/SingleFlight.h"

#include "app/TableRows.h"
#include "support/ManualClock.h"

#include <QCoroTask>
#include <QTest>

#include <coroutine>

using namespace amplora;
using namespace std::chrono_literals;

namespace {

// Resumes the awaiting coroutine from the manual clock's timer.
class Sleep {
public:
    Sleep(test::ManualClock &clock, Clock::Duration delay, QObject *context)
        : m_clock(clock)
        , m_delay(delay)
        , m_context(context)
    { }
    bool await_ready() const { return false; }
    void await_suspend(std::coroutine_handle<> waiter)
    {
        m_clock.callAfter(m_delay, m_context, [waiter] { waiter.resume(); });
    }
    void await_resume() const { }

private:
    test::ManualClock &m_clock;
    Clock::Duration m_delay;
    QObject *m_context;
};

enum class Step { request, stop, failNextRound };

struct Event {
    int atMs;
    Step step;
};

constexpr auto roundTime = 100ms;

class Rig : public QObject {
public:
    test::ManualClock clock { Clock::TimePoint {} };
    SingleFlight flight;
    QList<int> roundsStartedAtMs;
    QList<bool> roundOutcomes;
    bool failNext = false;

    QCoro::Task<> request()
    {
        if (!flight.begin()) {
            co_return;
        }
        do {
            const bool ok = co_await round();
            roundOutcomes.append(ok);
        } while (flight.another());
    }

private:
    QCoro::Task<bool> round()
    {
        roundsStartedAtMs.append(static_cast<int>((clock.now() - Clock::TimePoint {}) / 1ms));
        const bool fails = std::exchange(failNext, false);
        Sleep sleep(clock, roundTime, this);
        co_await sleep;
        co_return !fails;
    }
};

} // namespace

class TestSingleFlight : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rounds_data()
    {
        QTest::addColumn<QList<Event>>("events");
        QTest::addColumn<QList<int>>("roundsAtMs");
        QTest::addColumn<QList<bool>>("outcomes");
        const Step request = Step::request;
        const Step stop = Step::stop;
        const Step fail = Step::failNextRound;
        using test::row;
        row("a request after the round ended runs anew", QList<Event> { { 0, request }, { 250, request } },
            QList<int> { 0, 250 }, QList<bool> { true, true });
        row("a request while running makes exactly one more round", QList<Event> { { 0, request }, { 50, request } },
            QList<int> { 0, 100 }, QList<bool> { true, true });
        row("many requests while running still make one more round",
            QList<Event> { { 0, request }, { 10, request }, { 20, request }, { 99, request } }, QList<int> { 0, 100 },
            QList<bool> { true, true });
        row("a request during the trailing round makes one after it",
            QList<Event> { { 0, request }, { 50, request }, { 150, request } }, QList<int> { 0, 100, 200 },
            QList<bool> { true, true, true });
        row("a request as a round ends still gets its own round", QList<Event> { { 0, request }, { 100, request } },
            QList<int> { 0, 100 }, QList<bool> { true, true });
        row("a failed round still runs the round asked for",
            QList<Event> { { 0, fail }, { 0, request }, { 50, request } }, QList<int> { 0, 100 },
            QList<bool> { false, true });
        row("a failed last round leaves the flight idle",
            QList<Event> { { 0, fail }, { 0, request }, { 300, request } }, QList<int> { 0, 300 },
            QList<bool> { false, true });
        row("a stop while running drops the round asked for",
            QList<Event> { { 0, request }, { 50, request }, { 60, stop }, { 300, request } }, QList<int> { 0, 300 },
            QList<bool> { true, true });
        row("a request after a stop is served", QList<Event> { { 0, request }, { 10, stop }, { 20, request } },
            QList<int> { 0, 100 }, QList<bool> { true, true });
        row("a stop while idle changes nothing", QList<Event> { { 0, stop }, { 10, request } }, QList<int> { 10 },
            QList<bool> { true });
    }
    void rounds()
    {
        QFETCH(QList<Event>, events);
        QFETCH(QList<int>, roundsAtMs);
        QFETCH(QList<bool>, outcomes);
        Rig rig;
        for (const Event &event : events) {
            rig.clock.advance(Clock::TimePoint {} + std::chrono::milliseconds(event.atMs) - rig.clock.now());
            switch (event.step) {
            case Step::request:
                rig.request();
                break;
            case Step::stop:
                rig.flight.stop();
                break;
            case Step::failNextRound:
                rig.failNext = true;
                break;
            }
        }
        rig.clock.advance(1s);
        QCOMPARE(rig.roundsStartedAtMs, roundsAtMs);
        QCOMPARE(rig.roundOutcomes, outcomes);
        QVERIFY(!rig.flight.running());
        QVERIFY(!rig.flight.roundAskedFor());
    }
};

QTEST_GUILESS_MAIN(TestSingleFlight)
#include "tst_singleflight.moc"
