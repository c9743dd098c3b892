// Throttle timing on a manual clock: the first value at once, the latest at the end of the window, never a stale
// one, and nothing once the throttler is gone.

#include "base/Throttler.h"
#include "support/ManualClock.h"

#include <QTest>

using namespace amplora;
using namespace std::chrono_literals;

namespace {

using Step = std::pair<Clock::Duration, double>; // submit `value` at `offset` from the start
using Sent = std::pair<Clock::Duration, double>; // `value` went out at `offset`

} // namespace

class TestThrottler : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void offerDecisions()
    {
        const Clock::TimePoint start(10s);
        ThrottleState<int> state;
        using S = ThrottleState<int>;
        QCOMPARE(state.offer(1, start), S::Decision(S::SendNow { 1 }));
        QCOMPARE(state.offer(2, start + 10ms), S::Decision(S::FlushAfter { 140ms }));
        QCOMPARE(state.offer(3, start + 20ms), S::Decision(S::Coalesced {}));
        QCOMPARE(state.pending, std::optional(3));
        // Exactly at the window's end the window has passed.
        QCOMPARE(state.offer(4, start + 150ms), S::Decision(S::SendNow { 4 }));
        QCOMPARE(state.pending, std::nullopt);
    }

    void timing_data()
    {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<Clock::Duration>("until");
        QTest::addColumn<QList<Sent>>("expected");
        // A burst sends the first at once and only its latest value at the window's end; a later change goes out
        // at once.
        QTest::newRow("burst then quiet change") << QList<Step> { { 0ms, 1 }, { 50ms, 2 }, { 100ms, 3 }, { 120ms, 4 },
            { 400ms, 5 } } << Clock::Duration(1s) << QList<Sent> { { 0ms, 1 }, { 150ms, 4 }, { 400ms, 5 } };
        // The trailing send opens a new window: a change inside it waits for that window's end.
        QTest::newRow("flush opens new window")
            << QList<Step> { { 0ms, 1 }, { 10ms, 2 }, { 200ms, 3 } } << Clock::Duration(1s)
            << QList<Sent> { { 0ms, 1 }, { 150ms, 2 }, { 300ms, 3 } };
        QTest::newRow("single change") << QList<Step> { { 0ms, 7 } } << Clock::Duration(1s)
                                       << QList<Sent> { { 0ms, 7 } };
        QTest::newRow("spaced changes") << QList<Step> { { 0ms, 1 }, { 150ms, 2 }, { 300ms, 3 } } << Clock::Duration(1s)
                                        << QList<Sent> { { 0ms, 1 }, { 150ms, 2 }, { 300ms, 3 } };
    }

    void timing()
    {
        QFETCH(QList<Step>, steps);
        QFETCH(Clock::Duration, until);
        QFETCH(QList<Sent>, expected);
        test::ManualClock clock;
        const Clock::TimePoint start = clock.now();
        QList<Sent> sent;
        Throttler<double> throttler(clock, 150ms, [&](const double &value) {
            sent.append({ clock.now() - start, value });
        });
        for (const auto &[offset, value] : steps) {
            clock.advance(start + offset - clock.now());
            throttler.submit(value);
        }
        clock.advance(start + until - clock.now());
        QCOMPARE(sent, expected);
    }

    void flushAfterDestructionDoesNothing()
    {
        test::ManualClock clock;
        int sends = 0;
        {
            Throttler<double> throttler(clock, 150ms, [&](const double &) { ++sends; });
            throttler.submit(1);
            clock.advance(10ms);
            throttler.submit(2);
        }
        clock.advance(1s);
        QCOMPARE(sends, 1);
    }
};

QTEST_GUILESS_MAIN(TestThrottler)
#include "tst_throttler.moc"
