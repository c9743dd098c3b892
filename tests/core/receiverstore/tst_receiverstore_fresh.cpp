// Fresh reads: a status asked for again within a second comes from the store, callers asking at once share one
// request, and a command makes the next read ask the receiver again. And the health of the event path: whether
// push events keep the store current, answers from the store while they do, and the self-test that makes the
// receiver send one.

#include "StoreRig.h"
#include "qml/DisplayText.h"

#include <QSignalSpy>
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

// One thing that happens to a connected store, in order.
struct Step {
    enum Kind {
        advance, // time passes (polls and renewals run)
        event, // a push event of the receiver arrives
        hangStatus, // the receiver stops answering status reads without failing
        failStatus, // status reads fail
        failRegistration, // registrations fail from now on
        reconnect, // the same address, a new connection
    };
    Kind kind;
    std::chrono::milliseconds time = 0ms;
};

const QString zone2Status = QStringLiteral("zone2/getStatus");
const QByteArray muteEvent = R"({"main":{"mute":true}})";

void run(StoreRig &rig, const QList<Step> &steps)
{
    for (const Step &step : steps) {
        switch (step.kind) {
        case Step::advance:
            rig.clock.advance(step.time);
            break;
        case Step::event:
            rig.store->handlePacket(muteEvent);
            break;
        case Step::hangStatus:
            rig.current().setHolding(mainStatus);
            break;
        case Step::failStatus:
            rig.current().failOnly(mainStatus, YXCError::http(500));
            break;
        case Step::failRegistration:
            rig.current().failOnly(QStringLiteral("registerForEvents"), YXCError::http(500));
            break;
        case Step::reconnect:
            rig.store->reconnect();
            break;
        }
    }
}

using Check = Result<std::chrono::milliseconds, PushEventCheckError>;

// Starts the self-test and leaves its outcome in `into` once it ends.
void startCheck(ReceiverStore &store, std::optional<Check> *into)
{
    const auto drive
        = [](QCoro::Task<Check> check, std::optional<Check> *out) -> QCoro::Task<> { out->emplace(co_await check); };
    drive(store.checkPushEvents(), into);
}

} // namespace

Q_DECLARE_METATYPE(amplora::ZoneStatus)
Q_DECLARE_METATYPE(Step)

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

    // Callers asking at once share one request, and each has its whole outcome: an answer, which is then fresh,
    // or a failure, which is not.
    void callersAtOnceShareOneRequest_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::addRow("answered") << false;
        QTest::addRow("failed") << true;
    }

    void callersAtOnceShareOneRequest()
    {
        QFETCH(bool, fails);
        StoreRig rig;
        settle(rig);
        rig.transport->setHolding(mainStatus);
        if (fails) {
            rig.transport->failOnly(mainStatus, YXCError::transport(QStringLiteral("Connection refused")));
        }

        std::array<Outcome, 3> outcomes;
        for (Outcome &outcome : outcomes) {
            startRead(*rig.store, Zone::main, &outcome);
        }
        QCOMPARE(rig.transport->count(mainStatus), 1);
        QVERIFY(!outcomes[0] && !outcomes[2]);
        QVERIFY(rig.transport->release(mainStatus));
        rig.transport->setHolding(mainStatus, false);
        // The callers waiting on the shared read resume from the event loop.
        QTRY_VERIFY(
            std::ranges::all_of(outcomes, [&](const Outcome &outcome) { return outcome && outcome->ok() != fails; }));
        for (const Outcome &outcome : outcomes) {
            QCOMPARE(*outcome ? QString() : outcome->error().description(),
                fails ? QStringLiteral("Connection refused") : QString());
        }

        rig.transport->answerOnly(mainStatus, sampleStatus());
        Outcome next;
        startRead(*rig.store, Zone::main, &next);
        QTRY_VERIFY(next && *next);
        QCOMPARE(rig.transport->count(mainStatus), fails ? 2 : 1);
    }

    // Read-your-writes: a read on its way when a command goes out may answer with the old state. A caller asking
    // after the command does not join it; the old answer neither shows over the accepted change nor counts as
    // fresh; the read sent after the command does, and the receiver's word wins.
    void readOnItsWayDuringACommandIsNotJoined()
    {
        StoreRig rig;
        settle(rig);
        rig.transport->setHolding(mainStatus);
        const auto muted = [&] { return rig.store->state().status().at(Zone::main).mute; };

        Outcome before;
        startRead(*rig.store, Zone::main, &before);
        rig.store->perform(YXCCommand::setMute(Zone::main, true));
        QCOMPARE(muted(), std::optional(true));
        Outcome after;
        startRead(*rig.store, Zone::main, &after);
        QCOMPARE(rig.transport->count(mainStatus), 2);

        QVERIFY(rig.transport->release(mainStatus)); // answers mute off, from before the change
        QTRY_VERIFY(before && *before);
        QCOMPARE(muted(), std::optional(true));
        Outcome again;
        startRead(*rig.store, Zone::main, &again);
        QVERIFY(!again); // joins the read sent after the command
        QCOMPARE(rig.transport->count(mainStatus), 2);

        rig.transport->setHolding(mainStatus, false);
        QVERIFY(rig.transport->release(mainStatus));
        QTRY_VERIFY(after && *after && again && *again);
        QCOMPARE(muted(), std::optional(false));
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

    void updatesFollowTheEventPath_data()
    {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<UpdatesState>("updates");
        QTest::addColumn<QString>("statusLine");

        const QString push = QStringLiteral("Live \u00B7 push events");
        const QString polling = QStringLiteral("Live \u00B7 polling");
        const QString stale = QStringLiteral("Stale");
        QTest::addRow("no event yet") << QList<Step> { { Step::advance, 30s } } << UpdatesState::polling << polling;
        QTest::addRow("an event arrived") << QList<Step> { { Step::event } } << UpdatesState::push << push;
        QTest::addRow("quiet for an hour with renewals")
            << QList<Step> { { Step::event }, { Step::advance, 3600s } } << UpdatesState::push << push;
        QTest::addRow("quiet within the expiry, renewals refused")
            << QList<Step> { { Step::failRegistration }, { Step::event }, { Step::advance, 599s } }
            << UpdatesState::push << push;
        QTest::addRow("quiet past the expiry, renewals refused")
            << QList<Step> { { Step::failRegistration }, { Step::event }, { Step::advance, 600s } }
            << UpdatesState::polling << polling;
        QTest::addRow("events again after the expiry")
            << QList<Step> { { Step::failRegistration }, { Step::event }, { Step::advance, 700s }, { Step::event } }
            << UpdatesState::push << push;
        QTest::addRow("a new connection proves the path again")
            << QList<Step> { { Step::event }, { Step::reconnect } } << UpdatesState::polling << polling;
        QTest::addRow("receiver silent just under the limit")
            << QList<Step> { { Step::event }, { Step::hangStatus }, { Step::advance, ReceiverStore::staleAfter - 1ms } }
            << UpdatesState::push << push;
        QTest::addRow("receiver silent for the limit")
            << QList<Step> { { Step::event }, { Step::hangStatus }, { Step::advance, ReceiverStore::staleAfter } }
            << UpdatesState::stale << stale;
        QTest::addRow("a failed poll") << QList<Step> { { Step::event }, { Step::failStatus }, { Step::advance, 4s } }
                                       << UpdatesState::stale
                                       << QStringLiteral("Offline: The receiver answered with HTTP 500.");
    }

    void updatesFollowTheEventPath()
    {
        QFETCH(QList<Step>, steps);
        QFETCH(UpdatesState, updates);
        QFETCH(QString, statusLine);
        StoreRig rig;
        rig.startConnected();
        QCOMPARE(rig.store->updates(), UpdatesState::polling);
        QSignalSpy changes(rig.store.get(), &ReceiverStore::updatesChanged);

        run(rig, steps);
        QCOMPARE(rig.store->updates(), updates);
        QCOMPARE(DisplayText::statusLine(*rig.store), statusLine);
        if (updates != UpdatesState::polling) {
            QVERIFY(!changes.isEmpty()); // also when only time passed
        }
    }

    // While push events keep the store current, a read is answered from it however old it is; a command, or a
    // refresh an event asked for, still sends the caller to the receiver. (While polling, a second makes a read
    // stale: secondReadAsksOnlyWhenStale.)
    void freshWhilePushLive_data()
    {
        QTest::addColumn<bool>("commandBetween");
        QTest::addColumn<qsizetype>("requests");

        QTest::addRow("a minute later") << false << qsizetype(1);
        QTest::addRow("after a command to the zone") << true << qsizetype(2);
    }

    void freshWhilePushLive()
    {
        QFETCH(bool, commandBetween);
        QFETCH(qsizetype, requests);
        StoreRig rig;
        rig.startConnected();
        rig.store->handlePacket(muteEvent);
        rig.transport->clearLog();
        // zone2 is read only by the callers here; the polls read main.
        Outcome first;
        startRead(*rig.store, Zone::zone2, &first);
        QTRY_VERIFY(first && *first);
        rig.clock.advance(60s);
        if (commandBetween) {
            rig.store->perform(YXCCommand::setMute(Zone::zone2, true));
        }
        Outcome second;
        startRead(*rig.store, Zone::zone2, &second);
        QTRY_VERIFY(second && *second);
        QCOMPARE(rig.transport->count(zone2Status), requests);
    }

    void readWaitsForTheRefreshAnEventAskedFor()
    {
        StoreRig rig;
        rig.startConnected();
        rig.store->handlePacket(muteEvent);
        Outcome first;
        startRead(*rig.store, Zone::zone2, &first);
        QTRY_VERIFY(first && *first);
        rig.transport->clearLog();

        ZoneStatus changed = sampleStatus(-20);
        rig.transport->answerOnly(zone2Status, changed, ScriptedTransport::held);
        rig.store->handlePacket(R"({"zone2":{"status_updated":true}})");
        QCOMPARE(rig.transport->count(zone2Status), 1);
        Outcome second;
        startRead(*rig.store, Zone::zone2, &second);
        QVERIFY(!second); // not answered from the state the event outdated
        QCOMPARE(rig.transport->count(zone2Status), 1); // joined, not asked again

        QVERIFY(rig.transport->release(zone2Status));
        QTRY_VERIFY(second && *second);
        QCOMPARE(rig.store->state().status().at(Zone::zone2), changed);
        QCOMPARE(rig.transport->count(zone2Status), 1);
    }

    void selfTest_data()
    {
        QTest::addColumn<QString>("power"); // of the selected zone
        QTest::addColumn<bool>("mute");
        QTest::addColumn<std::optional<std::chrono::milliseconds>>("eventAfter"); // none: no event comes
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("text");

        const QString timeout = QStringLiteral(
            "No push event arrived within 3 s. Allow UDP port %1 from 192.168.1.20 in the firewall; Amplora polls "
            "every 1.5 s meanwhile.");
        QTest::addRow("an event after 120 ms")
            << QStringLiteral("on") << false << std::optional(120ms) << QStringLiteral("main/setMute?enable=false")
            << QStringLiteral("Push events arrive (120 ms).");
        QTest::addRow("muted: mute re-sent")
            << QStringLiteral("on") << true << std::optional(2999ms) << QStringLiteral("main/setMute?enable=true")
            << QStringLiteral("Push events arrive (2999 ms).");
        QTest::addRow("standby: standby re-sent")
            << QStringLiteral("standby") << false << std::optional(5ms) << QStringLiteral("main/setPower?power=standby")
            << QStringLiteral("Push events arrive (5 ms).");
        QTest::addRow("no event within 3 s")
            << QStringLiteral("on") << false << std::optional<std::chrono::milliseconds>()
            << QStringLiteral("main/setMute?enable=false") << timeout;
        QTest::addRow("an event too late") << QStringLiteral("on") << false << std::optional(3000ms)
                                           << QStringLiteral("main/setMute?enable=false") << timeout;
    }

    void selfTest()
    {
        QFETCH(QString, power);
        QFETCH(bool, mute);
        QFETCH(std::optional<std::chrono::milliseconds>, eventAfter);
        QFETCH(QString, sent);
        QFETCH(QString, text);
        StoreRig rig;
        ZoneStatus status = sampleStatus();
        status.power = power;
        status.mute = mute;
        rig.transport->answerOnly(mainStatus, status);
        rig.startConnected();
        rig.transport->clearLog();

        std::optional<Check> check;
        startCheck(*rig.store, &check);
        QCOMPARE(rig.transport->log(), (QStringList { mainStatus, sent })); // read, then sent back as it was
        if (eventAfter) {
            rig.clock.advance(*eventAfter);
            rig.store->handlePacket(muteEvent);
        }
        rig.clock.advance(3s);
        QVERIFY(check);
        const QString shown = *check ? pushEventsArriveText(check->value()) : check->error().description();
        QCOMPARE(shown, text.contains(u'%') ? text.arg(*rig.store->boundEventPort()) : text);
    }

    // The self-test is refused before anything is sent, or ends with the connection it tested.
    void selfTestRefusals_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<PushEventCheckError::Kind>("kind");

        QTest::addRow("not connected") << QStringLiteral("idle") << PushEventCheckError::Kind::notConnected;
        QTest::addRow("read-only") << QStringLiteral("read-only") << PushEventCheckError::Kind::readOnly;
        QTest::addRow("a new connection") << QStringLiteral("reconnect") << PushEventCheckError::Kind::interrupted;
    }

    void selfTestRefusals()
    {
        QFETCH(QString, situation);
        QFETCH(PushEventCheckError::Kind, kind);
        const bool readOnly = situation == QStringLiteral("read-only");
        StoreRig rig(QStringLiteral("192.168.1.20"), LaunchOptions { .readOnly = readOnly });
        rig.transport->setReadOnly(readOnly);
        if (situation != QStringLiteral("idle")) {
            rig.startConnected();
        }
        rig.transport->clearLog();
        std::optional<Check> check;
        startCheck(*rig.store, &check);
        if (situation == QStringLiteral("reconnect")) {
            QVERIFY(!check);
            rig.store->reconnect();
        } else {
            QVERIFY(rig.transport->log().isEmpty());
        }
        QVERIFY(check && !*check);
        QCOMPARE(check->error().kind(), kind);
    }
};

QTEST_GUILESS_MAIN(TestReceiverStoreFresh)
#include "tst_receiverstore_fresh.moc"
