#include "api/matching/VolumeRateLimiter.h"

#include "support/ManualClock.h"

#include <QTest>

using namespace amplora::api;
using namespace std::chrono_literals;

namespace {

// One call to the limiter at a moment given in milliseconds since the test's start.
struct Call {
    int atMs;
    Zone zone;
    bool allowed;
    double retryAfter; // expected when refused
    bool givesBack = false; // instead of asking, returns one change allowed earlier
};

} // namespace

Q_DECLARE_METATYPE(QList<Call>)

class TestVolumeRateLimiter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void allow_data()
    {
        QTest::addColumn<QList<Call>>("calls");
        const Zone m = Zone::main;
        const Zone z = Zone::zone2;
        QTest::addRow("five at once pass, sixth waits for the oldest") << QList<Call> { { 0, m, true, 0 },
            { 0, m, true, 0 }, { 0, m, true, 0 }, { 0, m, true, 0 }, { 0, m, true, 0 }, { 200, m, false, 0.8 } };
        QTest::addRow("entries exactly one window old no longer count")
            << QList<Call> { { 0, m, true, 0 }, { 0, m, true, 0 }, { 0, m, true, 0 }, { 0, m, true, 0 },
                   { 0, m, true, 0 }, { 999, m, false, 0.001 }, { 1000, m, true, 0 }, { 1000, m, true, 0 } };
        QTest::addRow("zones are counted separately")
            << QList<Call> { { 0, m, true, 0 }, { 0, m, true, 0 }, { 0, m, true, 0 }, { 0, m, true, 0 },
                   { 0, m, true, 0 }, { 100, m, false, 0.9 }, { 100, z, true, 0 }, { 100, z, true, 0 },
                   { 100, z, true, 0 }, { 100, z, true, 0 }, { 100, z, true, 0 }, { 150, z, false, 0.95 } };
        QTest::addRow("sliding window frees one slot at a time") << QList<Call> { { 0, m, true, 0 },
            { 100, m, true, 0 }, { 200, m, true, 0 }, { 300, m, true, 0 }, { 400, m, true, 0 }, { 500, m, false, 0.5 },
            { 1000, m, true, 0 }, { 1050, m, false, 0.05 }, { 1100, m, true, 0 } };
        QTest::addRow("a refusal records nothing") << QList<Call> { { 0, m, true, 0 }, { 0, m, true, 0 },
            { 0, m, true, 0 }, { 0, m, true, 0 }, { 0, m, true, 0 }, { 500, m, false, 0.5 }, { 700, m, false, 0.3 },
            { 900, m, false, 0.1 }, { 1000, m, true, 0 } };
        QTest::addRow("a change given back frees exactly one slot") << QList<Call> { { 0, m, true, 0 },
            { 0, m, true, 0 }, { 0, m, true, 0 }, { 0, m, true, 0 }, { 100, m, true, 0 }, { 100, m, true, 0, true },
            { 100, z, true, 0, true }, { 200, m, true, 0 }, { 200, m, false, 0.8 } };
    }
    void allow()
    {
        QFETCH(QList<Call>, calls);
        const auto epoch = amplora::Clock::TimePoint {};
        amplora::test::ManualClock clock(epoch);
        VolumeRateLimiter limiter(5, 1.0, clock);
        for (qsizetype i = 0; i < calls.size(); ++i) {
            const Call &call = calls.at(i);
            clock.advance(epoch + std::chrono::milliseconds(call.atMs) - clock.now());
            if (call.givesBack) {
                limiter.giveBack(call.zone);
                continue;
            }
            const VolumeRateLimiter::Decision decision = limiter.allow(call.zone);
            QVERIFY2(decision.allowed == call.allowed, qPrintable(QStringLiteral("call %1").arg(i)));
            if (!call.allowed)
                QVERIFY2(qAbs(decision.retryAfterSeconds - call.retryAfter) < 1e-9,
                    qPrintable(QStringLiteral("call %1 waits %2").arg(i).arg(decision.retryAfterSeconds)));
        }
    }

    // A wait is never reported as zero, even when the window has no history to measure against.
    void refusalWithoutHistoryStillWaits()
    {
        amplora::test::ManualClock clock;
        VolumeRateLimiter limiter(0, 1.0, clock);
        const auto decision = limiter.allow(Zone::main);
        QVERIFY(!decision.allowed);
        QCOMPARE(decision.retryAfterSeconds, 1.0);

        VolumeRateLimiter tiny(1, 0.0001, clock);
        QVERIFY(!tiny.allow(Zone::main, 2).allowed);
        QCOMPARE(tiny.allow(Zone::main, 2).retryAfterSeconds, 0.001);
    }
};

QTEST_GUILESS_MAIN(TestVolumeRateLimiter)
#include "tst_volumeratelimiter.moc"
