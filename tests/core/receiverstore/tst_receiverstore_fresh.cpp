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
const QString presetInfo = QStringLiteral("netusb/getPresetInfo");

// The rig's receiver with four favourite slots, two of them filled.
void scriptFavourites(ScriptedTransport &transport)
{
    Features features = sampleFeatures();
    features.netusb = NetUSBFeatures { PresetFeature { 4 } };
    transport.answerOnly(QStringLiteral("system/getFeatures"), features);
    PresetInfo presets;
    presets.presets = { { QStringLiteral("net_radio"), QStringLiteral("Harbour FM") }, { QString(), QString() },
        { QStringLiteral("spotify"), QStringLiteral("Morning Jazz") }, { QString(), QString() } };
    transport.answerOnly(presetInfo, presets);
}

bool abandoned(const ReadOutcome &outcome)
{
    return outcome && !*outcome && outcome->error().kind() == StoreError::Kind::abandoned;
}

} // namespace

Q_DECLARE_METATYPE(amplora::ZoneStatus)

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
    // A read within the second after another comes from the store. A command to the zone or to the whole
    // receiver makes the next caller ask again; for the favourites a command of any kind does (so a recall checks
    // its slot against a list read after it).
    void secondReadAsksOnlyWhenStale_data()
    {
        QTest::addColumn<bool>("favourites"); // else the main zone's status
        QTest::addColumn<std::chrono::milliseconds>("pause");
        QTest::addColumn<std::optional<YXCCommand>>("between");
        QTest::addColumn<qsizetype>("requests");

        const std::optional<YXCCommand> none;
        QTest::newRow("within the second") << false << 999ms << none << qsizetype(1);
        QTest::newRow("a second later") << false << 1000ms << none << qsizetype(2);
        QTest::newRow("after a command to the zone")
            << false << 0ms << std::optional(YXCCommand::setMute(Zone::main, true)) << qsizetype(2);
        QTest::newRow("after a command to the whole receiver")
            << false << 0ms << std::optional(YXCCommand::setPlayback(PlaybackAction::next)) << qsizetype(2);
        QTest::newRow("a command to another zone")
            << false << 0ms << std::optional(YXCCommand::setMute(Zone::zone2, true)) << qsizetype(1);
        QTest::newRow("favourites within the second") << true << 999ms << none << qsizetype(1);
        QTest::newRow("favourites after a command to a zone")
            << true << 0ms << std::optional(YXCCommand::setMute(Zone::zone2, true)) << qsizetype(2);
        QTest::newRow("favourites after a recall")
            << true << 0ms << std::optional(YXCCommand::recallPreset(Zone::main, 1)) << qsizetype(2);
    }

    void secondReadAsksOnlyWhenStale()
    {
        QFETCH(bool, favourites);
        QFETCH(std::chrono::milliseconds, pause);
        QFETCH(std::optional<YXCCommand>, between);
        QFETCH(qsizetype, requests);
        StoreRig rig;
        scriptFavourites(*rig.transport);
        settle(rig);
        rig.clock.advance(1s); // the list read while connecting is no longer fresh
        const YXCEvent::Refresh what
            = favourites ? YXCEvent::Refresh::presets() : YXCEvent::Refresh::status(Zone::main);

        Outcome first;
        startRead(*rig.store, what, &first);
        QTRY_VERIFY(first && *first);
        rig.clock.advance(pause);
        if (between) {
            rig.store->perform(*between);
        }
        Outcome second;
        startRead(*rig.store, what, &second);
        QTRY_VERIFY(second && *second);
        QCOMPARE(rig.transport->count(favourites ? presetInfo : mainStatus), requests);
        if (favourites) {
            QCOMPARE(rig.store->state().favourites().size(), 2);
        }
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

    // A caller that goes away stops waiting at once; the read goes on only while someone else still waits for
    // it. Each row starts `callers` status reads on one held request, cancels those marked, and releases it.
    void aCallerThatLeavesAbandonsOnlyAReadNobodyElseWants_data()
    {
        QTest::addColumn<QList<bool>>("leaving"); // per caller
        QTest::addColumn<bool>("eventRead"); // a push event asked for the read first
        QTest::addColumn<qsizetype>("abandonedReads");

        QTest::addRow("its sole caller leaves") << QList<bool> { true } << false << qsizetype(1);
        QTest::addRow("one of two callers leaves") << QList<bool> { true, false } << false << qsizetype(0);
        QTest::addRow("every caller leaves") << QList<bool> { true, true, true } << false << qsizetype(1);
        QTest::addRow("the store itself waits for it") << QList<bool> { true } << true << qsizetype(0);
    }

    void aCallerThatLeavesAbandonsOnlyAReadNobodyElseWants()
    {
        QFETCH(QList<bool>, leaving);
        QFETCH(bool, eventRead);
        QFETCH(qsizetype, abandonedReads);
        StoreRig rig;
        settle(rig);
        rig.clock.advance(1s);
        rig.transport->setHolding(mainStatus);
        if (eventRead) {
            rig.store->handlePacket(R"({"main":{"status_updated":true}})");
            QCOMPARE(rig.transport->heldCount(mainStatus), 1);
        }

        std::vector<CancelSource> clients(static_cast<std::size_t>(leaving.size()));
        std::vector<Outcome> outcomes(clients.size());
        for (std::size_t i = 0; i < clients.size(); ++i) {
            startRead(*rig.store, Zone::main, &outcomes[i], clients[i].token());
        }
        QCOMPARE(rig.transport->count(mainStatus), 1);
        for (std::size_t i = 0; i < clients.size(); ++i) {
            if (leaving[qsizetype(i)]) {
                clients[i].cancel();
            }
        }
        for (std::size_t i = 0; i < clients.size(); ++i) {
            if (leaving[qsizetype(i)]) {
                QTRY_VERIFY(abandoned(outcomes[i]));
            }
        }
        QCOMPARE(rig.transport->abandonedCount(mainStatus), abandonedReads);
        QCOMPARE(rig.transport->heldCount(mainStatus), abandonedReads ? 0 : 1);
        rig.transport->setHolding(mainStatus, false);
        rig.transport->releaseAll();
        for (std::size_t i = 0; i < clients.size(); ++i) {
            if (!leaving[qsizetype(i)]) {
                QTRY_VERIFY(outcomes[i] && *outcomes[i]);
            }
        }
        // An abandoned read recorded nothing and counts for nothing: the next caller asks again.
        QVERIFY(!rig.store->lastError());
        Outcome next;
        startRead(*rig.store, Zone::main, &next);
        QTRY_VERIFY(next && *next);
        QCOMPARE(rig.transport->count(mainStatus), abandonedReads ? 2 : 1);
    }

    void aCallerGoneBeforeItAsksStartsNothing()
    {
        StoreRig rig;
        settle(rig);
        rig.clock.advance(1s);
        CancelSource client;
        client.cancel();
        Outcome outcome;
        startRead(*rig.store, Zone::main, &outcome, client.token());
        QVERIFY(abandoned(outcome));
        QCOMPARE(rig.transport->count(mainStatus), 0);
    }

    // What a command the receiver accepted set shows in the stored status at once, before any read.
    void acceptedCommandIsShownAtOnce_data()
    {
        QTest::addColumn<YXCCommand>("command");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<ZoneStatus>("shown");

        const ZoneStatus before = sampleStatus();
        ZoneStatus volume = sampleStatus(-30.5);
        QTest::addRow("decibel volume, raw steps too")
            << YXCCommand::setActualVolume(Zone::main, -30.5) << false << volume;
        QTest::addRow("raw volume, decibels too") << YXCCommand::setVolume(Zone::main, 100) << false << volume;
        ZoneStatus muted = before;
        muted.mute = true;
        QTest::addRow("mute") << YXCCommand::setMute(Zone::main, true) << false << muted;
        ZoneStatus bass = before;
        bass.toneControl->bass = -3;
        QTest::addRow("bass keeps the treble")
            << YXCCommand::setToneControl(Zone::main, QStringLiteral("manual"), -3, std::nullopt) << false << bass;
        ZoneStatus input = before;
        input.input = QStringLiteral("spotify");
        QTest::addRow("input") << YXCCommand::setInput(Zone::main, QStringLiteral("spotify")) << false << input;
        QTest::addRow("refused by the receiver") << YXCCommand::setMute(Zone::main, true) << true << before;
        QTest::addRow("another zone") << YXCCommand::setMute(Zone::zone2, true) << false << before;
        QTest::addRow("a scene button tells nothing") << YXCCommand::recallScene(Zone::main, 1) << false << before;
    }

    void acceptedCommandIsShownAtOnce()
    {
        QFETCH(YXCCommand, command);
        QFETCH(bool, refused);
        QFETCH(ZoneStatus, shown);
        StoreRig rig;
        settle(rig);
        if (refused) {
            rig.transport->fail(command.path(), YXCError::responseCode(4, command.path()));
        }
        rig.store->perform(command);
        QCOMPARE(rig.store->state().status().at(Zone::main), shown);
        QCOMPARE(rig.transport->count(mainStatus), 0);
    }

    // A status answer that left before an accepted change would show the old state for a moment: it is dropped,
    // and the read after the change tells.
    void statusAnswerOlderThanAnAcceptedChangeIsDropped()
    {
        StoreRig rig;
        settle(rig);
        rig.clock.advance(1s);
        rig.transport->setHolding(mainStatus);
        Outcome before;
        startRead(*rig.store, Zone::main, &before);
        rig.store->perform(YXCCommand::setMute(Zone::main, true));
        QCOMPARE(rig.store->state().status().at(Zone::main).mute, std::optional(true));

        QVERIFY(rig.transport->release(mainStatus)); // answers mute off, from before the change
        QTRY_VERIFY(before && *before);
        QCOMPARE(rig.store->state().status().at(Zone::main).mute, std::optional(true));

        rig.transport->setHolding(mainStatus, false);
        Outcome after;
        startRead(*rig.store, Zone::main, &after);
        QTRY_VERIFY(after && *after);
        QCOMPARE(rig.transport->count(mainStatus), 2);
        QCOMPARE(rig.store->state().status().at(Zone::main).mute, std::optional(false)); // the receiver's word wins
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
