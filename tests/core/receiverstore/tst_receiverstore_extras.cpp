// The receiver's extras in the store: sleep timer, direct, enhancer, dialogue level, repeat, shuffle, favourites
// and the zone's scene buttons. Each is sent only where the zone (or what is playing) announces it, shows at once,
// and follows the receiver's push events.

#include "StoreRig.h"

#include <QSignalSpy>
#include <QTest>

using namespace amplora;
using namespace amplora::test;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

const QString presetFunction = QStringLiteral("netusb:preset");

// The rig's receiver with the main zone announcing `functions`, a dialogue range of 0 to 3 and eight scene buttons;
// the pseudo-function "netusb:preset" announces 40 favourites.
Features extrasFeatures(QStringList functions)
{
    const bool presets = functions.removeAll(presetFunction) > 0;
    Features features = sampleFeatures(QStringList { QStringLiteral("actual_volume") } + functions);
    features.zone[0].rangeStep.append({ QStringLiteral("dialogue_level"), 0, 3, 1 });
    features.zone[0].sceneNum = 8;
    if (presets) {
        features.netusb = NetUSBFeatures { PresetFeature { 40 } };
    }
    return features;
}

PresetInfo presets(const QStringList &names)
{
    PresetInfo info { 0, {} };
    for (const QString &name : names) {
        info.presets.append(name.isEmpty() ? Preset { QStringLiteral("unknown"), QString() }
                                           : Preset { QStringLiteral("net_radio"), name });
    }
    return info;
}

QStringList favouriteNames(const ReceiverStore &store)
{
    QStringList names;
    for (const ListedPreset &favourite : store.favourites()) {
        names.append(QString::number(favourite.number) + u' ' + favourite.name);
    }
    return names;
}

QStringList changes(const ScriptedTransport &transport)
{
    QStringList paths;
    for (const QString &entry : transport.log()) {
        if (entry.contains(QStringLiteral("/set")) || entry.contains(QStringLiteral("/recall"))) {
            paths.append(entry);
        }
    }
    return paths;
}

// What the window shows of the extras, one word per setting.
QString shown(const ReceiverStore &store, const QString &field)
{
    const auto status = store.currentStatus();
    const auto text = [](const auto &value) { return value ? QVariant(*value).toString() : QStringLiteral("-"); };
    if (field == QStringLiteral("sleep")) {
        return text(status->sleep);
    }
    if (field == QStringLiteral("pureDirect")) {
        return text(status->pureDirect);
    }
    if (field == QStringLiteral("direct")) {
        return text(status->direct);
    }
    if (field == QStringLiteral("enhancer")) {
        return text(status->enhancer);
    }
    if (field == QStringLiteral("dialogue")) {
        return text(store.displayedLevel(QStringLiteral("dialogue")));
    }
    if (field == QStringLiteral("repeat")) {
        return text(store.playInfo()->repeat);
    }
    if (field == QStringLiteral("shuffle")) {
        return text(store.playInfo()->shuffle);
    }
    return {};
}

using Control = std::function<void(ReceiverStore &)>;

} // namespace

Q_DECLARE_METATYPE(Control)

class TestReceiverStoreExtras : public QObject {
    Q_OBJECT

    // A connected rig whose receiver announces `functions`, with the sleep timer at `sleep` minutes, the
    // enhancer on, the dialogue level at 1, and Spotify repeating `repeat` and shuffling "on".
    static void connectTo(StoreRig &rig, const QStringList &functions, int sleep = 0,
        const QString &repeat = QStringLiteral("off"),
        const QStringList &repeatOffered = { QStringLiteral("off"), QStringLiteral("one"), QStringLiteral("all") })
    {
        rig.transport->answerOnly(QStringLiteral("system/getFeatures"), extrasFeatures(functions));
        ZoneStatus status = sampleStatus();
        status.sleep = sleep;
        status.pureDirect = false;
        status.direct = false;
        status.enhancer = true;
        status.dialogueLevel = 1;
        rig.transport->answerOnly(QStringLiteral("main/getStatus"), status);
        PlayInfo info = samplePlayInfo();
        info.repeat = repeat;
        info.repeatAvailable = repeatOffered;
        info.shuffle = QStringLiteral("on");
        info.shuffleAvailable = QStringList { QStringLiteral("off"), QStringLiteral("on"), QStringLiteral("songs") };
        rig.transport->answerOnly(QStringLiteral("netusb/getPlayInfo"), info);
        rig.transport->answerOnly(
            QStringLiteral("netusb/getPresetInfo"), presets({ QStringLiteral("Harbour FM"), QString() }));
        rig.startConnected();
        rig.transport->clearLog();
    }

private Q_SLOTS:
    void controls_data()
    {
        QTest::addColumn<QStringList>("functions");
        QTest::addColumn<int>("sleep");
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<Control>("control");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("shows");

        const QStringList sleep { QStringLiteral("sleep") };
        const Control cycleSleep = [](ReceiverStore &s) { s.cycleSleep(); };
        QTest::addRow("sleep from off") << sleep << 0 << "off" << cycleSleep
                                        << QStringList { u"main/setSleep?sleep=30"_s } << "sleep"
                                        << "30";
        QTest::addRow("sleep from 30") << sleep << 30 << "off" << cycleSleep
                                       << QStringList { u"main/setSleep?sleep=60"_s } << "sleep"
                                       << "60";
        QTest::addRow("running timer at 47 goes to 60")
            << sleep << 47 << "off" << cycleSleep << QStringList { u"main/setSleep?sleep=60"_s } << "sleep"
            << "60";
        QTest::addRow("sleep from 120 turns it off")
            << sleep << 120 << "off" << cycleSleep << QStringList { u"main/setSleep?sleep=0"_s } << "sleep"
            << "0";
        QTest::addRow("sleep not announced") << QStringList {} << 0 << "off" << cycleSleep << QStringList {} << "sleep"
                                             << "0";

        const Control toggleDirect = [](ReceiverStore &s) { s.toggleDirect(); };
        QTest::addRow("pure direct wins over direct")
            << QStringList { u"direct"_s, u"pure_direct"_s } << 0 << "off" << toggleDirect
            << QStringList { u"main/setPureDirect?enable=true"_s } << "pureDirect"
            << "true";
        QTest::addRow("plain direct") << QStringList { u"direct"_s } << 0 << "off" << toggleDirect
                                      << QStringList { u"main/setDirect?enable=true"_s } << "direct"
                                      << "true";
        QTest::addRow("direct not announced")
            << QStringList {} << 0 << "off" << toggleDirect << QStringList {} << "direct"
            << "false";

        const Control toggleEnhancer = [](ReceiverStore &s) { s.toggleEnhancer(); };
        QTest::addRow("enhancer off") << QStringList { u"enhancer"_s } << 0 << "off" << toggleEnhancer
                                      << QStringList { u"main/setEnhancer?enable=false"_s } << "enhancer"
                                      << "false";
        QTest::addRow("enhancer not announced")
            << QStringList {} << 0 << "off" << toggleEnhancer << QStringList {} << "enhancer"
            << "true";

        QTest::addRow("dialogue level truncated") << QStringList { u"dialogue_level"_s } << 0 << "off"
                                                  << Control([](ReceiverStore &s) { s.setDialogueLevel(2.6); })
                                                  << QStringList { u"main/setDialogueLevel?value=2"_s } << "dialogue"
                                                  << "2";
        QTest::addRow("dialogue level held inside its range")
            << QStringList { u"dialogue_level"_s } << 0 << "off"
            << Control([](ReceiverStore &s) { s.setDialogueLevel(9); })
            << QStringList { u"main/setDialogueLevel?value=3"_s } << "dialogue"
            << "3";
        QTest::addRow("dialogue level not announced")
            << QStringList {} << 0 << "off" << Control([](ReceiverStore &s) { s.setDialogueLevel(2); })
            << QStringList {} << "dialogue"
            << "1";

        const Control cycleRepeat = [](ReceiverStore &s) { s.cycleRepeat(); };
        QTest::addRow("repeat off to one")
            << QStringList {} << 0 << "off" << cycleRepeat << QStringList { u"netusb/setRepeat?mode=one"_s } << "repeat"
            << "one";
        QTest::addRow("repeat all wraps to off")
            << QStringList {} << 0 << "all" << cycleRepeat << QStringList { u"netusb/setRepeat?mode=off"_s } << "repeat"
            << "off";
        QTest::addRow("repeat mode not offered starts the cycle")
            << QStringList {} << 0 << "shuffled" << cycleRepeat << QStringList { u"netusb/setRepeat?mode=off"_s }
            << "repeat"
            << "off";
        QTest::addRow("shuffle on to songs")
            << QStringList {} << 0 << "off" << Control([](ReceiverStore &s) { s.cycleShuffle(); })
            << QStringList { u"netusb/setShuffle?mode=songs"_s } << "shuffle"
            << "songs";

        const Control recallFirst = [](ReceiverStore &s) { s.recallFavourite(1); };
        QTest::addRow("favourite recalled into the zone")
            << QStringList { presetFunction } << 0 << "off" << recallFirst
            << QStringList { u"netusb/recallPreset?zone=main&num=1"_s } << ""
            << "";
        QTest::addRow("empty favourite slot")
            << QStringList { presetFunction } << 0 << "off" << Control([](ReceiverStore &s) { s.recallFavourite(2); })
            << QStringList {} << ""
            << "";
        QTest::addRow("favourites not announced") << QStringList {} << 0 << "off" << recallFirst << QStringList {} << ""
                                                  << "";

        QTest::addRow("last scene button")
            << QStringList { u"scene"_s } << 0 << "off" << Control([](ReceiverStore &s) { s.recallReceiverScene(8); })
            << QStringList { u"main/recallScene?num=8"_s } << ""
            << "";
        QTest::addRow("scene beyond the buttons")
            << QStringList { u"scene"_s } << 0 << "off" << Control([](ReceiverStore &s) { s.recallReceiverScene(9); })
            << QStringList {} << ""
            << "";
        QTest::addRow("scene buttons not announced")
            << QStringList {} << 0 << "off" << Control([](ReceiverStore &s) { s.recallReceiverScene(1); })
            << QStringList {} << ""
            << "";
    }

    void controls()
    {
        QFETCH(QStringList, functions);
        QFETCH(int, sleep);
        QFETCH(QString, repeat);
        QFETCH(Control, control);
        QFETCH(QStringList, sent);
        QFETCH(QString, field);
        QFETCH(QString, shows);
        StoreRig rig;
        connectTo(rig, functions, sleep, repeat);

        control(*rig.store);
        QCOMPARE(changes(*rig.transport), sent);
        if (!field.isEmpty()) {
            QCOMPARE(shown(*rig.store, field), shows);
        }
        QCOMPARE(rig.store->lastError(), std::nullopt);
    }

    // Repeat and shuffle follow what is playing: a source that offers none takes no command.
    void playModesNotOffered()
    {
        StoreRig rig;
        connectTo(rig, {}, 0, QStringLiteral("off"), {});
        rig.store->cycleRepeat();
        QVERIFY(rig.store->repeatModes().isEmpty());
        QVERIFY(changes(*rig.transport).isEmpty());
    }

    // Read-only mode refuses before sending; the optimistic value shows until the next poll reads the receiver.
    void readOnlyRefusesAndThePollCorrects()
    {
        StoreRig rig;
        rig.transport->setReadOnly(true);
        connectTo(rig, { QStringLiteral("sleep"), QStringLiteral("scene") });
        rig.store->cycleSleep();
        QCOMPARE(rig.store->currentStatus()->sleep, 30);
        QCOMPARE(rig.store->lastError(), QStringLiteral("Read-only mode blocked main/setSleep."));
        rig.store->recallReceiverScene(2);
        QCOMPARE(rig.store->lastError(), QStringLiteral("Read-only mode blocked main/recallScene."));
        rig.clock.advance(1500ms);
        QCOMPARE(rig.store->currentStatus()->sleep, 0);
        QVERIFY(rig.transport->sent().isEmpty());
    }

    void favourites_data()
    {
        QTest::addColumn<bool>("announced");
        QTest::addColumn<bool>("failsLater");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("lastError");
        const QStringList first { "1 Harbour FM", "3 Vinyl Rips" };
        QTest::addRow("loaded, and again on the event")
            << true << false << first << QStringList { u"1 Harbour FM"_s, u"2 Morning Jazz"_s, u"3 Vinyl Rips"_s }
            << QString();
        QTest::addRow("a failed reload keeps the list")
            << true << true << first << first
            << QStringLiteral("netusb/getPresetInfo: The receiver answered with HTTP 500.");
        QTest::addRow("not announced: never asked") << false << false << QStringList {} << QStringList {} << QString();
    }

    void favourites()
    {
        QFETCH(bool, announced);
        QFETCH(bool, failsLater);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QString, lastError);
        StoreRig rig;
        rig.transport->answerOnly(QStringLiteral("system/getFeatures"),
            extrasFeatures(announced ? QStringList { presetFunction } : QStringList {}));
        rig.transport->answer(QStringLiteral("netusb/getPresetInfo"),
            presets({ QStringLiteral("Harbour FM"), QString(), QStringLiteral("Vinyl Rips") }));
        rig.startConnected();
        QSignalSpy changed(rig.store.get(), &ReceiverStore::favouritesChanged);
        QCOMPARE(favouriteNames(*rig.store), before);
        QCOMPARE(rig.store->supportsFavourites(), announced);

        if (failsLater) {
            rig.transport->failOnly(QStringLiteral("netusb/getPresetInfo"), YXCError::http(500));
        } else {
            rig.transport->answerOnly(QStringLiteral("netusb/getPresetInfo"),
                presets(
                    { QStringLiteral("Harbour FM"), QStringLiteral("Morning Jazz"), QStringLiteral("Vinyl Rips") }));
        }
        rig.store->handlePacket(R"({"netusb":{"preset_info_updated":true}})");
        QCOMPARE(favouriteNames(*rig.store), after);
        QCOMPARE(changed.count(), before == after ? 0 : 1);
        QCOMPARE(rig.store->lastError().value_or(QString()), lastError);
        QCOMPARE(rig.transport->count(QStringLiteral("netusb/getPresetInfo")), announced ? 2 : 0);
    }

    // A list asked for before the store moved to another receiver is not that receiver's.
    void staleFavouritesAreDropped()
    {
        StoreRig rig;
        rig.transport->answerOnly(QStringLiteral("system/getFeatures"), extrasFeatures({ presetFunction }));
        rig.transport->answer(QStringLiteral("netusb/getPresetInfo"), presets({ QStringLiteral("Old Receiver FM") }),
            ScriptedTransport::held);
        rig.startConnected();
        rig.store->reconnect();
        QVERIFY(rig.transport->release(QStringLiteral("netusb/getPresetInfo")));
        QVERIFY(rig.store->favourites().isEmpty());
    }

    // The extras a zone event carries show at once, and the zone's status is read again to confirm them.
    void zoneEventsApplyTheExtras()
    {
        StoreRig rig;
        connectTo(rig, { QStringLiteral("sleep"), QStringLiteral("pure_direct"), QStringLiteral("enhancer") });
        ZoneStatus confirmed = sampleStatus();
        confirmed.sleep = 89; // a minute has passed
        confirmed.pureDirect = true;
        rig.transport->answerOnly(QStringLiteral("main/getStatus"), confirmed, ScriptedTransport::held);
        rig.store->handlePacket(R"({"main":{"sleep":90,"pure_direct":true,"dialogue_level":"2"}})");
        QCOMPARE(rig.store->currentStatus()->sleep, 90);
        QCOMPARE(rig.store->currentStatus()->pureDirect, true);
        QCOMPARE(rig.store->currentStatus()->dialogueLevel, 1); // a level that is no number is no level
        QVERIFY(rig.transport->release(QStringLiteral("main/getStatus")));
        QCOMPARE(rig.store->currentStatus()->sleep, 89);
    }
};

QTEST_GUILESS_MAIN(TestReceiverStoreExtras)
#include "tst_receiverstore_extras.moc"
