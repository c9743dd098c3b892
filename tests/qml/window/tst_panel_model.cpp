// The window's C++ side: the panel model's values and notify signals over the preview receiver, the symbol table, the
// brushed-metal texture and the choice of renderer.

#include "../PreviewRig.h"
#include "core/store/FavouriteInput.h"
#include "qml/BrushedMetal.h"
#include "qml/SceneGraphBackend.h"
#include "qml/Symbols.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <functional>
#include <map>

using namespace amplora;

namespace {

using Rig = test::PreviewRig;

using Change = std::function<void(Rig &)>;

QStringList labels(const QVariantList &list, const char *key)
{
    QStringList result;
    for (const QVariant &entry : list) {
        result.append(entry.toMap().value(QString::fromLatin1(key)).toString());
    }
    return result;
}

} // namespace

class TestPanelModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void displayState_data()
    {
        QTest::addColumn<bool>("connect");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("expected");
        QTest::addRow("before the first answer") << false << true << "notConnected";
        QTest::addRow("connected and on") << true << true << "live";
        QTest::addRow("connected in standby") << true << false << "standby";
    }
    void displayState()
    {
        QFETCH(bool, connect);
        QFETCH(bool, on);
        QFETCH(QString, expected);
        Rig rig;
        rig.receiver->statuses()[Zone::main].power = on ? QStringLiteral("on") : QStringLiteral("standby");
        if (connect) {
            rig.refresh();
        }
        QCOMPARE(rig.panel->displayState(), expected);
        QCOMPARE(rig.panel->zoneOn(), connect && on);
    }

    // Each property announces its own changes, and only real ones: a volume drag must not redraw the lists.
    void notifiesOnlyWhatChanged_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QStringList>("notified");
        QTest::addColumn<QStringList>("quiet");
        QTest::addRow("volume drag") << Change([](Rig &rig) { rig.panel->setVolume(-30); })
                                     << QStringList { "displayedVolumeDB" }
                                     << QStringList { "zones", "inputs", "volumeRange", "muted", "track" };
        QTest::addRow("mute") << Change([](Rig &rig) { rig.panel->toggleMute(); }) << QStringList { "muted" }
                              << QStringList { "displayedVolumeDB", "inputs", "zoneOn", "indicators" };
        QTest::addRow("zone switch") << Change([](Rig &rig) { rig.panel->setSelectedZone(QStringLiteral("zone2")); })
                                     << QStringList { "selectedZone", "zoneOn", "zones", "indicators" }
                                     << QStringList { "modelName", "track", "artist" };
        QTest::addRow("enhancer") << Change([](Rig &rig) { rig.panel->toggleEnhancer(); })
                                  << QStringList { "enhancer", "indicators" }
                                  << QStringList { "direct", "sleepMinutes", "favourites", "dialogueLevel", "muted" };
        QTest::addRow("new track") << Change([](Rig &rig) {
            rig.receiver->playInfo().track = QStringLiteral("Says");
            rig.refresh();
        }) << QStringList { "track", "marqueeText", "elapsedPlayTime" }
                                   << QStringList { "artist", "muted", "inputs", "displayedVolumeDB" };
    }
    void notifiesOnlyWhatChanged()
    {
        QFETCH(Change, change);
        QFETCH(QStringList, notified);
        QFETCH(QStringList, quiet);
        Rig rig;
        rig.refresh();
        std::map<QString, std::unique_ptr<QSignalSpy>> spies;
        const QMetaObject *meta = rig.panel->metaObject();
        for (const QString &name : notified + quiet) {
            const QMetaProperty property = meta->property(meta->indexOfProperty(qPrintable(name)));
            QVERIFY2(property.hasNotifySignal(), qPrintable(name));
            spies[name] = std::make_unique<QSignalSpy>(rig.panel.get(), property.notifySignal());
        }
        change(rig);
        for (const QString &name : notified) {
            QVERIFY2(!spies[name]->isEmpty(), qPrintable(name + QStringLiteral(" was not announced")));
        }
        for (const QString &name : quiet) {
            QVERIFY2(spies[name]->isEmpty(), qPrintable(name + QStringLiteral(" was announced without a change")));
        }
    }

    // The receiver's extras appear with the features that announce them, and go with them.
    void extrasFollowTheAnnouncements_data()
    {
        QTest::addColumn<bool>("announced");
        QTest::addRow("announced") << true;
        QTest::addRow("not announced") << false;
    }
    void extrasFollowTheAnnouncements()
    {
        QFETCH(bool, announced);
        Rig rig;
        rig.announceExtras(announced);
        rig.refresh();
        const auto &panel = *rig.panel;
        QCOMPARE(QList<bool>({ panel.supportsSleep(), panel.supportsDirect(), panel.supportsEnhancer(),
                     panel.supportsDialogue(), panel.supportsRepeat(), panel.supportsShuffle() }),
            QList<bool>(6, announced));
        QCOMPARE(labels(panel.favourites(), "name"),
            announced ? QStringList({ "Harbour FM", "Vinyl Rips" }) : QStringList());
        QCOMPARE(labels(panel.favourites(), "number"), announced ? QStringList({ "1", "3" }) : QStringList());
        QCOMPARE(labels(panel.receiverScenes(), "name"),
            announced ? QStringList({ "Scene 1", "Scene 2", "Scene 3" }) : QStringList());
        QCOMPARE(panel.repeatMode(), announced ? QStringLiteral("all") : QString());
        QCOMPARE(panel.dialogueLevel(), announced ? QVariant(1) : QVariant());
        QCOMPARE(panel.dialogueRange().value("max").toDouble(), 3.0);
        const QStringList words = labels(panel.indicators(), "word");
        QCOMPARE(words.contains(QStringLiteral("PURE DIRECT")), announced);
        QCOMPARE(words.contains(QStringLiteral("ENHANCER")), announced);
    }

    void favouriteInputsResolveByIdAndByName()
    {
        Rig rig;
        rig.refresh();
        const QVariantList favourites = rig.panel->favouriteInputs();
        QCOMPARE(labels(favourites, "label"),
            QStringList({ "Spotify", "AirPlay", "Apple TV", "PS5", "TV", "Tuner", "Phono" }));
        QCOMPARE(
            labels(favourites, "id"), QStringList({ "spotify", "airplay", "hdmi1", "hdmi2", "tv", "tuner", "phono" }));
        QCOMPARE(labels(favourites, "selected"),
            QStringList({ "true", "false", "false", "false", "false", "false", "false" }));
    }

    void ranges_data()
    {
        QTest::addColumn<QList<RangeStep>>("ranges");
        QTest::addColumn<QVariantMap>("volume");
        QTest::addColumn<QVariantMap>("tone");
        const auto range = [](double min, double max, double step, std::optional<bool> known = std::nullopt) {
            QVariantMap map { { "min", min }, { "max", max }, { "step", step } };
            if (known) {
                map.insert("known", *known);
            }
            return map;
        };
        QTest::addRow("from the features")
            << QList<RangeStep> { { "actual_volume_db", -60, 10, 0.5 }, { "tone_control", -6, 6, 0.5 } }
            << range(-60, 10, 0.5, true) << range(-6, 6, 0.5);
        QTest::addRow("missing ranges fall back")
            << QList<RangeStep> {} << range(-80.5, 16.5, 0.5, false) << range(-12, 12, 1);
        QTest::addRow("reversed and stepless ranges fall back")
            << QList<RangeStep> { { "actual_volume_db", 10, -60, 0.5 }, { "tone_control", -6, 6, 0 } }
            << range(-80.5, 16.5, 0.5, false) << range(-12, 12, 1);
    }
    void ranges()
    {
        QFETCH(QList<RangeStep>, ranges);
        QFETCH(QVariantMap, volume);
        QFETCH(QVariantMap, tone);
        Rig rig;
        rig.receiver->features().zone[0].rangeStep = ranges;
        rig.refresh();
        QCOMPARE(rig.panel->volumeRange(), volume);
        QCOMPARE(rig.panel->toneRange(), tone);
    }

    void playTexts_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("total");
        QTest::addColumn<QVariant>("expectedTotal");
        QTest::addColumn<bool>("network");
        QTest::addRow("network source with a length") << "spotify" << 245 << QVariant(245) << true;
        QTest::addRow("a stream without an end") << "net_radio" << 0 << QVariant() << true;
        QTest::addRow("HDMI is not a network source") << "hdmi1" << 245 << QVariant(245) << false;
    }
    void playTexts()
    {
        QFETCH(QString, input);
        QFETCH(int, total);
        QFETCH(QVariant, expectedTotal);
        QFETCH(bool, network);
        Rig rig;
        rig.receiver->statuses()[Zone::main].input = input;
        rig.receiver->playInfo().totalTime = total;
        rig.refresh();
        QCOMPARE(rig.panel->networkSource(), network);
        QCOMPARE(rig.panel->totalTime(), expectedTotal);
    }

    // The named case shows in tst_panel.qml's Spotify prompt.
    void spotifyDeviceNameWithoutAZoneName()
    {
        Rig unnamed;
        unnamed.receiver->names().zoneList.clear();
        unnamed.refresh();
        QCOMPARE(unnamed.panel->spotifyDeviceName(), QStringLiteral("this receiver"));
    }

    void signalTexts()
    {
        Rig rig;
        rig.refresh();
        QCOMPARE(rig.panel->signalStrip().value("format").toString(), QStringLiteral("\u2014"));
        rig.store->setSignalStripVisible(true);
        rig.store->signalVisibilityChanged();
        QCoro::waitFor(rig.store->fetchSignal());
        QCOMPARE(rig.panel->signalSummary(), QStringLiteral("DOLBY  /  ATMOS  /  Dolby Atmos  /  48 kHz  /  24 bit"));
        QCOMPARE(rig.panel->signalDetail(), QStringLiteral("640 kbps"));
        const QVariantList lamps = rig.panel->signalStrip().value("lamps").toList();
        QCOMPARE(labels(lamps, "label"), QStringList({ "DOLBY", "ATMOS", "DTS", "DTS:X", "PCM" }));
        QCOMPARE(labels(lamps, "lit"), QStringList({ "true", "true", "false", "false", "false" }));
    }

    void everyFavouriteHasItsOwnIcon()
    {
        const QString fallback = Symbols::iconName(QStringLiteral("no such symbol"));
        for (const FavouriteInput &favourite : FavouriteInput::all()) {
            QVERIFY2(
                Symbols::iconName(favourite.symbol).endsWith(QStringLiteral("-symbolic")), qPrintable(favourite.label));
            QVERIFY2(Symbols::iconName(favourite.symbol) != fallback, qPrintable(favourite.label));
        }
    }

    void textureIsTheSameEveryTime()
    {
        const QImage first = BrushedMetal::render(QSize(640, 400));
        QCOMPARE(first.size(), QSize(640, 400));
        QVERIFY(!first.hasAlphaChannel());
        QCOMPARE(BrushedMetal::render(QSize(640, 400)), first);
        QVERIFY(BrushedMetal::render(QSize(640, 401)) != first);
    }

    void unusableSizesDrawNothing_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addRow("empty") << QSize(0, 400);
        QTest::addRow("negative") << QSize(-5, 10);
        QTest::addRow("absurd") << QSize(100000, 10);
    }
    void unusableSizesDrawNothing()
    {
        QFETCH(QSize, size);
        QVERIFY(BrushedMetal::render(size).isNull());
    }

    void rendererFollowsTheMachine_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QStringList>("gpuDevices");
        QTest::addColumn<bool>("software");
        const QStringList gpu { "/dev/dri/renderD128" };
        QTest::addRow("GPU") << QStringList {} << gpu << false;
        QTest::addRow("no GPU") << QStringList {} << QStringList {} << true;
        QTest::addRow("Mesa told to rasterise") << QStringList { "LIBGL_ALWAYS_SOFTWARE=1" } << gpu << true;
        QTest::addRow("Mesa told not to") << QStringList { "LIBGL_ALWAYS_SOFTWARE=0" } << gpu << false;
        QTest::addRow("CPU Gallium driver") << QStringList { "GALLIUM_DRIVER=llvmpipe" } << gpu << true;
        QTest::addRow("GPU Gallium driver") << QStringList { "GALLIUM_DRIVER=radeonsi" } << gpu << false;
        QTest::addRow("Qt Quick backend chosen") << QStringList { "QT_QUICK_BACKEND=rhi" } << QStringList {} << false;
        QTest::addRow("OpenGL chosen") << QStringList { "QSG_RHI_BACKEND=opengl", "LIBGL_ALWAYS_SOFTWARE=1" }
                                       << QStringList {} << false;
    }
    void rendererFollowsTheMachine()
    {
        QFETCH(QStringList, environment);
        QFETCH(QStringList, gpuDevices);
        QFETCH(bool, software);
        QProcessEnvironment variables;
        for (const QString &entry : environment) {
            variables.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        }
        QCOMPARE(SceneGraphBackend::preferSoftware(variables, gpuDevices), software);
    }
};

QTEST_MAIN(TestPanelModel)
#include "tst_panel_model.moc"
