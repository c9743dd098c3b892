// Controls of the receiver store: throttled continuous controls, the edit hold, the volume cap, optimistic
// updates with their rollbacks, read-only refusals, the Spotify hand-off, and the receiver's extras (sleep timer,
// dialogue level, shuffle, favourites) as the zone announces them. Which request each door sends or refuses is
// the contract table's (tst_doors); here, what the store shows and keeps.

#include "StoreRig.h"

#include "core/capabilities/Link.h"

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

// The commands sent, in order.
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
        { u"dialogue"_s, text(store.displayedLevel(u"dialogue"_s)) },
        { u"shuffle"_s, text(store.state().playInfo()->shuffle) } };
    return name + u'=' + values.value(name);
}

using Control = std::function<void(ReceiverStore &)>;

} // namespace

Q_DECLARE_METATYPE(Control)

class TestReceiverStoreControls : public QObject {
    Q_OBJECT

    // A connected rig whose receiver announces `functions`, with the sleep timer at `sleep` minutes, pure direct
    // off, the dialogue level at 1, and Spotify shuffling "on".
    static void connectTo(StoreRig &rig, const QStringList &functions, int sleep = 0)
    {
        rig.transport->answerOnly(u"system/getFeatures"_s, extrasFeatures(functions));
        ZoneStatus status = sampleStatus();
        status.sleep = sleep;
        status.pureDirect = false;
        status.dialogueLevel = 1;
        rig.transport->answerOnly(u"main/getStatus"_s, status);
        PlayInfo info = samplePlayInfo();
        info.shuffle = u"on"_s;
        info.shuffleAvailable = QStringList { u"off"_s, u"on"_s, u"songs"_s };
        rig.transport->answerOnly(u"netusb/getPlayInfo"_s, info);
        rig.transport->answerOnly(u"netusb/getPresetInfo"_s, presets({ u"Harbour FM"_s, QString() }));
        rig.startConnected();
        rig.transport->clearLog();
    }

private Q_SLOTS:
    void volumeBurstIsThrottledAndTheEditHolds()
    {
        StoreRig rig;
        rig.startConnected();
        rig.transport->clearLog();
        QSignalSpy shown(rig.store.get(), &ReceiverStore::displayedVolumeDBChanged);

        // -40 dB to -35 dB in 10 ms steps of 0.5 dB.
        for (int step = 0; step <= 10; ++step) {
            rig.store->setVolume(-40.0 + step * 0.5);
            QCOMPARE(rig.store->displayedVolumeDB(), -40.0 + step * 0.5);
            rig.clock.advance(10ms);
        }
        rig.clock.advance(200ms);
        QCOMPARE(changes(*rig.transport),
            (QStringList { QStringLiteral("main/setActualVolume?mode=db&value=-40.0"),
                QStringLiteral("main/setActualVolume?mode=db&value=-35.0") }));

        // The receiver still reports -40 dB; the knob's value wins until 1.5 s after the last change.
        rig.store->handlePacket(R"({"main":{"volume":81}})");
        QCOMPARE(rig.store->displayedVolumeDB(), -35.0);
        const int changes = int(shown.count());
        rig.clock.advance(1289ms); // 1.5 s after the last change, less 1 ms
        QCOMPARE(rig.store->displayedVolumeDB(), -35.0);
        rig.clock.advance(1ms);
        QCOMPARE(rig.store->displayedVolumeDB(), 0.5 * 81 - 80.5);
        QCOMPARE(shown.count(), changes + 1);
    }

    // The store's wiring of the zone rules (their own rows are in tst_zonerules): in raw steps too, the shown
    // value and the command are held under the cap.
    void rawVolumeStepsAreCapped()
    {
        StoreRig rig;
        rig.transport->answerOnly(u"system/getFeatures"_s, sampleFeatures({}));
        rig.settings->setMaxVolumeDB(-20.0);
        rig.startConnected();
        rig.transport->clearLog();

        rig.store->setVolume(5.0);
        QCOMPARE(rig.store->editValue(u"volume.main"_s), -20.0);
        QCOMPARE(changes(*rig.transport), QStringList { u"main/setVolume?volume=121"_s });
    }

    void performCapsEveryVolumeCommand()
    {
        StoreRig rig;
        rig.settings->setMaxVolumeDB(-25.0);
        rig.startConnected();
        rig.transport->clearLog();
        rig.store->perform(YXCCommand::setActualVolume(Zone::main, 0.0));
        rig.store->perform(YXCCommand::setVolume(Zone::main, 194));
        QCOMPARE(rig.transport->sent(),
            (QList<YXCCommand> {
                YXCCommand::setActualVolume(Zone::main, -25.0), YXCCommand::setVolume(Zone::main, 111) }));
    }

    void setVolumeWithoutScaleDoesNothing()
    {
        StoreRig rig;
        rig.store->setVolume(-30);
        QVERIFY(rig.store->edits().isEmpty());
        QVERIFY(rig.transport->sent().isEmpty());
        QCOMPARE(rig.store->lastError(), std::nullopt);
    }

    void toneLevelsTruncateTowardZero()
    {
        StoreRig rig;
        rig.transport->answerOnly(QStringLiteral("system/getFeatures"),
            sampleFeatures({ QStringLiteral("actual_volume"), QStringLiteral("tone_control"),
                QStringLiteral("subwoofer_volume") }));
        rig.startConnected();
        rig.transport->clearLog();
        rig.store->setBass(-3.7);
        rig.store->setTreble(2.9);
        rig.store->setSubwoofer(-0.5);
        QCOMPARE(rig.store->displayedLevel(QStringLiteral("bass")), -3);
        QCOMPARE(rig.store->displayedLevel(QStringLiteral("treble")), 2);
        QCOMPARE(rig.store->displayedLevel(QStringLiteral("subwoofer")), 0);
        QCOMPARE(rig.transport->sent(),
            (QList<YXCCommand> { YXCCommand::setToneControl(Zone::main, QStringLiteral("manual"), -3, std::nullopt),
                YXCCommand::setToneControl(Zone::main, QStringLiteral("manual"), std::nullopt, 2),
                YXCCommand::setSubwooferVolume(Zone::main, 0) }));
        rig.clock.advance(1500ms);
        QCOMPARE(rig.store->displayedLevel(QStringLiteral("bass")), 2); // the receiver's value again
    }

    void muteRollsBackAndIgnoresASecondClick()
    {
        StoreRig rig;
        rig.startConnected();
        rig.transport->fail(QStringLiteral("main/setMute"), YXCError::responseCode(3, QStringLiteral("main/setMute")),
            ScriptedTransport::held);

        rig.store->toggleMute();
        QCOMPARE(rig.store->currentStatus()->mute, true);
        rig.store->toggleMute(); // ignored while the first is on its way
        QCOMPARE(rig.transport->count(QStringLiteral("main/setMute")), 1);
        QVERIFY(rig.transport->release(QStringLiteral("main/setMute")));
        QCOMPARE(rig.store->currentStatus()->mute, false);
        QCOMPARE(rig.store->lastError(), QStringLiteral("main/setMute failed (response code 3)."));

        rig.store->toggleMute(); // free again
        QCOMPARE(rig.transport->count(QStringLiteral("main/setMute")), 2);
    }

    void muteWithoutKnownStateRefreshesFirst_data()
    {
        QTest::addColumn<bool>("reportsMute");
        QTest::addColumn<QString>("lastError");
        QTest::addRow("refresh reports mute") << true << QString();
        QTest::addRow("refresh still without mute")
            << false << QStringLiteral("Couldn\u2019t read main/getStatus: missing 'mute'");
    }

    void muteWithoutKnownStateRefreshesFirst()
    {
        QFETCH(bool, reportsMute);
        QFETCH(QString, lastError);
        StoreRig rig;
        ZoneStatus withoutMute = sampleStatus();
        withoutMute.mute.reset();
        rig.transport->answerOnly(QStringLiteral("main/getStatus"), withoutMute);
        rig.transport->answer(QStringLiteral("main/getStatus"), reportsMute ? sampleStatus() : withoutMute);
        rig.startConnected();

        rig.store->toggleMute();
        QCOMPARE(rig.store->lastError().value_or(QString()), lastError);
        QCOMPARE(rig.transport->count(QStringLiteral("main/setMute")), reportsMute ? 1 : 0);
        if (reportsMute) {
            QCOMPARE(rig.store->currentStatus()->mute, true);
        }
        rig.store->toggleMute(); // the zone is no longer pending
        QCOMPARE(rig.transport->count(QStringLiteral("main/getStatus")) > 1, true);
    }

    void surroundAIRollback_data()
    {
        QTest::addColumn<bool>("transportReplaced");
        QTest::addRow("same transport restores") << false;
        QTest::addRow("new transport keeps the value") << true;
    }

    void surroundAIRollback()
    {
        QFETCH(bool, transportReplaced);
        StoreRig rig;
        rig.startConnected();
        rig.transport->fail(QStringLiteral("main/setSurroundAI"), YXCError::http(500), ScriptedTransport::held);
        rig.store->setSurroundAI(true);
        QCOMPARE(rig.store->currentStatus()->surroundAi, true);
        rig.store->setSurroundAI(false); // pending: ignored
        QCOMPARE(rig.transport->count(QStringLiteral("main/setSurroundAI")), 1);

        if (transportReplaced) {
            rig.store->reconnect();
            rig.store->setSelectedZone(Zone::main);
        }
        QVERIFY(rig.transport->release(QStringLiteral("main/setSurroundAI")));
        QCOMPARE(rig.store->lastError(), QStringLiteral("The receiver answered with HTTP 500."));
        if (!transportReplaced) {
            QCOMPARE(rig.store->currentStatus()->surroundAi, false);
        }
    }

    void readOnlyRefusalsReachLastError()
    {
        StoreRig rig;
        rig.transport->setReadOnly(true);
        rig.startConnected();
        rig.store->togglePower();
        QCOMPARE(rig.store->currentStatus()->power, QStringLiteral("standby")); // until the next poll
        QCOMPARE(rig.store->lastError(), QStringLiteral("Read-only mode blocked main/setPower."));
        rig.clock.advance(1500ms); // a poll corrects the optimistic value
        QCOMPARE(rig.store->currentStatus()->power, QStringLiteral("on"));
    }

    void optimisticInputProgramAndPlayback()
    {
        StoreRig rig;
        rig.startConnected();
        rig.transport->clearLog();
        rig.store->setInput(QStringLiteral("tuner"));
        rig.store->setSoundProgram(QStringLiteral("enhanced"));
        rig.store->togglePlayback();
        QCOMPARE(rig.store->currentStatus()->input, QStringLiteral("tuner"));
        QCOMPARE(rig.store->currentStatus()->soundProgram, QStringLiteral("enhanced"));
        QCOMPARE(rig.store->state().playInfo()->playback, QStringLiteral("pause"));
        QCOMPARE(rig.transport->sent(),
            (QList<YXCCommand> { YXCCommand::setInput(Zone::main, QStringLiteral("tuner")),
                YXCCommand::setSoundProgram(Zone::main, QStringLiteral("enhanced")),
                YXCCommand::setPlayback(PlaybackAction::pause) }));
    }

    void spotifyHandoff_data()
    {
        QTest::addColumn<QString>("playback");
        QTest::addColumn<int>("opened");
        QTest::addRow("already playing opens nothing") << QStringLiteral("play") << 0;
        QTest::addRow("stopped opens Spotify") << QStringLiteral("stop") << 1;
    }

    void spotifyHandoff()
    {
        QFETCH(QString, playback);
        QFETCH(int, opened);
        StoreRig rig;
        PlayInfo info = samplePlayInfo();
        info.playback = playback;
        rig.transport->answerOnly(QStringLiteral("netusb/getPlayInfo"), info);
        rig.startConnected();
        rig.store->selectInput(QStringLiteral("spotify"));
        QCOMPARE(rig.spotifyOpened, opened);
        QCOMPARE(rig.store->needsSpotifyPrompt(), playback == QStringLiteral("stop"));
    }
    void extras_data()
    {
        QTest::addColumn<QStringList>("functions");
        QTest::addColumn<int>("sleep");
        QTest::addColumn<Control>("control");
        QTest::addColumn<QString>("sent"); // empty: nothing
        QTest::addColumn<QString>("shows"); // one extra afterwards, as shown()
        const auto row = [](const char *name, const QStringList &functions, int sleep, const Control &control,
                             const QString &sent, const QString &shows) {
            QTest::addRow("%s", name) << functions << sleep << control << sent << shows;
        };
        row(
            "running sleep timer at 47 goes to 60", { u"sleep"_s }, 47, [](ReceiverStore &s) { s.cycleSleep(); },
            u"main/setSleep?sleep=60"_s, u"sleep=60"_s);
        const auto dialogue
            = [](double level) { return Control([level](ReceiverStore &s) { s.setDialogueLevel(level); }); };
        row("dialogue level truncated", { u"dialogue_level"_s }, 0, dialogue(2.6), u"main/setDialogueLevel?value=2"_s,
            u"dialogue=2"_s);
        row("dialogue level not announced", {}, 0, dialogue(2), {}, u"dialogue=1"_s);
        row(
            "shuffle on to songs", {}, 0, [](ReceiverStore &s) { s.cycleShuffle(); }, u"netusb/setShuffle?mode=songs"_s,
            u"shuffle=songs"_s);
        row("favourites not announced", {}, 0, [](ReceiverStore &s) { s.recallFavourite(1); }, {}, {});
    }

    void extras()
    {
        QFETCH(QStringList, functions);
        QFETCH(int, sleep);
        QFETCH(Control, control);
        QFETCH(QString, sent);
        QFETCH(QString, shows);
        StoreRig rig;
        connectTo(rig, functions, sleep);

        control(*rig.store);
        QCOMPARE(changes(*rig.transport), sent.isEmpty() ? QStringList() : QStringList { sent });
        if (!shows.isEmpty()) {
            QCOMPARE(shown(*rig.store, shows.section(u'=', 0, 0)), shows);
        }
        QCOMPARE(rig.store->lastError(), std::nullopt);
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

    // The receiver's link is read with the other first reads where it can link, and again when its push event says
    // it changed; a failed read keeps the link read before (a line in the log, nothing on screen). Each row
    // shows the main zone's link ("-": none) after connecting and after the event.
    void link_data()
    {
        QTest::addColumn<bool>("announced");
        QTest::addColumn<bool>("failsLater");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<qsizetype>("reads");
        QTest::addRow("read at connect, and again on the event")
            << true << false << u"server Den"_s << u"client Den"_s << qsizetype(2);
        QTest::addRow("a failed read keeps the link")
            << true << true << u"server Den"_s << u"server Den"_s << qsizetype(2);
        QTest::addRow("not announced: never asked") << false << false << u"-"_s << u"-"_s << qsizetype(0);
    }

    void link()
    {
        QFETCH(bool, announced);
        QFETCH(bool, failsLater);
        QFETCH(qsizetype, reads);
        StoreRig rig;
        Features features = extrasFeatures({});
        if (announced) {
            features.distribution = DistributionFeatures {};
        }
        rig.transport->answerOnly(u"system/getFeatures"_s, features);
        const auto linked = [](const QString &role) {
            return DistributionInfo { 0, u"g1"_s, u"Den"_s, role, u"main"_s, {} };
        };
        rig.transport->answerOnly(u"dist/getDistributionInfo"_s, linked(u"server"_s));
        const auto shown = [&] {
            const auto link = Link::of(rig.store->state().distribution(), Zone::main);
            return !link
                ? u"-"_s
                : (link->role == Link::Role::server ? u"server "_s : u"client "_s) + link->group.value_or(QString());
        };
        rig.startConnected();
        QTEST(shown(), "before");

        QSignalSpy changed(&rig.store->state(), &ReceiverState::linkChanged);
        if (failsLater) {
            rig.transport->failOnly(u"dist/getDistributionInfo"_s, YXCError::http(500));
        } else {
            rig.transport->answerOnly(u"dist/getDistributionInfo"_s, linked(u"client"_s));
        }
        rig.store->handlePacket(R"({"dist":{"dist_info_updated":true}})");
        QTEST(shown(), "after");
        QCOMPARE(changed.count(), announced && !failsLater ? 1 : 0);
        QCOMPARE(rig.transport->count(u"dist/getDistributionInfo"_s), reads);
        QCOMPARE(rig.store->lastError(), std::nullopt);
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

QTEST_GUILESS_MAIN(TestReceiverStoreControls)
#include "tst_receiverstore_controls.moc"
