// Throttle timing on a fake clock: the first value at once, the latest at the end of the window, never a stale one.

#include "core/protocol/Throttler.h"

#include <QSignalSpy>
#include <QTest>

#include <vector>

using namespace amplora;
using namespace std::chrono_literals;

namespace {

// A clock and a scheduler the test moves by hand: scheduled flushes run when the clock passes their time.
struct FakeTime {
    struct Scheduled {
        double at;
        std::function<void()> flush;
    };

    double now = 1000.0;
    std::vector<Scheduled> scheduled;
    std::vector<double> delays;

    Throttler<double>::Clock clock()
    {
        return [this] { return now; };
    }

    Throttler<double>::Scheduler scheduler()
    {
        return [this](std::chrono::nanoseconds delay, std::function<void()> flush) {
            const double seconds = std::chrono::duration<double>(delay).count();
            delays.push_back(seconds);
            scheduled.push_back({ now + seconds, std::move(flush) });
        };
    }

    void advanceTo(double time)
    {
        now = time;
        // Flushes may schedule more; run whatever is due, oldest first.
        for (bool ran = true; ran;) {
            ran = false;
            for (auto it = scheduled.begin(); it != scheduled.end(); ++it) {
                if (it->at <= now + 1e-9) {
                    auto flush = std::move(it->flush);
                    scheduled.erase(it);
                    flush();
                    ran = true;
                    break;
                }
            }
        }
    }
};

struct Sent {
    double at;
    double value;
    friend bool operator==(const Sent &, const Sent &) = default;
};

} // namespace

class TestThrottler : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void offerDecisions()
    {
        ThrottleState<int> state;
        state.interval = 0.15;
        using S = ThrottleState<int>;
        QCOMPARE(state.offer(1, 10.0), S::Decision(S::SendNow { 1 }));
        const auto second = state.offer(2, 10.01);
        QVERIFY(std::holds_alternative<S::FlushAfter>(second));
        QVERIFY(qFuzzyCompare(std::get<S::FlushAfter>(second).seconds, 0.14));
        QCOMPARE(state.offer(3, 10.02), S::Decision(S::Coalesced {}));
        QCOMPARE(state.pending, std::optional(3));
        // Exactly at the window's end the window has passed.
        QCOMPARE(state.offer(4, 10.15), S::Decision(S::SendNow { 4 }));
        QCOMPARE(state.pending, std::nullopt);
    }

    // Changes at 0, 0.05, 0.10 and 0.12 s send the first at once and the 0.12 s value at 0.15 s; a change at 0.40 s
    // goes out at once.
    void burstTiming()
    {
        FakeTime time;
        QList<Sent> sent;
        Throttler<double> throttler(
            0.15,
            [&](const double &v) {
                sent.append({ time.now, v });
            },
            time.clock(), time.scheduler());

        const double start = time.now;
        time.advanceTo(start);
        throttler.submit(1);
        time.advanceTo(start + 0.05);
        throttler.submit(2);
        time.advanceTo(start + 0.10);
        throttler.submit(3);
        time.advanceTo(start + 0.12);
        throttler.submit(4);
        QCOMPARE(sent, (QList<Sent> { { start, 1 } }));
        QCOMPARE(time.delays.size(), size_t(1)); // one flush for the whole burst

        time.advanceTo(start + 0.15);
        QCOMPARE(sent, (QList<Sent> { { start, 1 }, { start + 0.15, 4 } }));

        time.advanceTo(start + 0.40);
        throttler.submit(5);
        QCOMPARE(sent.size(), 3);
        QCOMPARE(sent.last(), (Sent { start + 0.40, 5 }));
    }

    // A value submitted while a flush is scheduled is carried by that flush; the flush opens a new window.
    void flushOpensNewWindow()
    {
        FakeTime time;
        QList<double> sent;
        Throttler<double> throttler(
            0.15, [&](const double &v) { sent.append(v); }, time.clock(), time.scheduler());
        const double start = time.now;
        throttler.submit(1);
        time.advanceTo(start + 0.01);
        throttler.submit(2);
        QVERIFY(qFuzzyCompare(time.delays.back(), 0.14));
        time.advanceTo(start + 0.15);
        QCOMPARE(sent, (QList<double> { 1, 2 }));
        QCOMPARE(throttler.state().lastSentAt, std::optional(start + 0.15));

        time.advanceTo(start + 0.20);
        throttler.submit(3); // inside the window the flush opened
        QCOMPARE(sent.size(), 2);
        time.advanceTo(start + 0.30);
        QCOMPARE(sent, (QList<double> { 1, 2, 3 }));
    }

    void flushAfterDestructionDoesNothing()
    {
        FakeTime time;
        int sends = 0;
        {
            Throttler<double> throttler(
                0.15, [&](const double &) { ++sends; }, time.clock(), time.scheduler());
            throttler.submit(1);
            time.advanceTo(time.now + 0.01);
            throttler.submit(2);
        }
        time.advanceTo(time.now + 1.0);
        QCOMPARE(sends, 1);
    }

    // The default scheduler: the trailing send really comes from the event loop.
    void trailingSendFromEventLoop()
    {
        double now = 50.0;
        QList<double> sent;
        Throttler<double> throttler(
            0.02, [&](const double &v) { sent.append(v); }, [&] { return now; });
        throttler.submit(1);
        throttler.submit(2);
        throttler.submit(3);
        QCOMPARE(sent, (QList<double> { 1 }));
        now = 50.02;
        QTRY_COMPARE_WITH_TIMEOUT(sent, (QList<double> { 1, 3 }), 2000);
    }

    void timerCancelledWithThrottler()
    {
        double now = 50.0;
        int sends = 0;
        {
            Throttler<double> throttler(
                0.01, [&](const double &) { ++sends; }, [&] { return now; });
            throttler.submit(1);
            throttler.submit(2);
        }
        QTest::qWait(50);
        QCOMPARE(sends, 1);
    }
};

QTEST_GUILESS_MAIN(TestThrottler)
#include "tst_throttler.moc"
