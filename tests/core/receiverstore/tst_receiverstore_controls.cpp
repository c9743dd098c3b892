// Controls of the receiver store: throttled continuous controls, the edit hold, the volume cap, optimistic
// updates with their rollbacks, read-only refusals and the Spotify hand-off.

#include "StoreRig.h"

#include <QSignalSpy>
#include <QTest>

using namespace amplora;
using namespace amplora::test;
using namespace std::chrono_literals;

class TestReceiverStoreControls : public QObject {
    Q_OBJECT

    static QStringList sentPaths(const ScriptedTransport &transport)
    {
        QStringList paths;
        for (const QString &entry : transport.log()) {
            if (entry.contains(QStringLiteral("/set"))) {
                paths.append(entry);
            }
        }
        return paths;
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
        QCOMPARE(sentPaths(*rig.transport),
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

    // The store's wiring of the zone rules (their own rows are in tst_zonerules): the shown value and the
    // command both held under the cap, in the unit the zone takes.
    void volumeTargets_data()
    {
        QTest::addColumn<QStringList>("functions");
        QTest::addColumn<double>("cap");
        QTest::addColumn<double>("asked");
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("sent");

        const QStringList actual { QStringLiteral("actual_volume") };
        QTest::addRow("above the cap") << actual << -20.0 << -10.0 << -20.0
                                       << QStringLiteral("main/setActualVolume?mode=db&value=-20.0");
        QTest::addRow("raw steps capped")
            << QStringList {} << -20.0 << 5.0 << -20.0 << QStringLiteral("main/setVolume?volume=121");
    }

    void volumeTargets()
    {
        QFETCH(QStringList, functions);
        QFETCH(double, cap);
        QFETCH(double, asked);
        QFETCH(double, stored);
        QFETCH(QString, sent);
        StoreRig rig;
        rig.transport->answerOnly(QStringLiteral("system/getFeatures"), sampleFeatures(functions));
        rig.settings->setMaxVolumeDB(cap);
        rig.startConnected();
        rig.transport->clearLog();

        rig.store->setVolume(asked);
        QCOMPARE(rig.store->editValue(QStringLiteral("volume.main")), stored);
        QCOMPARE(sentPaths(*rig.transport), QStringList { sent });
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
};

QTEST_GUILESS_MAIN(TestReceiverStoreControls)
#include "tst_receiverstore_controls.moc"
