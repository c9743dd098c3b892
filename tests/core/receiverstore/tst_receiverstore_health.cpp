// Health of the event path: whether push events keep the store current, answers from the store while they do,
// and the self-test that makes the receiver send one.

#include "StoreRig.h"
#include "qml/DisplayText.h"

#include <QSignalSpy>
#include <QTest>

using namespace amplora;
using namespace amplora::test;
using namespace std::chrono_literals;

namespace {

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

const QString mainStatus = QStringLiteral("main/getStatus");
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

using Outcome = ReadOutcome;

} // namespace

Q_DECLARE_METATYPE(Step)

class TestReceiverStoreHealth : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
    // refresh an event asked for, still sends the caller to the receiver.
    void freshWhilePushLive_data()
    {
        QTest::addColumn<bool>("pushLive");
        QTest::addColumn<bool>("commandBetween");
        QTest::addColumn<qsizetype>("requests");

        QTest::addRow("polling, a minute later") << false << false << qsizetype(2);
        QTest::addRow("push, a minute later") << true << false << qsizetype(1);
        QTest::addRow("push, after a command to the zone") << true << true << qsizetype(2);
    }

    void freshWhilePushLive()
    {
        QFETCH(bool, pushLive);
        QFETCH(bool, commandBetween);
        QFETCH(qsizetype, requests);
        StoreRig rig;
        rig.startConnected();
        if (pushLive) {
            rig.store->handlePacket(muteEvent);
        }
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

    void selfTestRefusals_data()
    {
        QTest::addColumn<bool>("start");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<PushEventCheckError::Kind>("kind");

        QTest::addRow("not connected") << false << false << PushEventCheckError::Kind::notConnected;
        QTest::addRow("read-only") << true << true << PushEventCheckError::Kind::readOnly;
    }

    void selfTestRefusals()
    {
        QFETCH(bool, start);
        QFETCH(bool, readOnly);
        QFETCH(PushEventCheckError::Kind, kind);
        StoreRig rig(QStringLiteral("192.168.1.20"), LaunchOptions { .readOnly = readOnly });
        rig.transport->setReadOnly(readOnly);
        if (start) {
            rig.startConnected();
        }
        rig.transport->clearLog();
        std::optional<Check> check;
        startCheck(*rig.store, &check);
        QVERIFY(check && !*check);
        QCOMPARE(check->error().kind(), kind);
        QVERIFY(rig.transport->log().isEmpty());
    }

    void selfTestEndsWithTheConnection()
    {
        StoreRig rig;
        rig.startConnected();
        std::optional<Check> check;
        startCheck(*rig.store, &check);
        QVERIFY(!check);
        rig.store->reconnect();
        QVERIFY(check && !*check);
        QCOMPARE(check->error().kind(), PushEventCheckError::Kind::interrupted);
    }
};

QTEST_GUILESS_MAIN(TestReceiverStoreHealth)
#include "tst_receiverstore_health.moc"
