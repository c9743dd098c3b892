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

const QString presetFunction = u"netusb:preset"_s;

// The rig's receiver with the main zone announcing `functions`, a dialogue range of 0 to 3 and eight scene buttons;
// the pseudo-function "netusb:preset" announces 40 favourites.
Features extrasFeatures(QStringList functions)
{
    const bool presets = functions.removeAll(presetFunction) > 0;
    Features features = sampleFeatures(QStringList { u"actual_volume"_s } + functions);
    features.zone[0].rangeStep.append({ u"dialogue_level"_s, 0, 3, 1 });
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
        info.presets.append(name.isEmpty() ? Preset { u"unknown"_s, QString() } : Preset { u"net_radio"_s, name });
    }
    return info;
}

QStringList favouriteNames(const ReceiverStore &store)
{
    QStringList names;
    for (const ListedPreset &favourite : store.state().favourites()) {
        names.append(QString::number(favourite.number) + u' ' + favourite.name);
    }
    return names;
}

QStringList changes(const ScriptedTransport &transport)
{
    QStringList paths;
    for (const QString &entry : transport.log()) {
        if (entry.contains(u"/set"_s) || entry.contains(u"/recall"_s)) {
            paths.append(entry);
        }
    }
    return paths;
}

// One extra as the store shows it: "sleep=30".
QString shown(const ReceiverStore &store, const QString &name)
{
    const ZoneStatus status = *store.currentStatus();
    const auto text = [](const auto &value) { return value ? QVariant(*value).toString() : u"-"_s; };
    const QMap<QString, QString> values { { u"sleep"_s, text(status.sleep) },
        { u"pureDirect"_s, text(status.pureDirect) }, { u"direct"_s, text(status.direct) },
        { u"enhancer"_s, text(status.enhancer) }, { u"dialogue"_s, text(store.displayedLevel(u"dialogue"_s)) },
        { u"repeat"_s, text(store.state().playInfo()->repeat) },
        { u"shuffle"_s, text(store.state().playInfo()->shuffle) } };
    return name + u'=' + values.value(name);
}

using Control = std::function<void(ReceiverStore &)>;

} // namespace

Q_DECLARE_METATYPE(Control)

class TestReceiverStoreExtras : public QObject {
    Q_OBJECT

    // A connected rig whose receiver announces `functions`, with the sleep timer at `sleep` minutes, the
    // enhancer on, the dialogue level at 1, and Spotify repeating `repeat` (none offered when empty) and
    // shuffling "on".
    static void connectTo(StoreRig &rig, const QStringList &functions, int sleep = 0, const QString &repeat = u"off"_s)
    {
        rig.transport->answerOnly(u"system/getFeatures"_s, extrasFeatures(functions));
        ZoneStatus status = sampleStatus();
        status.sleep = sleep;
        status.pureDirect = false;
        status.direct = false;
        status.enhancer = true;
        status.dialogueLevel = 1;
        rig.transport->answerOnly(u"main/getStatus"_s, status);
        PlayInfo info = samplePlayInfo();
        info.repeat = repeat;
        info.repeatAvailable = repeat.isEmpty() ? QStringList() : QStringList { u"off"_s, u"one"_s, u"all"_s };
        info.shuffle = u"on"_s;
        info.shuffleAvailable = QStringList { u"off"_s, u"on"_s, u"songs"_s };
        rig.transport->answerOnly(u"netusb/getPlayInfo"_s, info);
        rig.transport->answerOnly(u"netusb/getPresetInfo"_s, presets({ u"Harbour FM"_s, QString() }));
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
        QTest::addColumn<QString>("sent"); // empty: nothing
        QTest::addColumn<QString>("shows"); // one extra afterwards, as shown()
        const auto row = [](const char *name, const QStringList &functions, int sleep, const QString &repeat,
                             const Control &control, const QString &sent, const QString &shows) {
            QTest::addRow("%s", name) << functions << sleep << repeat << control << sent << shows;
        };
        const QStringList none;
        const QStringList sleep { u"sleep"_s };
        const Control cycleSleep = [](ReceiverStore &s) { s.cycleSleep(); };
        row("sleep from off", sleep, 0, u"off"_s, cycleSleep, u"main/setSleep?sleep=30"_s, u"sleep=30"_s);
        row("sleep from 30", sleep, 30, u"off"_s, cycleSleep, u"main/setSleep?sleep=60"_s, u"sleep=60"_s);
        row("running timer at 47 goes to 60", sleep, 47, u"off"_s, cycleSleep, u"main/setSleep?sleep=60"_s,
            u"sleep=60"_s);
        row("sleep from 120 turns it off", sleep, 120, u"off"_s, cycleSleep, u"main/setSleep?sleep=0"_s, u"sleep=0"_s);
        row("sleep not announced", none, 0, u"off"_s, cycleSleep, {}, u"sleep=0"_s);

        const Control toggleDirect = [](ReceiverStore &s) { s.toggleDirect(); };
        row("pure direct wins over direct", { u"direct"_s, u"pure_direct"_s }, 0, u"off"_s, toggleDirect,
            u"main/setPureDirect?enable=true"_s, u"pureDirect=true"_s);
        row("plain direct", { u"direct"_s }, 0, u"off"_s, toggleDirect, u"main/setDirect?enable=true"_s,
            u"direct=true"_s);
        row("direct not announced", none, 0, u"off"_s, toggleDirect, {}, u"direct=false"_s);

        const Control toggleEnhancer = [](ReceiverStore &s) { s.toggleEnhancer(); };
        row("enhancer off", { u"enhancer"_s }, 0, u"off"_s, toggleEnhancer, u"main/setEnhancer?enable=false"_s,
            u"enhancer=false"_s);
        row("enhancer not announced", none, 0, u"off"_s, toggleEnhancer, {}, u"enhancer=true"_s);

        const auto dialogue
            = [](double level) { return Control([level](ReceiverStore &s) { s.setDialogueLevel(level); }); };
        row("dialogue level truncated", { u"dialogue_level"_s }, 0, u"off"_s, dialogue(2.6),
            u"main/setDialogueLevel?value=2"_s, u"dialogue=2"_s);
        row("dialogue level held inside its range", { u"dialogue_level"_s }, 0, u"off"_s, dialogue(9),
            u"main/setDialogueLevel?value=3"_s, u"dialogue=3"_s);
        row("dialogue level not announced", none, 0, u"off"_s, dialogue(2), {}, u"dialogue=1"_s);

        const Control cycleRepeat = [](ReceiverStore &s) { s.cycleRepeat(); };
        row("repeat off to one", none, 0, u"off"_s, cycleRepeat, u"netusb/setRepeat?mode=one"_s, u"repeat=one"_s);
        row("repeat all wraps to off", none, 0, u"all"_s, cycleRepeat, u"netusb/setRepeat?mode=off"_s, u"repeat=off"_s);
        row("repeat mode not offered starts the cycle", none, 0, u"shuffled"_s, cycleRepeat,
            u"netusb/setRepeat?mode=off"_s, u"repeat=off"_s);
        row("repeat not offered", none, 0, {}, cycleRepeat, {}, {});
        row(
            "shuffle on to songs", none, 0, u"off"_s, [](ReceiverStore &s) { s.cycleShuffle(); },
            u"netusb/setShuffle?mode=songs"_s, u"shuffle=songs"_s);

        const auto favourite
            = [](int number) { return Control([number](ReceiverStore &s) { s.recallFavourite(number); }); };
        const QStringList presets { presetFunction };
        row("favourite recalled into the zone", presets, 0, u"off"_s, favourite(1),
            u"netusb/recallPreset?zone=main&num=1"_s, {});
        row("empty favourite slot", presets, 0, u"off"_s, favourite(2), {}, {});
        row("favourites not announced", none, 0, u"off"_s, favourite(1), {}, {});

        const auto scene
            = [](int number) { return Control([number](ReceiverStore &s) { s.recallReceiverScene(number); }); };
        row("last scene button", { u"scene"_s }, 0, u"off"_s, scene(8), u"main/recallScene?num=8"_s, {});
        row("scene beyond the buttons", { u"scene"_s }, 0, u"off"_s, scene(9), {}, {});
        row("scene buttons not announced", none, 0, u"off"_s, scene(1), {}, {});
    }

    void controls()
    {
        QFETCH(QStringList, functions);
        QFETCH(int, sleep);
        QFETCH(QString, repeat);
        QFETCH(Control, control);
        QFETCH(QString, sent);
        QFETCH(QString, shows);
        StoreRig rig;
        connectTo(rig, functions, sleep, repeat);

        control(*rig.store);
        QCOMPARE(changes(*rig.transport), sent.isEmpty() ? QStringList() : QStringList { sent });
        if (!shows.isEmpty()) {
            QCOMPARE(shown(*rig.store, shows.section(u'=', 0, 0)), shows);
        }
        QCOMPARE(rig.store->lastError(), std::nullopt);
    }

    // Read-only mode refuses before sending; the optimistic value shows until the next poll reads the receiver.
    void readOnlyRefusesAndThePollCorrects()
    {
        StoreRig rig;
        rig.transport->setReadOnly(true);
        connectTo(rig, { u"sleep"_s, u"scene"_s });
        rig.store->cycleSleep();
        QCOMPARE(rig.store->currentStatus()->sleep, 30);
        QCOMPARE(rig.store->lastError(), u"Read-only mode blocked main/setSleep."_s);
        rig.store->recallReceiverScene(2);
        QCOMPARE(rig.store->lastError(), u"Read-only mode blocked main/recallScene."_s);
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
        const QStringList first { u"1 Harbour FM"_s, u"3 Vinyl Rips"_s };
        QTest::addRow("loaded, and again on the event")
            << true << false << first << QStringList { u"1 Harbour FM"_s, u"2 Morning Jazz"_s, u"3 Vinyl Rips"_s }
            << QString();
        QTest::addRow("a failed reload keeps the list")
            << true << true << first << first << u"netusb/getPresetInfo: The receiver answered with HTTP 500."_s;
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
        rig.transport->answerOnly(
            u"system/getFeatures"_s, extrasFeatures(announced ? QStringList { presetFunction } : QStringList {}));
        rig.transport->answer(u"netusb/getPresetInfo"_s, presets({ u"Harbour FM"_s, QString(), u"Vinyl Rips"_s }));
        rig.startConnected();
        QSignalSpy changed(&rig.store->state(), &ReceiverState::playbackChanged);
        QCOMPARE(favouriteNames(*rig.store), before);
        QCOMPARE(rig.store->supportsFavourites(), announced);

        if (failsLater) {
            rig.transport->failOnly(u"netusb/getPresetInfo"_s, YXCError::http(500));
        } else {
            rig.transport->answerOnly(
                u"netusb/getPresetInfo"_s, presets({ u"Harbour FM"_s, u"Morning Jazz"_s, u"Vinyl Rips"_s }));
        }
        rig.store->handlePacket(R"({"netusb":{"preset_info_updated":true}})");
        QCOMPARE(favouriteNames(*rig.store), after);
        QCOMPARE(changed.count(), before == after ? 0 : 1);
        QCOMPARE(rig.store->lastError().value_or(QString()), lastError);
        QCOMPARE(rig.transport->count(u"netusb/getPresetInfo"_s), announced ? 2 : 0);
    }

    // A list asked for before the store moved to another receiver is not that receiver's.
    void staleFavouritesAreDropped()
    {
        StoreRig rig;
        rig.transport->answerOnly(u"system/getFeatures"_s, extrasFeatures({ presetFunction }));
        rig.transport->answer(u"netusb/getPresetInfo"_s, presets({ u"Old Receiver FM"_s }), ScriptedTransport::held);
        rig.startConnected();
        rig.store->reconnect();
        QVERIFY(rig.transport->release(u"netusb/getPresetInfo"_s));
        QVERIFY(rig.store->state().favourites().isEmpty());
    }

    // The extras a zone event carries show at once, and the zone's status is read again to confirm them.
    void zoneEventsApplyTheExtras()
    {
        StoreRig rig;
        connectTo(rig, { u"sleep"_s, u"pure_direct"_s, u"enhancer"_s });
        ZoneStatus confirmed = sampleStatus();
        confirmed.sleep = 89; // a minute has passed
        confirmed.pureDirect = true;
        rig.transport->answerOnly(u"main/getStatus"_s, confirmed, ScriptedTransport::held);
        rig.store->handlePacket(R"({"main":{"sleep":90,"pure_direct":true,"dialogue_level":"2"}})");
        QCOMPARE(rig.store->currentStatus()->sleep, 90);
        QCOMPARE(rig.store->currentStatus()->pureDirect, true);
        QCOMPARE(rig.store->currentStatus()->dialogueLevel, 1); // a level that is no number is no level
        QVERIFY(rig.transport->release(u"main/getStatus"_s));
        QCOMPARE(rig.store->currentStatus()->sleep, 89);
    }
};

QTEST_GUILESS_MAIN(TestReceiverStoreExtras)
#include "tst_receiverstore_extras.moc"
