// Background work of the receiver store: polling pace, push events and their merging, refreshes, album art,
// the elapsed-time estimate, the signal fetch, and ending it all (stopTasks, destruction) with answers in flight,
// over the scripted transport and once over the real client.

#include "StoreRig.h"
#include "qml/DisplayText.h"

#include "core/protocol/YXCClient.h"
#include "core/store/DisplayTint.h"
#include "core/store/ReceiverAddress.h"
#include "support/CompletedTask.h"
#include "support/FakeReceiver.h"

#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

using namespace amplora;
using namespace amplora::test;
using namespace std::chrono_literals;

namespace {

// The times (ms after the start) at which the selected zone's status was read, advancing in 100 ms steps.
QList<int> pollTimes(StoreRig &rig, std::chrono::milliseconds span, const std::function<void(int)> &at = {})
{
    QList<int> times;
    qsizetype reads = rig.transport->count(QStringLiteral("main/getStatus"));
    for (int ms = 100; ms <= span.count(); ms += 100) {
        rig.clock.advance(100ms);
        if (at) {
            at(ms);
        }
        const qsizetype now = rig.transport->count(QStringLiteral("main/getStatus"));
        if (now != reads) {
            times.append(ms);
            reads = now;
        }
    }
    return times;
}

const QHostAddress loopback(QHostAddress::LocalHost);

// Datagrams to the store's event port over loopback, sent from `from` (any 127.x address is this machine).
void sendEvents(const ReceiverStore &store, const QList<QByteArray> &datagrams, const QHostAddress &from = loopback)
{
    QUdpSocket sender;
    QVERIFY(sender.bind(from, 0));
    for (const QByteArray &datagram : datagrams) {
        QCOMPARE(sender.writeDatagram(datagram, loopback, *store.eventPort()), qint64(datagram.size()));
    }
}

// A datagram that changes only the play position, which asks for nothing: once it shows, every datagram sent
// before it from the same socket has been handled.
QByteArray playTimeMarker(int seconds)
{
    return QStringLiteral(R"({"netusb":{"play_time":%1}})").arg(seconds).toUtf8();
}

QImage filled(QColor colour)
{
    QImage image(24, 24, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

} // namespace

class TestReceiverStoreBackground : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pollingPace()
    {
        StoreRig rig;
        rig.startConnected();
        QCOMPARE(pollTimes(rig, 4600ms), (QList<int> { 1500, 3000, 4500 }));

        // An event arrives: the pause after the running one is 4 s, for as long as events are under 600 s old.
        rig.store->handlePacket(R"({"main":{"mute":true}})");
        QCOMPARE(pollTimes(rig, 9000ms), (QList<int> { 1400, 5400 }));
        rig.clock.advance(600s - 9000ms); // 600 s after the event; polls went on at 4 s
        const QList<int> later = pollTimes(rig, 4000ms);
        QVERIFY2(later.size() >= 2, "back to 1.5 s once the last event is 600 s old");
        QCOMPARE(later[1] - later[0], 1500);
    }

    void anUnchangedPollAnnouncesNothing()
    {
        StoreRig rig;
        rig.startConnected();
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (auto signal : { &ReceiverStore::currentStatusChanged, &ReceiverStore::displayedVolumeDBChanged,
                 &ReceiverStore::connectionChanged, &ReceiverStore::updatesChanged,
                 &ReceiverStore::addressNoticeChanged, &ReceiverStore::lastErrorChanged }) {
            spies.push_back(std::make_unique<QSignalSpy>(rig.store.get(), signal));
        }
        for (auto signal : { &ReceiverState::zonesChanged, &ReceiverState::playbackChanged }) {
            spies.push_back(std::make_unique<QSignalSpy>(&rig.store->state(), signal));
        }
        rig.clock.advance(4500ms); // three polls with the same answers
        QCOMPARE(rig.transport->count(QStringLiteral("main/getStatus")), 4);
        for (const auto &spy : spies) {
            QCOMPARE(spy->count(), 0);
        }
    }

    void aFailedConnectionIsRetriedByThePoll()
    {
        StoreRig rig;
        rig.transport->failOnly(
            QStringLiteral("system/getDeviceInfo"), YXCError::transport(QStringLiteral("Connection refused")));
        rig.transport->answer(QStringLiteral("system/getDeviceInfo"), sampleDevice());
        rig.startConnected();
        QCOMPARE(DisplayText::statusLine(*rig.store), QStringLiteral("Offline: Connection refused"));
        rig.clock.advance(1500ms);
        QCOMPARE(DisplayText::statusLine(*rig.store), QStringLiteral("Live \u00B7 polling"));
        QCOMPARE(rig.transport->count(QStringLiteral("system/getDeviceInfo")), 2);
    }

    void eventMerging_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<int>("volume");
        QTest::addColumn<double>("actualDB");
        QTest::addColumn<bool>("mute");
        QTest::addColumn<bool>("accepted");

        QTest::addRow("raw volume becomes decibels")
            << QByteArray(R"({"main":{"volume":100}})") << 100 << -30.5 << false << true;
        QTest::addRow("absent fields keep their value")
            << QByteArray(R"({"main":{"mute":true}})") << 81 << -40.0 << true << true;
        QTest::addRow("another receiver is ignored")
            << QByteArray(R"({"device_id":"OTHER","main":{"volume":100}})") << 81 << -40.0 << false << false;
        QTest::addRow("the connected receiver by id")
            << QByteArray(R"({"device_id":"AC44F2000001","main":{"volume":100}})") << 100 << -30.5 << false << true;
        QTest::addRow("not an event") << QByteArray("\x01garbage") << 81 << -40.0 << false << false;
    }

    void eventMerging()
    {
        QFETCH(QByteArray, packet);
        QFETCH(int, volume);
        QFETCH(double, actualDB);
        QFETCH(bool, mute);
        QFETCH(bool, accepted);
        StoreRig rig;
        rig.startConnected();
        // A volume change also asks for the status again; that answer waits, so the merged value shows.
        rig.transport->answerOnly(QStringLiteral("main/getStatus"), sampleStatus(), ScriptedTransport::held);
        rig.store->handlePacket(packet);
        const ZoneStatus status = *rig.store->currentStatus();
        QCOMPARE(status.volume, std::optional(volume));
        QCOMPARE(status.actualVolume, (ActualVolume { QStringLiteral("db"), actualDB, QStringLiteral("dB") }));
        QCOMPARE(status.mute, std::optional(mute));
        QCOMPARE(rig.store->lastEventAt().has_value(), accepted);
    }

    void eventForAZoneWithoutStatusChangesNothing()
    {
        StoreRig rig;
        rig.transport->failOnly(QStringLiteral("zone2/getStatus"), YXCError::http(404));
        rig.startConnected();
        rig.store->handlePacket(R"({"zone2":{"power":"on","volume":10}})");
        QCOMPARE(rig.store->availableZones(), QList<Zone> { Zone::main });
    }

    // The listener owns the sender filter (tst_yxceventlistener onlyTheReceiverIsHeard); here, that the store
    // hands it the receiver's address from the host as the user typed it.
    void onlyTheReceiverIsHeard_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addRow("address with a port") << QStringLiteral(" 127.0.0.1:8080 ");
        QTest::addRow("name, resolved in the background") << QStringLiteral("localhost");
    }

    void onlyTheReceiverIsHeard()
    {
        QFETCH(QString, host);
        const QHostAddress receiver = loopback;
        const QHostAddress stranger(QStringLiteral("127.0.0.2"));
        StoreRig rig(host);
        rig.startConnected();
        QTRY_VERIFY(rig.store->eventSenders().contains(receiver));
        rig.transport->clearLog();

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Dropped 1 push-event datagram")));
        sendEvents(*rig.store,
            { R"({"main":{"mute":true,"volume":120,"status_updated":true},)"
              R"("system":{"name_text_updated":true}})" },
            stranger);
        sendEvents(*rig.store, { R"({"main":{"sound_program":"sci-fi"}})" }, receiver);
        QTRY_COMPARE(rig.store->currentStatus()->soundProgram, QStringLiteral("sci-fi"));
        QCOMPARE(rig.store->currentStatus()->mute, false);
        QCOMPARE(rig.store->currentStatus()->volume, sampleStatus().volume);
        QCOMPARE(rig.store->droppedEventDatagrams(), quint64(1));
        QCOMPARE(rig.transport->log(), QStringList {}); // the stranger's flags asked the receiver for nothing
    }

    void receiverAddressesOfLiteralHosts_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QList<QHostAddress>>("addresses");
        const auto one = [](const char *address) { return QList { QHostAddress(QString::fromLatin1(address)) }; };
        QTest::addRow("IPv4") << QStringLiteral("192.168.1.20") << one("192.168.1.20");
        QTest::addRow("IPv4 and port, blanks around") << QStringLiteral(" 192.168.1.20:80 ") << one("192.168.1.20");
        QTest::addRow("IPv6 in brackets with a port") << QStringLiteral("[fe80::1]:80") << one("fe80::1");
        QTest::addRow("bare IPv6") << QStringLiteral("fe80::1") << one("fe80::1");
        QTest::addRow("no address") << QStringLiteral("  ") << QList<QHostAddress> {};
        QTest::addRow("not an address") << QStringLiteral("a b:c") << QList<QHostAddress> {};
    }

    void receiverAddressesOfLiteralHosts()
    {
        QFETCH(QString, host);
        // Literal addresses are answered at once, without a lookup.
        QTEST(completedResult(receiverAddresses(host)).value(), "addresses");
    }

    void mockModeHearsNoDatagrams()
    {
        StoreRig rig(QStringLiteral("127.0.0.1"), LaunchOptions { .mock = true });
        rig.startConnected();
        QCOMPARE(rig.transport->registeredPorts().size(), 1);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Dropped 1 push-event datagram")));
        sendEvents(*rig.store, { R"({"main":{"mute":true}})" });
        QTRY_COMPARE(rig.store->droppedEventDatagrams(), quint64(1));
        QCOMPARE(rig.store->eventSenders(), QList<QHostAddress> {});
        QCOMPARE(rig.store->currentStatus()->mute, false);
        // Its own model still takes events.
        rig.store->handlePacket(R"({"main":{"mute":true}})");
        QCOMPARE(rig.store->currentStatus()->mute, true);
    }

    void eventSendersFollowTheReceiverToItsNewAddress()
    {
        StoreRig rig(QStringLiteral("10.0.0.5"));
        rig.settings->setDeviceID(QStringLiteral("AC44F2000001"));
        rig.discovered = QList { DiscoveredReceiver { QStringLiteral("Den"), QStringLiteral("RX-V481"),
            QStringLiteral("10.0.0.9"), QStringLiteral("AC44F2000001") } };
        rig.startConnected();
        QCOMPARE(rig.store->eventSenders(), QList { QHostAddress(QStringLiteral("10.0.0.5")) });
        for (const QString &path : { QStringLiteral("main/getStatus"), QStringLiteral("system/getDeviceInfo") }) {
            rig.transport->failOnly(path, YXCError::transport(QStringLiteral("No route")));
        }
        rig.clock.advance(1500ms); // the poll fails; recovery finds the receiver at its new address
        QCOMPARE(rig.settings->host(), QStringLiteral("10.0.0.9"));
        QCOMPARE(rig.store->eventSenders(), QList { QHostAddress(QStringLiteral("10.0.0.9")) });
    }

    void floodOfFlagsCostsAHandfulOfRequests_data()
    {
        QTest::addColumn<QByteArray>("flag");
        QTest::addColumn<QString>("path");
        QTest::addRow("status updated") << QByteArray(R"({"main":{"status_updated":true}})")
                                        << QStringLiteral("main/getStatus");
        QTest::addRow("play info updated")
            << QByteArray(R"({"netusb":{"play_info_updated":true}})") << QStringLiteral("netusb/getPlayInfo");
        QTest::addRow("names updated") << QByteArray(R"({"system":{"name_text_updated":true}})")
                                       << QStringLiteral("system/getNameText");
    }

    void floodOfFlagsCostsAHandfulOfRequests()
    {
        QFETCH(QByteArray, flag);
        QFETCH(QString, path);
        StoreRig rig(QStringLiteral("127.0.0.1"));
        rig.startConnected();
        rig.transport->clearLog();
        rig.transport->setHolding(path);

        // 1,000 flags, in bursts the socket buffer takes whole.
        for (int burst = 1; burst <= 10; ++burst) {
            sendEvents(*rig.store, QList<QByteArray>(100, flag) << playTimeMarker(burst));
            QTRY_COMPARE(rig.store->state().playInfo()->playTime, burst);
        }
        QCOMPARE(rig.store->droppedEventDatagrams(), quint64(0));
        QCOMPARE(rig.transport->log(), QStringList { path }); // one request in flight
        // Its answer is older than the flags that came meanwhile: exactly one more round, and then no more.
        QVERIFY(rig.transport->release(path));
        QCOMPARE(rig.transport->log(), QStringList(2, path));
        QVERIFY(rig.transport->release(path));
        QCOMPARE(rig.transport->log(), QStringList(2, path));
        QCOMPARE(rig.transport->heldCount(), 0);

        // Nothing is left waiting: the next flag asks at once.
        sendEvents(*rig.store, { flag, playTimeMarker(99) });
        QTRY_COMPARE(rig.store->state().playInfo()->playTime, 99);
        QCOMPARE(rig.transport->log(), QStringList(3, path));
        rig.transport->setHolding(path, false);
    }

    void signalAfterEventsIsCoalescedToo()
    {
        StoreRig rig;
        rig.transport->answer(QStringLiteral("main/getSignalInfo"), SignalInfo {});
        rig.transport->setHolding(QStringLiteral("main/getSignalInfo"));
        rig.startConnected();
        rig.store->setSignalStripVisible(true);
        rig.store->signalVisibilityChanged();
        for (int i = 0; i < 50; ++i) {
            rig.store->handlePacket(R"({"main":{"status_updated":true}})");
        }
        QCOMPARE(rig.transport->count(QStringLiteral("main/getSignalInfo")), 1);
        QVERIFY(rig.transport->release(QStringLiteral("main/getSignalInfo")));
        QCOMPARE(rig.transport->count(QStringLiteral("main/getSignalInfo")), 2);
        QVERIFY(rig.transport->release(QStringLiteral("main/getSignalInfo")));
        QCOMPARE(rig.transport->count(QStringLiteral("main/getSignalInfo")), 2);
        rig.transport->setHolding(QStringLiteral("main/getSignalInfo"), false);
    }

    // The elapsed-time estimate counts from the last play position the receiver gave: a play-time event moves it,
    // a refresh with the same play info does not.
    void playInfoTimeMovesOnlyWithANewPosition()
    {
        StoreRig rig;
        rig.startConnected();
        const Clock::TimePoint first = rig.store->state().playInfoReceivedAt();
        rig.clock.advance(5s);
        QSignalSpy changed(&rig.store->state(), &ReceiverState::playbackChanged);
        QVERIFY(completedResult(rig.store->refresh(YXCEvent::Refresh::playInfo())).value().ok());
        QCOMPARE(rig.store->state().playInfoReceivedAt(), first);
        QCOMPARE(changed.count(), 0);

        rig.store->handlePacket(R"({"netusb":{"play_time":95}})");
        QCOMPARE(rig.store->state().playInfo()->playTime, 95);
        QCOMPARE(rig.store->state().playInfoReceivedAt(), first + 5s);
    }

    void elapsedPlayTime_data()
    {
        QTest::addColumn<QString>("playback");
        QTest::addColumn<int>("playTime");
        QTest::addColumn<int>("totalTime");
        QTest::addColumn<int>("afterMs");
        QTest::addColumn<std::optional<int>>("expected");

        QTest::addRow("paused") << QStringLiteral("pause") << 30 << 200 << 12900 << std::optional(30);
        QTest::addRow("playing, whole seconds") << QStringLiteral("play") << 30 << 200 << 12900 << std::optional(42);
        QTest::addRow("capped at the total") << QStringLiteral("play") << 190 << 200 << 60000 << std::optional(200);
        QTest::addRow("total below one is no cap") << QStringLiteral("play") << 190 << 0 << 60000 << std::optional(250);
        QTest::addRow("negative play time") << QStringLiteral("play") << -1 << 200 << 0 << std::optional<int>();
    }

    void elapsedPlayTime()
    {
        QFETCH(QString, playback);
        QFETCH(int, playTime);
        QFETCH(int, totalTime);
        QFETCH(int, afterMs);
        QFETCH(std::optional<int>, expected);
        StoreRig rig;
        PlayInfo info = samplePlayInfo();
        info.playback = playback;
        info.playTime = playTime;
        info.totalTime = totalTime;
        rig.transport->answerOnly(QStringLiteral("netusb/getPlayInfo"), info);
        rig.startConnected();
        const Clock::TimePoint at = rig.store->state().playInfoReceivedAt() + std::chrono::milliseconds(afterMs);
        QCOMPARE(rig.store->elapsedPlayTime(at), expected);
    }

    void albumArtDropsAStaleCover()
    {
        StoreRig rig;
        rig.transport->cover(samplePlayInfo().albumartUrl.value(), filled(Qt::red), ScriptedTransport::held);
        rig.startConnected();
        QCOMPARE(rig.store->state().albumArt(), std::nullopt);
        // A cover on its way holds up nothing else.
        QCOMPARE(rig.store->connection(), ConnectionState::connected());

        // Another track with another cover arrives while the first cover is still loading.
        PlayInfo next = samplePlayInfo();
        next.albumartUrl = QStringLiteral("/art2.jpg");
        rig.transport->answerOnly(QStringLiteral("netusb/getPlayInfo"), next);
        rig.transport->cover(QStringLiteral("/art2.jpg"), filled(Qt::blue));
        QVERIFY(completedResult(rig.store->refresh(YXCEvent::Refresh::playInfo())).value().ok());
        QCOMPARE(rig.store->state().albumArt()->pixelColor(0, 0), QColor(Qt::blue));
        const QColor blueTint = rig.store->state().displayTint();
        QCOMPARE(blueTint, DisplayTint::blend(DisplayTint::defaultTint(), QColor(Qt::blue), 0.45));

        rig.transport->releaseAll();
        QCOMPARE(rig.store->state().albumArt()->pixelColor(0, 0), QColor(Qt::blue));
        QCOMPARE(rig.store->state().displayTint(), blueTint);

        // No cover path: no image, the default tint, and a cover still on its way is no longer wanted.
        next.albumartUrl.reset();
        rig.transport->answerOnly(QStringLiteral("netusb/getPlayInfo"), next);
        QCOMPARE(rig.transport->coverCancels(), 0);
        QVERIFY(completedResult(rig.store->refresh(YXCEvent::Refresh::playInfo())).value().ok());
        QCOMPARE(rig.transport->coverCancels(), 1);
        QCOMPARE(rig.store->state().albumArt(), std::nullopt);
        QCOMPARE(rig.store->state().displayTint(), DisplayTint::defaultTint());
    }

    void signalFetch_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<bool>("stored");
        QTest::addRow("answer kept") << QString() << true;
        QTest::addRow("zone switched") << QStringLiteral("zone") << false;
        QTest::addRow("zone switched and back") << QStringLiteral("zone and back") << false;
        QTest::addRow("strip hidden") << QStringLiteral("hidden") << false;
        QTest::addRow("tasks stopped") << QStringLiteral("stopped") << false;
    }

    void signalFetch()
    {
        QFETCH(QString, meanwhile);
        QFETCH(bool, stored);
        StoreRig rig;
        SignalInfo info;
        info.audio = SignalInfo::Audio { 0, QStringLiteral("Dolby Atmos"), QStringLiteral("48 kHz"), {}, {} };
        rig.transport->answer(QStringLiteral("main/getSignalInfo"), info, ScriptedTransport::held);
        rig.startConnected();
        rig.store->setSignalStripVisible(true);
        rig.store->signalVisibilityChanged();
        QVERIFY(rig.store->canFetchSignal());
        QCOMPARE(DisplayText::signalKey(*rig.store), QStringLiteral("main-true"));

        rig.store->refreshSignal();
        rig.store->refreshSignal(); // one request at a time
        QCOMPARE(rig.transport->heldCount(QStringLiteral("main/getSignalInfo")), 1);
        if (meanwhile.startsWith(QStringLiteral("zone"))) {
            rig.store->setSelectedZone(Zone::zone2);
            if (meanwhile.endsWith(QStringLiteral("back"))) {
                rig.store->setSelectedZone(Zone::main);
            }
        } else if (meanwhile == QStringLiteral("hidden")) {
            rig.store->setSignalStripVisible(false);
            rig.store->signalVisibilityChanged();
        } else if (meanwhile == QStringLiteral("stopped")) {
            rig.store->stopTasks();
        }
        rig.transport->releaseAll();
        QCOMPARE(rig.store->state().signalInfo().has_value(), stored);
        QCOMPARE(rig.store->currentSignalInfo().has_value(), stored);
    }

    void featuresAndNamesReloadAtMostEveryThirtySeconds_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<YXCError>("error");
        QTest::addColumn<QString>("failure");
        QTest::addRow("features") << QStringLiteral("system/getFeatures") << YXCError::http(500)
                                  << QStringLiteral("system/getFeatures: The receiver answered with HTTP 500.");
        // Older firmware has no names to give; they are decoration, and nothing waits on them.
        QTest::addRow("names refused by older firmware")
            << QStringLiteral("system/getNameText") << YXCError::responseCode(3, QStringLiteral("system/getNameText"))
            << QStringLiteral("system/getNameText: system/getNameText failed (response code 3).");
    }

    void featuresAndNamesReloadAtMostEveryThirtySeconds()
    {
        QFETCH(QString, path);
        QFETCH(YXCError, error);
        QFETCH(QString, failure);
        StoreRig rig;
        rig.transport->failOnly(path, error);
        rig.startConnected();
        QCOMPARE(rig.store->connection(), ConnectionState::connected());
        QCOMPARE(rig.store->lastError(), failure);

        rig.clock.advance(29s);
        QCOMPARE(rig.transport->count(path), 1);
        rig.clock.advance(1500ms);
        QCOMPARE(rig.transport->count(path), 2);
        QCOMPARE(rig.store->lastError(), failure); // listed once
        QCOMPARE(rig.store->connection(), ConnectionState::connected());

        rig.transport->clear(path);
        StoreRig::scriptHealthy(*rig.transport);
        rig.clock.advance(30s);
        QVERIFY(rig.store->state().features().has_value());
        QVERIFY(rig.store->state().names().has_value());
        const qsizetype reads = rig.transport->count(path);
        rig.clock.advance(60s);
        QCOMPARE(rig.transport->count(path), reads);
    }

    void registrationRenewsAndReportsFailures()
    {
        StoreRig rig;
        rig.transport->fail(QStringLiteral("registerForEvents"), YXCError::http(403));
        rig.transport->accept(QStringLiteral("registerForEvents"));
        rig.startConnected();
        QCOMPARE(
            rig.store->lastError(), QStringLiteral("Event registration failed: The receiver answered with HTTP 403."));
        rig.clock.advance(239s);
        QCOMPARE(rig.transport->registeredPorts().size(), 1);
        rig.clock.advance(1s);
        QCOMPARE(rig.transport->registeredPorts().size(), 2);
        QCOMPARE(rig.transport->registeredPorts()[1], rig.transport->registeredPorts()[0]);
    }

    void listenerThatCannotBindIsReported()
    {
        StoreRig rig;
        ReceiverStore::Parts parts;
        parts.transport = rig.transport;
        parts.clock = &rig.clock;
        parts.discovery = std::make_unique<MockDiscovery>(QList<DiscoveredReceiver> {});
        parts.eventBindAddress = QHostAddress(QStringLiteral("192.0.2.1")); // no interface has it
        ReceiverStore store(*rig.settings, {}, std::move(parts));
        store.start();
        QVERIFY(store.lastError().value_or(QString()).startsWith(QStringLiteral("Event listener unavailable: ")));
        QCOMPARE(store.eventPort(), std::nullopt);
        QCOMPARE(store.runningTasks(), 1); // polling goes on
    }

    // stopTasks ends both loops, at once when they wait for their next round, and what was on its way then, a
    // connection or a poll, changes nothing when it lands.
    void stopTasksEndsEverything_data()
    {
        QTest::addColumn<QString>("onItsWay");
        QTest::addRow("nothing") << QString();
        QTest::addRow("a poll") << QStringLiteral("poll");
        QTest::addRow("a connection") << QStringLiteral("connection");
    }

    void stopTasksEndsEverything()
    {
        QFETCH(QString, onItsWay);
        StoreRig rig;
        ZoneStatus off = sampleStatus();
        off.power = QStringLiteral("standby");
        if (onItsWay == QStringLiteral("connection")) {
            rig.transport->answerOnly(QStringLiteral("main/getStatus"), off, ScriptedTransport::held);
            rig.store->start();
        } else {
            rig.startConnected();
            QCOMPARE(rig.store->runningTasks(), 2);
            if (!onItsWay.isEmpty()) {
                rig.transport->answerOnly(QStringLiteral("main/getStatus"), off, ScriptedTransport::held);
                rig.clock.advance(1500ms);
            }
        }
        QCOMPARE(rig.transport->heldCount(QStringLiteral("main/getStatus")), onItsWay.isEmpty() ? 0 : 1);
        rig.store->stopTasks();
        rig.transport->releaseAll();
        QCOMPARE(rig.store->runningTasks(), 0);
        if (onItsWay == QStringLiteral("connection")) {
            QCOMPARE(rig.store->state().deviceInfo(), std::nullopt);
            QVERIFY(rig.store->state().status().empty());
        } else {
            QCOMPARE(rig.store->currentStatus()->power, QStringLiteral("on"));
            QCOMPARE(rig.store->connection(), ConnectionState::connected());
        }
        const QStringList before = rig.transport->log();
        rig.clock.advance(600s);
        QCOMPARE(rig.transport->log(), before);
    }

    void destroyingTheStoreWithRequestsInFlight()
    {
        StoreRig rig;
        rig.transport->answerOnly(QStringLiteral("main/getStatus"), sampleStatus());
        rig.transport->answer(QStringLiteral("main/getStatus"), sampleStatus(), ScriptedTransport::held);
        rig.transport->fail(QStringLiteral("registerForEvents"), YXCError::http(500), ScriptedTransport::held);
        rig.transport->fail(QStringLiteral("main/setMute"), YXCError::http(500), ScriptedTransport::held);
        rig.transport->answer(QStringLiteral("main/getSignalInfo"), SignalInfo {}, ScriptedTransport::held);
        rig.startConnected();
        rig.store->toggleMute();
        rig.store->setSignalStripVisible(true);
        rig.store->refreshSignal();
        rig.clock.advance(1500ms);
        QVERIFY(rig.transport->heldCount() >= 4);

        rig.store.reset(); // under ASan, any coroutine touching the store after this fails the test
        rig.transport->releaseAll();
        rig.clock.advance(600s);
        QCOMPARE(rig.transport->heldCount(), 0);
    }

    // Over the real client: the waiting connection holds the transport until its request times out; then it ends
    // without touching the store (ASan would report it) and lets the transport go.
    void destroyedWhileARealRequestHangs()
    {
        StoreRig rig;
        FakeReceiver receiver;
        receiver.answer(QStringLiteral("system/getDeviceInfo"), R"({"response_code":0,"device_id":"AC44F2000001"})");
        receiver.neverAnswer(QStringLiteral("system/getFeatures"));
        rig.settings->setHost(receiver.host());
        YXCClient::Options quick;
        quick.requestTimeout = 200ms;
        auto client = std::make_shared<YXCClient>(receiver.host(), false, quick);
        ReceiverStore::Parts parts;
        parts.transport = client;
        parts.eventBindAddress = loopback;
        auto store = std::make_unique<ReceiverStore>(*rig.settings, LaunchOptions {}, std::move(parts));
        store->start();
        QVERIFY(receiver.waitForRequests(2));
        store.reset();
        QTRY_COMPARE(client.use_count(), 1L);
    }

    // A host name typed as the address reaches the receiver through the system resolver ("localhost" is in the
    // hosts file: nothing leaves the machine), and the connection learns the receiver's id as with an address.
    void aTypedHostNameReachesTheReceiver()
    {
        StoreRig rig;
        FakeReceiver receiver;
        receiver.answer(QStringLiteral("system/getDeviceInfo"),
            R"({"response_code":0,"model_name":"RX-A2A","device_id":"AC44F2000001"})");
        receiver.answer(QStringLiteral("main/getStatus"), R"({"response_code":0,"power":"on","volume":40})");
        const QString typed = QStringLiteral("localhost:%1").arg(receiver.port());
        rig.settings->setHost(typed);
        auto client = std::make_shared<YXCClient>(typed);
        ReceiverStore::Parts parts;
        parts.transport = client;
        parts.eventBindAddress = loopback;
        auto store = std::make_unique<ReceiverStore>(*rig.settings, LaunchOptions {}, std::move(parts));
        store->start();
        QTRY_COMPARE(store->connection(), ConnectionState::connected());
        QCOMPARE(rig.settings->deviceID(), QStringLiteral("AC44F2000001"));
        // The push events are taken from what the name resolves to.
        QTRY_COMPARE(store->eventSenders(), QList<QHostAddress> { loopback });
        store.reset();
        QTRY_COMPARE(client.use_count(), 1L);
    }
};

QTEST_GUILESS_MAIN(TestReceiverStoreBackground)
#include "tst_receiverstore_background.moc"
