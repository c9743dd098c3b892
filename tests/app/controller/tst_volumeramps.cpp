// A volume fade through the control adapter on a real store, against the fake receiver over loopback, on a clock
// the test moves: the steps reach the receiver as planned and when planned, and stop when they should. What stops
// one at every door is in tst_doors.

#include "../ControlOutcome.h"
#include "../contract/DoorsRig.h"

using namespace amplora;
using namespace Qt::StringLiterals;
using amplora::test::Doors;
using amplora::test::followRamp;
using amplora::test::mainVolumesSent;
using amplora::test::outcome;
using std::chrono::seconds;

namespace {

// Main as the receiver reports it at `db` (on its half-decibel scale from -80.5 dB).
QByteArray mainStatusAt(double db)
{
    return QByteArray(test::doorsMainStatus)
        .replace("\"volume\":121", "\"volume\":" + QByteArray::number(int((db + 80.5) * 2)))
        .replace("-20.0", QByteArray::number(db, 'f', 1));
}

QList<double> volumesOf(const std::vector<Volume::RampStep> &steps, std::size_t first = 0)
{
    QList<double> volumes;
    for (std::size_t i = first; i < steps.size(); ++i)
        volumes.append(steps[i].db);
    return volumes;
}

// Main at -50 dB, the receiver's answers and the store's knowledge alike.
std::unique_ptr<Doors> atMinus50()
{
    auto d = std::make_unique<Doors>("play");
    d->receiver.answer(u"main/getStatus"_s, mainStatusAt(-50));
    // The store's read of -20 dB is no longer fresh: the fade reads the volume afresh.
    d->clock.advance(seconds(2));
    return d;
}

std::vector<Volume::RampStep> plan(const Doors &d, double from, double to, seconds duration)
{
    return Volume::ramp(from, to, d.store->volumeScale(Zone::main), duration, d.settings.maxVolumeDB());
}

} // namespace

class TestVolumeRamps : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // From -50 to -30 dB over 8 s: between 15 and 33 increasing commands, each at its time, the last about 8 s
    // after the first; nothing after it.
    void fadeReachesTheReceiverAsPlanned()
    {
        auto d = atMinus50();
        const auto steps = plan(*d, -50, -30, seconds(8));
        QVERIFY2(steps.size() >= 15 && steps.size() <= 33, qPrintable(QString::number(steps.size())));
        const Clock::TimePoint start = d->clock.now();
        QCOMPARE(outcome(d->adapter->rampVolume(api::Zone::main, -30, seconds(8), Cancellation())), u"done"_s);
        QCOMPARE(mainVolumesSent(d->receiver), volumesOf(steps).mid(0, 1));
        QVERIFY(followRamp(*d, start, steps, 1));
        const QList<double> sent = mainVolumesSent(d->receiver);
        QCOMPARE(sent, volumesOf(steps));
        QVERIFY(std::ranges::is_sorted(sent) && std::ranges::adjacent_find(sent) == sent.end());
        QVERIFY(d->clock.now() - start >= seconds(7) && d->clock.now() - start <= seconds(9));
        d->clock.advance(seconds(10));
        QTest::qWait(20);
        QCOMPARE(mainVolumesSent(d->receiver).size(), sent.size());
    }

    // The store hears the fade's own volumes back (an event, a read of the start) without taking them for
    // someone else's change.
    void itsOwnVolumesDoNotStopIt()
    {
        auto d = atMinus50();
        const auto steps = plan(*d, -50, -30, seconds(8));
        const Clock::TimePoint start = d->clock.now();
        QCOMPARE(outcome(d->adapter->rampVolume(api::Zone::main, -30, seconds(8), Cancellation())), u"done"_s);
        QVERIFY(followRamp(*d, start, steps, 1, 3));
        d->store->handlePacket("{\"main\":{\"volume\":" + QByteArray::number(int((steps[1].db + 80.5) * 2)) + "}}");
        // The read the event asks for brings the volume the fade started from.
        QVERIFY(test::waitFor(d->store->freshRead(YXCEvent::Refresh::status(Zone::main))));
        QCOMPARE(test::shownMainVolume(*d), -50.0);
        QVERIFY(followRamp(*d, start, steps, 3));
        QCOMPARE(mainVolumesSent(d->receiver), volumesOf(steps));
    }

    // A second fade of the zone starts from the volume read afresh, and the first sends nothing more.
    void aSecondRampReplacesTheFirst()
    {
        auto d = atMinus50();
        const auto first = plan(*d, -50, -30, seconds(8));
        const Clock::TimePoint start = d->clock.now();
        QCOMPARE(outcome(d->adapter->rampVolume(api::Zone::main, -30, seconds(8), Cancellation())), u"done"_s);
        QVERIFY(followRamp(*d, start, first, 1, 2));

        const auto second = plan(*d, -50, -45, seconds(1)); // the receiver still reports -50 dB
        const Clock::TimePoint again = d->clock.now();
        QCOMPARE(outcome(d->adapter->rampVolume(api::Zone::main, -45, seconds(1), Cancellation())), u"done"_s);
        QVERIFY(followRamp(*d, again, second, 1));
        d->clock.advance(seconds(10));
        QTest::qWait(20);
        QCOMPARE(mainVolumesSent(d->receiver), volumesOf(first).mid(0, 2) + volumesOf(second));
    }

    // A cap lowered while a fade runs holds every step after it, as it holds any other volume change.
    void aCapLoweredMidwayHoldsTheRest()
    {
        auto d = atMinus50();
        const auto steps = plan(*d, -50, -30, seconds(8));
        const Clock::TimePoint start = d->clock.now();
        QCOMPARE(outcome(d->adapter->rampVolume(api::Zone::main, -30, seconds(8), Cancellation())), u"done"_s);
        QVERIFY(followRamp(*d, start, steps, 1, 3));
        d->settings.setMaxVolumeDB(-45);
        for (std::size_t i = 3; i < steps.size(); ++i) {
            d->clock.advance(start + steps[i].at - d->clock.now());
            // The receiver may have the step before the fade has its answer and sets the next one's timer, which
            // then falls due at once: the clock is nudged until it is out.
            QVERIFY(QTest::qWaitFor([&] {
                d->clock.advance({});
                return mainVolumesSent(d->receiver).size() == qsizetype(i + 1);
            }));
        }
        const QList<double> sent = mainVolumesSent(d->receiver);
        QVERIFY2(std::ranges::all_of(sent.mid(3), [](double db) { return db <= -45; }),
            qPrintable(QString::number(sent.last())));
    }

    // A step the receiver refuses ends the fade with one log line; nothing is sent after it.
    void aRefusedStepEndsIt()
    {
        auto d = atMinus50();
        const auto steps = plan(*d, -50, -30, seconds(8));
        const Clock::TimePoint start = d->clock.now();
        QCOMPARE(outcome(d->adapter->rampVolume(api::Zone::main, -30, seconds(8), Cancellation())), u"done"_s);
        QVERIFY(followRamp(*d, start, steps, 1, 2));
        d->receiver.answer(u"main/setActualVolume"_s, R"({"response_code":3})");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^Volume fade in main stopped at -48 dB: .+"_s));
        d->clock.advance(start + steps[2].at - d->clock.now());
        QTRY_COMPARE(mainVolumesSent(d->receiver).size(), 3);
        d->clock.advance(seconds(10));
        QTest::qWait(20);
        QCOMPARE(mainVolumesSent(d->receiver).size(), 3);
    }
};

QTEST_MAIN(TestVolumeRamps)
#include "tst_volumeramps.moc"
