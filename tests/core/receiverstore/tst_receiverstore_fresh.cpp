// Fresh reads: a status asked for again within a second comes from the store, callers asking at once share one
// request, and a command makes the next read ask the receiver again.

#include "StoreRig.h"

#include <QTest>

#include <algorithm>

using namespace amplora;
using namespace amplora::test;
using namespace std::chrono_literals;

namespace {

using Outcome = ReadOutcome;

const QString mainStatus = QStringLiteral("main/getStatus");

} // namespace

class TestReceiverStoreFresh : public QObject {
    Q_OBJECT

    // A connected store without its polling, whose earlier reads no longer count, with an empty log.
    static void settle(StoreRig &rig)
    {
        rig.startConnected();
        rig.store->stopTasks();
        rig.transport->clearLog();
    }

private Q_SLOTS:
    void secondReadAsksOnlyWhenStale_data()
    {
        QTest::addColumn<std::chrono::milliseconds>("pause");
        QTest::addColumn<std::optional<YXCCommand>>("between");
        QTest::addColumn<qsizetype>("requests");

        QTest::newRow("within the second") << 999ms << std::optional<YXCCommand>() << qsizetype(1);
        QTest::newRow("a second later") << 1000ms << std::optional<YXCCommand>() << qsizetype(2);
        QTest::newRow("after a command to the zone")
            << 0ms << std::optional(YXCCommand::setMute(Zone::main, true)) << qsizetype(2);
        QTest::newRow("after a command to the whole receiver")
            << 0ms << std::optional(YXCCommand::setPlayback(PlaybackAction::next)) << qsizetype(2);
        QTest::newRow("a command to another zone")
            << 0ms << std::optional(YXCCommand::setMute(Zone::zone2, true)) << qsizetype(1);
    }

    void secondReadAsksOnlyWhenStale()
    {
        QFETCH(std::chrono::milliseconds, pause);
        QFETCH(std::optional<YXCCommand>, between);
        QFETCH(qsizetype, requests);
        StoreRig rig;
        settle(rig);

        Outcome first;
        startRead(*rig.store, Zone::main, &first);
        QTRY_VERIFY(first && *first);
        rig.clock.advance(pause);
        if (between) {
            rig.store->perform(*between);
        }
        Outcome second;
        startRead(*rig.store, Zone::main, &second);
        QTRY_VERIFY(second && *second);
        QCOMPARE(rig.transport->count(mainStatus), requests);
    }

    void callersAtOnceShareOneRequest()
    {
        StoreRig rig;
        settle(rig);
        rig.transport->setHolding(mainStatus);

        std::array<Outcome, 3> outcomes;
        for (Outcome &outcome : outcomes) {
            startRead(*rig.store, Zone::main, &outcome);
        }
        QCOMPARE(rig.transport->count(mainStatus), 1);
        QVERIFY(!outcomes[0] && !outcomes[2]);
        QVERIFY(rig.transport->release(mainStatus));
        // The callers waiting on the shared read resume from the event loop.
        QTRY_VERIFY(std::ranges::all_of(outcomes, [](const Outcome &outcome) { return outcome && *outcome; }));
    }

    void sharedFailureReachesEveryCallerAndIsNotFresh()
    {
        StoreRig rig;
        settle(rig);
        rig.transport->failOnly(
            mainStatus, YXCError::transport(QStringLiteral("Connection refused")), ScriptedTransport::held);

        Outcome first, second;
        startRead(*rig.store, Zone::main, &first);
        startRead(*rig.store, Zone::main, &second);
        QVERIFY(rig.transport->release(mainStatus));
        QTRY_VERIFY(first && !*first && second && !*second);
        // Each caller has the whole text, not only the first to resume.
        QCOMPARE(first->error().description(), QStringLiteral("Connection refused"));
        QCOMPARE(second->error().description(), QStringLiteral("Connection refused"));

        rig.transport->answerOnly(mainStatus, sampleStatus());
        Outcome retry;
        startRead(*rig.store, Zone::main, &retry);
        QTRY_VERIFY(retry && *retry);
        QCOMPARE(rig.transport->count(mainStatus), 2);
    }

    // Read-your-writes: a read on its way when a command goes out may answer with the old state, so a caller
    // asking after the command does not join it, and its answer does not count as fresh.
    void readOnItsWayDuringACommandIsNotJoined()
    {
        StoreRig rig;
        settle(rig);
        rig.transport->setHolding(mainStatus);

        Outcome before;
        startRead(*rig.store, Zone::main, &before);
        rig.store->perform(YXCCommand::setMute(Zone::main, true));
        Outcome after;
        startRead(*rig.store, Zone::main, &after);
        QCOMPARE(rig.transport->count(mainStatus), 2);

        rig.transport->setHolding(mainStatus, false);
        rig.transport->releaseAll();
        QTRY_VERIFY(before && *before && after && *after);
        Outcome next;
        startRead(*rig.store, Zone::main, &next);
        QCOMPARE(rig.transport->count(mainStatus), 2); // the read sent after the command is fresh
    }

    void anotherReceiverForgetsWhatWasRead()
    {
        StoreRig rig;
        settle(rig);
        Outcome first;
        startRead(*rig.store, Zone::main, &first);
        rig.store->useAddress(QStringLiteral("192.168.1.30"));
        QVERIFY(!rig.madeTransports.isEmpty());
        rig.current().clearLog();

        Outcome second;
        startRead(*rig.store, Zone::main, &second);
        QTRY_VERIFY(second && *second);
        QCOMPARE(rig.current().count(mainStatus), 1);
    }
};

QTEST_GUILESS_MAIN(TestReceiverStoreFresh)
#include "tst_receiverstore_fresh.moc"
