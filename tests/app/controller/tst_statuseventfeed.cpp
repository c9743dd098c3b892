// The event feed on a real store and control adapter over a scripted receiver: what the store learns reaches
// the subscribers, read under the fresh-read rule, and nothing is read for nobody.

#include "app/controller/StatusEventFeed.h"

#include "api/server/StatusEvents.h"
#include "app/controller/ReceiverControlAdapter.h"
#include "core/receiverstore/StoreRig.h"
#include "support/WaitFor.h"

#include <QTest>

using namespace amplora;
using namespace Qt::StringLiterals;

namespace {

struct FeedRig {
    test::StoreRig store;
    std::shared_ptr<app::ReceiverControlAdapter> control;
    api::StatusEvents events { store.clock };
    std::unique_ptr<app::StatusEventFeed> feed;

    FeedRig()
    {
        store.startConnected();
        control = std::make_shared<app::ReceiverControlAdapter>(*store.store);
        feed = std::make_unique<app::StatusEventFeed>(*store.store, events);
    }

    // A subscriber that has had its first events (of some other status, so that any status is news to it).
    std::shared_ptr<api::ResponseStream> subscribe()
    {
        auto stream = events.subscribe();
        for (const api::Zone zone : { api::Zone::main, api::Zone::zone2 })
            events.sendFirst(stream, zone, "{}");
        stream->consumed(stream->unsent().size());
        return stream;
    }
    qsizetype statusReads() const { return store.transport->count(u"main/getStatus"_s); }
    // What a status read may ask the receiver for.
    qsizetype readsForStatus() const
    {
        return statusReads() + store.transport->count(u"zone2/getStatus"_s)
            + store.transport->count(u"netusb/getPlayInfo"_s);
    }
};

} // namespace

class TestStatusEventFeed : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each row changes what the store knows of the main zone (the scripted receiver answers the same from
    // then on) and says how many status reads the receiver sees for it, the store's own included.
    void storeChangesReachSubscribers_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<bool>("freshBefore"); // a status read just before, as a client's GET would make
        QTest::addColumn<qsizetype>("reads");
        QTest::addRow("push event, read fresh") << QByteArray(R"({"main":{"mute":true}})") << true << qsizetype(0);
        QTest::addRow("push event, nothing fresh") << QByteArray(R"({"main":{"mute":true}})") << false << qsizetype(1);
        QTest::addRow("status refresh") << QByteArray(R"({"main":{"status_updated":true}})") << false << qsizetype(1);
    }
    void storeChangesReachSubscribers()
    {
        QFETCH(QByteArray, packet);
        QFETCH(bool, freshBefore);
        QFETCH(qsizetype, reads);
        FeedRig rig;
        const auto stream = rig.subscribe();
        if (freshBefore)
            QVERIFY(test::waitFor(rig.control->status(api::Zone::main, Cancellation())));
        const qsizetype before = rig.statusReads();
        ZoneStatus muted = test::sampleStatus();
        muted.mute = true;
        rig.store.transport->answerOnly(u"main/getStatus"_s, muted);

        rig.store.store->handlePacket(packet);
        QTRY_VERIFY(stream->unsent().contains("\"mute\":true"));
        QCOMPARE(rig.statusReads() - before, reads);
        QCOMPARE(stream->unsent().count("event: status"), 1);
        QVERIFY(stream->unsent().contains("\"zone\":\"main\""));
    }

    // A change the receiver accepted goes out within the stream's interval, while the read after it (held here)
    // has not come back; that read then corrects what the receiver did otherwise.
    void acceptedChangeIsPublishedBeforeTheReadAfterIt()
    {
        FeedRig rig;
        const auto stream = rig.subscribe();
        // The receiver will say it holds the volume a step lower.
        rig.store.transport->answerOnly(u"main/getStatus"_s, test::sampleStatus(-30.5));
        rig.store.transport->setHolding(u"main/getStatus"_s);

        QCOMPARE(test::waitFor(rig.control->setVolume(api::Zone::main, -30, Cancellation())), Done {});
        rig.store.clock.advance(std::chrono::milliseconds(100));
        QVERIFY(stream->unsent().contains("\"volumeDb\":-30"));
        QCOMPARE(rig.store.transport->heldCount(u"main/getStatus"_s), 1);
        stream->consumed(stream->unsent().size());

        rig.store.transport->setHolding(u"main/getStatus"_s, false);
        QVERIFY(rig.store.transport->release(u"main/getStatus"_s));
        QTRY_VERIFY(rig.store.store->state().status().at(Zone::main).actualVolume->value == -30.5);
        rig.store.clock.advance(std::chrono::milliseconds(100));
        QTRY_VERIFY(stream->unsent().contains("\"volumeDb\":-30.5"));
    }

    void nothingIsReadForNobody()
    {
        FeedRig rig;
        const qsizetype before = rig.readsForStatus();
        rig.store.store->handlePacket(R"({"main":{"mute":true}})");
        QTest::qWait(50);
        QCOMPARE(rig.readsForStatus(), before);
    }

    // A fade's steps are changes the receiver accepted: subscribers see the volume move step by step.
    void aFadeIsPublishedAsItMoves()
    {
        FeedRig rig;
        const auto stream = rig.subscribe();
        const auto started
            = test::waitFor(rig.control->rampVolume(api::Zone::main, -36, std::chrono::seconds(1), Cancellation()));
        QVERIFY(started);
        for (const char *volume : { "-39", "-38", "-37", "-36" }) {
            const QByteArray shown = QByteArray("\"volumeDb\":") + volume + ',';
            QTRY_VERIFY2(stream->unsent().contains(shown), volume);
            rig.store.clock.advance(std::chrono::milliseconds(500));
        }
    }

    // The play time moves every second while something plays; no status shows it.
    void playTimeAloneReadsNothing()
    {
        FeedRig rig;
        const auto stream = rig.subscribe();
        const qsizetype before = rig.readsForStatus();
        rig.store.store->handlePacket(R"({"netusb":{"play_time":31}})");
        QTest::qWait(50);
        QCOMPARE(rig.readsForStatus(), before);
        QVERIFY(stream->unsent().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStatusEventFeed)
#include "tst_statuseventfeed.moc"
