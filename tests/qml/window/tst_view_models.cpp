// The window's C++ side: the view models' values and notify signals over the preview receiver, the list models'
// rows, the symbol table, the brushed-metal texture and the choice of renderer.

#include "../../app/TableRows.h"
#include "../PreviewRig.h"
#include "core/store/FavouriteInput.h"
#include "qml/BrushedMetal.h"
#include "qml/SceneGraphBackend.h"
#include "qml/Symbols.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <numeric>

using namespace amplora;
using test::row;

namespace {

using Rig = test::PreviewRig;

using Change = std::function<void(Rig &)>;

// One role of every row, as text.
QStringList column(const ChoiceListModel &model, ChoiceListModel::Role role)
{
    QStringList values;
    for (int i = 0; i < model.rowCount(); ++i) {
        values.append(model.data(model.index(i), role).toString());
    }
    return values;
}

// Every view model of a rig by its QML name.
std::map<QString, QObject *> modelsOf(ViewModels &models)
{
    return { { QStringLiteral("Connection"), &models.connection }, { QStringLiteral("Volume"), &models.volume },
        { QStringLiteral("Sound"), &models.sound }, { QStringLiteral("Sources"), &models.sources },
        { QStringLiteral("NowPlaying"), &models.nowPlaying }, { QStringLiteral("SignalLamps"), &models.signal } };
}

// A spy on the notify signal of every property of every view model, keyed "Model.property".
std::map<QString, std::unique_ptr<QSignalSpy>> spyOnEveryProperty(ViewModels &models)
{
    std::map<QString, std::unique_ptr<QSignalSpy>> spies;
    for (const auto &[name, model] : modelsOf(models)) {
        const QMetaObject *meta = model->metaObject();
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            if (property.hasNotifySignal()) {
                spies[name + u'.' + QString::fromLatin1(property.name())]
                    = std::make_unique<QSignalSpy>(model, property.notifySignal());
            }
        }
    }
    return spies;
}

ChoiceListModel &listOf(ViewModels &models, const QString &name)
{
    if (name == QStringLiteral("zones")) {
        return *models.connection.zones();
    }
    if (name == QStringLiteral("soundPrograms")) {
        return *models.sources.soundPrograms();
    }
    if (name == QStringLiteral("favouriteInputs")) {
        return *models.sources.favouriteInputs();
    }
    return *models.sources.inputs();
}

Choice choice(const char *key, bool current = false)
{
    Choice c;
    c.key = QString::fromLatin1(key);
    c.name = c.key.toUpper();
    c.current = current;
    return c;
}

// A catalogue held in memory: it translates what it lists, by context and source text, and nothing else. The
// contexts are the ones the built catalogue uses, so a text that reaches the translator under another context,
// or not at all, stays English here.
class MemoryCatalogue : public QTranslator {
public:
    using Key = QPair<QString, QString>; // context, source

    explicit MemoryCatalogue(QHash<Key, QString> texts)
        : m_texts(std::move(texts))
    { }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        return m_texts.value({ QString::fromUtf8(context), QString::fromUtf8(source) });
    }
    bool isEmpty() const override { return false; }

private:
    QHash<Key, QString> m_texts;
};

using Reading = std::function<QString(Rig &)>;

} // namespace

class TestViewModels : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void displayState_data()
    {
        QTest::addColumn<bool>("connect");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("expected");
        row("before the first answer", false, true, QStringLiteral("notConnected"));
        row("connected and on", true, true, QStringLiteral("live"));
        row("connected in standby", true, false, QStringLiteral("standby"));
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
        QCOMPARE(rig.models->connection.displayState(), expected);
        QCOMPARE(rig.models->connection.zoneOn(), connect && on);
    }

    // A store change tells the view models it concerns and no other: a volume drag redraws the readout, not
    // the lists, the now-playing tile or the sound panel. `notified` must be announced; every other property of
    // a model not named there must stay quiet, and so must the `quiet` ones of the models named.
    void notifiesOnlyWhatChanged_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QStringList>("notified");
        QTest::addColumn<QStringList>("quiet");
        row("volume drag", Change([](Rig &rig) { rig.models->volume.setVolume(-30); }),
            QStringList { "Volume.volumeDB" }, QStringList { "Volume.muted", "Volume.minDB", "Volume.capDB" });
        row("mute", Change([](Rig &rig) { rig.models->volume.toggleMute(); }), QStringList { "Volume.muted" },
            QStringList { "Volume.volumeDB", "Connection.zoneOn", "Connection.displayState", "Sound.bassDB" });
        row("bass turned", Change([](Rig &rig) { rig.models->sound.setBassDB(1.5); }), QStringList { "Sound.bassDB" },
            QStringList { "Sound.trebleDB", "Sound.toneRange", "Volume.volumeDB" });
        row("zone switch", Change([](Rig &rig) { rig.models->connection.setSelectedZone(QStringLiteral("zone2")); }),
            QStringList { "Connection.selectedZone", "Connection.zoneOn", "Connection.zoneName", "Connection.zoneTitle",
                "Sound.hasSubwoofer", "NowPlaying.spotifyDeviceName", "SignalLamps.signalKey", "Volume.volumeDB" },
            QStringList { "Connection.modelName", "NowPlaying.track", "NowPlaying.artist" });
        row("enhancer", Change([](Rig &rig) { rig.models->sound.toggleEnhancer(); }), QStringList { "Sound.enhancer" },
            QStringList { "Sound.direct", "Sound.dialogueLevel", "Connection.sleepMinutes", "Volume.muted" });
        row("new track", Change([](Rig &rig) {
            rig.receiver->playInfo().track = QStringLiteral("Says");
            rig.refresh();
        }),
            QStringList { "NowPlaying.track", "NowPlaying.marqueeText", "NowPlaying.elapsedPlayTime" },
            QStringList { "NowPlaying.artist", "NowPlaying.albumArtSource", "Volume.volumeDB", "Sources.inputName",
                "Connection.displayTint", "Connection.zoneTitle" });
        row("display shown", Change([](Rig &rig) { rig.models->connection.setFrontPanelVisible(true); }),
            QStringList { "Connection.frontPanelVisible" }, QStringList { "Connection.zoneOn" });
        row("volume cap", Change([](Rig &rig) { rig.settings->setMaxVolumeDB(-10); }), QStringList { "Volume.capDB" },
            QStringList { "Volume.volumeDB", "Volume.maxDB" });
    }
    void notifiesOnlyWhatChanged()
    {
        QFETCH(Change, change);
        QFETCH(QStringList, notified);
        QFETCH(QStringList, quiet);
        // The settings the rows change stay in this test's own file.
        QTemporaryDir dir;
        Rig rig(std::make_unique<QSettings>(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
        rig.refresh();
        auto spies = spyOnEveryProperty(*rig.models);
        QSet<QString> concerned;
        for (const QString &name : notified) {
            QVERIFY2(spies.count(name), qPrintable(name));
            concerned.insert(name.section(u'.', 0, 0));
        }
        change(rig);
        for (const QString &name : notified) {
            QVERIFY2(!spies[name]->isEmpty(), qPrintable(name + QStringLiteral(" was not announced")));
        }
        for (const auto &[name, spy] : spies) {
            const bool mustBeQuiet = quiet.contains(name) || !concerned.contains(name.section(u'.', 0, 0));
            QVERIFY2(!mustBeQuiet || spy->isEmpty(), qPrintable(name + QStringLiteral(" was announced")));
        }
    }

    // The lists change rows in place when only names or the current entry change, and start over only when
    // the entries themselves change.
    void listRowsFollowTheStore_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("changedRows");
        QTest::addColumn<bool>("reset");
        QTest::addColumn<QString>("currentKey");
        QTest::addColumn<QString>("nameOfHdmi1");
        row("another input",
            Change([](Rig &rig) { rig.receiver->statuses()[Zone::main].input = QStringLiteral("hdmi1"); }),
            QStringLiteral("inputs"), 2, false, QStringLiteral("hdmi1"), QStringLiteral("Apple TV"));
        row("input renamed", Change([](Rig &rig) {
            for (IDText &name : rig.receiver->names().inputList) {
                if (name.id == QStringLiteral("hdmi1")) {
                    name.text = QStringLiteral("<b>Beamer</b>");
                }
            }
        }),
            QStringLiteral("inputs"), 1, false, QStringLiteral("spotify"), QStringLiteral("<b>Beamer</b>"));
        row("input gone from the zone",
            Change([](Rig &rig) { rig.receiver->features().zone[0].inputList.removeAll(QStringLiteral("tuner")); }),
            QStringLiteral("inputs"), 0, true, QStringLiteral("spotify"), QStringLiteral("Apple TV"));
        row("favourite button follows the input",
            Change([](Rig &rig) { rig.receiver->statuses()[Zone::main].input = QStringLiteral("hdmi1"); }),
            QStringLiteral("favouriteInputs"), 2, false, QStringLiteral("hdmi1"), QStringLiteral("Apple TV"));
        row("another program",
            Change([](Rig &rig) { rig.receiver->statuses()[Zone::main].soundProgram = QStringLiteral("2ch_stereo"); }),
            QStringLiteral("soundPrograms"), 2, false, QStringLiteral("2ch_stereo"), QString());
    }
    void listRowsFollowTheStore()
    {
        QFETCH(Change, change);
        QFETCH(QString, list);
        QFETCH(int, changedRows);
        QFETCH(bool, reset);
        QFETCH(QString, currentKey);
        QFETCH(QString, nameOfHdmi1);
        Rig rig;
        rig.refresh();
        ChoiceListModel &model = listOf(*rig.models, list);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        change(rig);
        rig.refresh();
        QCOMPARE(changed.count(), changedRows);
        QCOMPARE(resets.count(), reset ? 1 : 0);
        QCOMPARE(model.keyAt(model.currentIndex()), currentKey);
        const int hdmi1 = static_cast<int>(column(model, ChoiceListModel::KeyRole).indexOf(QStringLiteral("hdmi1")));
        QCOMPARE(
            hdmi1 < 0 ? QString() : model.data(model.index(hdmi1), ChoiceListModel::NameRole).toString(), nameOfHdmi1);
    }

    void choiceListUpdates_data()
    {
        QTest::addColumn<QList<Choice>>("before");
        QTest::addColumn<QList<Choice>>("after");
        QTest::addColumn<int>("changedRows");
        QTest::addColumn<bool>("reset");
        QTest::addColumn<int>("countSignals");
        QTest::addColumn<int>("currentSignals");
        const QList<Choice> abc { choice("a", true), choice("b"), choice("c") };
        row("the same list", abc, abc, 0, false, 0, 0);
        row("current moves", abc, QList<Choice> { choice("a"), choice("b"), choice("c", true) }, 2, false, 0, 1);
        Choice renamed = choice("b");
        renamed.name = QStringLiteral("Bee");
        row("one renamed", abc, QList<Choice> { choice("a", true), renamed, choice("c") }, 1, false, 0, 0);
        row("one more", abc, QList<Choice> { choice("a", true), choice("b"), choice("c"), choice("d") }, 0, true, 1, 0);
        row("reordered", abc, QList<Choice> { choice("b"), choice("a", true), choice("c") }, 0, true, 0, 1);
        row("emptied", abc, QList<Choice> {}, 0, true, 1, 1);
    }
    void choiceListUpdates()
    {
        QFETCH(QList<Choice>, before);
        QFETCH(QList<Choice>, after);
        QFETCH(int, changedRows);
        QFETCH(bool, reset);
        QFETCH(int, countSignals);
        QFETCH(int, currentSignals);
        ChoiceListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRows(before);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy counts(&model, &ChoiceListModel::countChanged);
        QSignalSpy currents(&model, &ChoiceListModel::currentIndexChanged);
        model.setRows(after);
        QCOMPARE(model.rows(), after);
        QCOMPARE(changed.count(), changedRows);
        QCOMPARE(resets.count(), reset ? 1 : 0);
        QCOMPARE(counts.count(), countSignals);
        QCOMPARE(currents.count(), currentSignals);
        QCOMPARE(model.keyAt(-1), QString());
        QCOMPARE(model.keyAt(model.count()), QString());
    }

    // The receiver's extras appear with the features that announce them, and go with them; the controls and
    // the display's indicator words show and hide in tst_panel.qml and tst_display.qml.
    void extrasFollowTheAnnouncements_data()
    {
        QTest::addColumn<bool>("announced");
        row("announced", true);
        row("not announced", false);
    }
    void extrasFollowTheAnnouncements()
    {
        QFETCH(bool, announced);
        Rig rig;
        rig.announceExtras(announced);
        rig.refresh();
        ViewModels &models = *rig.models;
        QCOMPARE(column(*models.sources.favourites(), ChoiceListModel::NumberRole),
            announced ? QStringList({ "1", "3" }) : QStringList());
        QCOMPARE(models.sound.dialogueLevel(), announced ? QVariant(1) : QVariant());
        QCOMPARE(models.sound.dialogueRange().value("max").toDouble(), 3.0);
    }

    void favouriteInputsResolveByIdAndByName()
    {
        Rig rig;
        rig.refresh();
        const ChoiceListModel &favourites = *rig.models->sources.favouriteInputs();
        QCOMPARE(column(favourites, ChoiceListModel::LabelRole),
            QStringList({ "Spotify", "AirPlay", "Apple TV", "PS5", "TV", "Tuner", "Phono" }));
        QCOMPARE(column(favourites, ChoiceListModel::KeyRole),
            QStringList({ "spotify", "airplay", "hdmi1", "hdmi2", "tv", "tuner", "phono" }));
        QCOMPARE(column(favourites, ChoiceListModel::CurrentRole),
            QStringList({ "true", "false", "false", "false", "false", "false", "false" }));
    }

    // Volume and tone ranges in dB, from the zone's features or the common ones.
    void ranges_data()
    {
        QTest::addColumn<QList<RangeStep>>("ranges");
        QTest::addColumn<QList<double>>("volume");
        QTest::addColumn<bool>("scaleKnown");
        QTest::addColumn<QVariantMap>("tone");
        const auto range = [](double min, double max, double step) {
            return QVariantMap { { "min", min }, { "max", max }, { "step", step } };
        };
        row("from the features",
            QList<RangeStep> { { "actual_volume_db", -60, 10, 0.5 }, { "tone_control", -12, 12, 1 } },
            QList<double> { -60, 10, 0.5 }, true, range(-6, 6, 0.5));
        row("a narrower tone range", QList<RangeStep> { { "tone_control", -6, 6, 2 } },
            QList<double> { -80.5, 16.5, 0.5 }, false, range(-3, 3, 1));
        row("missing ranges fall back", QList<RangeStep> {}, QList<double> { -80.5, 16.5, 0.5 }, false,
            range(-6, 6, 0.5));
        row("reversed and stepless ranges fall back",
            QList<RangeStep> { { "actual_volume_db", 10, -60, 0.5 }, { "tone_control", -6, 6, 0 } },
            QList<double> { -80.5, 16.5, 0.5 }, false, range(-6, 6, 0.5));
    }
    void ranges()
    {
        QFETCH(QList<RangeStep>, ranges);
        QFETCH(QList<double>, volume);
        QFETCH(bool, scaleKnown);
        QFETCH(QVariantMap, tone);
        Rig rig;
        rig.receiver->features().zone[0].rangeStep = ranges;
        QSignalSpy scaleChanges(&rig.models->volume, &VolumeModel::scaleChanged);
        rig.refresh();
        const VolumeModel &model = rig.models->volume;
        // The scale's values share one signal, sent once for all of them.
        QCOMPARE(scaleChanges.count(), scaleKnown ? 1 : 0);
        QCOMPARE(QList<double>({ model.minDB(), model.maxDB(), model.stepDB() }), volume);
        QCOMPARE(model.scaleKnown(), scaleKnown);
        QCOMPARE(rig.models->sound.toneRange(), tone);
    }

    // Bass, treble and subwoofer travel as raw half-decibel steps; the window reads and sends decibels.
    void toneLevelsInDecibels_data()
    {
        QTest::addColumn<int>("raw");
        QTest::addColumn<double>("shownDB");
        QTest::addColumn<double>("requestedDB");
        QTest::addColumn<int>("sentRaw");
        row("raw 4 is 2 dB", 4, 2.0, 2.5, 5);
        row("negative", -3, -1.5, -6.0, -12);
        row("zero", 0, 0.0, 0.5, 1);
    }
    void toneLevelsInDecibels()
    {
        QFETCH(int, raw);
        QFETCH(double, shownDB);
        QFETCH(double, requestedDB);
        QFETCH(int, sentRaw);
        Rig rig;
        auto &status = rig.receiver->statuses()[Zone::main];
        status.toneControl = ToneControl { QStringLiteral("manual"), raw, raw };
        status.subwooferVolume = raw;
        rig.refresh();
        SoundModel &sound = rig.models->sound;
        QCOMPARE(sound.bassDB(), QVariant(shownDB));
        QCOMPARE(sound.trebleDB(), QVariant(shownDB));
        QCOMPARE(sound.subwooferDB(), QVariant(shownDB));
        sound.setBassDB(requestedDB);
        sound.setTrebleDB(requestedDB);
        sound.setSubwooferDB(requestedDB);
        for (const char *level : { "bass", "treble", "subwoofer" }) {
            QCOMPARE(rig.store->displayedLevel(QString::fromLatin1(level)), std::optional<int>(sentRaw));
        }
        QCOMPARE(sound.bassDB(), QVariant(requestedDB));
    }

    void playTexts_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("total");
        QTest::addColumn<QVariant>("expectedTotal");
        QTest::addColumn<bool>("network");
        row("network source with a length", QStringLiteral("spotify"), 245, QVariant(245), true);
        row("a stream without an end", QStringLiteral("net_radio"), 0, QVariant(), true);
        row("HDMI is not a network source", QStringLiteral("hdmi1"), 245, QVariant(245), false);
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
        QCOMPARE(rig.models->nowPlaying.networkSource(), network);
        QCOMPARE(rig.models->nowPlaying.totalTime(), expectedTotal);
        QCOMPARE(rig.models->nowPlaying.marqueeText().isEmpty(), !network);
    }

    // The named case shows in tst_panel.qml's Spotify prompt.
    void spotifyDeviceNameWithoutAZoneName()
    {
        Rig unnamed;
        unnamed.receiver->names().zoneList.clear();
        unnamed.refresh();
        QCOMPARE(unnamed.models->nowPlaying.spotifyDeviceName(), QStringLiteral("this receiver"));
        QCOMPARE(unnamed.models->connection.zoneName(), QStringLiteral("Main"));
    }

    void signalTexts()
    {
        Rig rig;
        rig.refresh();
        const SignalModel &signal = rig.models->signal;
        QCOMPARE(signal.format(), QStringLiteral("\u2014"));
        rig.store->setSignalStripVisible(true);
        rig.store->signalVisibilityChanged();
        QCoro::waitFor(rig.store->fetchSignal());
        QCOMPARE(signal.summary(), QStringLiteral("DOLBY  /  ATMOS  /  Dolby Atmos  /  48 kHz  /  24 bit"));
        QCOMPARE(signal.detail(), QStringLiteral("640 kbps"));
        QCOMPARE(column(*rig.models->signal.formatLamps(), ChoiceListModel::NameRole),
            QStringList({ "DOLBY", "ATMOS", "DTS", "DTS:X", "PCM" }));
        QCOMPARE(column(*rig.models->signal.formatLamps(), ChoiceListModel::CurrentRole),
            QStringList({ "true", "true", "false", "false", "false" }));
    }

    // What the window shows goes through the user's catalogue; what the window compares or keys on does not.
    void displayTextsFollowTheCatalogue_data()
    {
        QTest::addColumn<bool>("connect");
        QTest::addColumn<Reading>("reading");
        QTest::addColumn<QString>("expected");
        const auto names = [](ChoiceListModel *list) { return column(*list, ChoiceListModel::NameRole).join(u','); };
        const auto keys = [](ChoiceListModel *list) { return column(*list, ChoiceListModel::KeyRole).join(u','); };
        row("footer before the first answer", false,
            Reading([](Rig &rig) { return rig.models->connection.statusLine(); }), QStringLiteral("Verbinde \u2026"));
        row("zone name the receiver does not give", true,
            Reading([](Rig &rig) { return rig.models->connection.zoneName(); }), QStringLiteral("Hauptzone"));
        row("zone menu", true, Reading([names](Rig &rig) { return names(rig.models->connection.zones()); }),
            QStringLiteral("Hauptzone,Zone2"));
        row("zone title", true,
            Reading([](Rig &rig) { return rig.models->connection.zoneTitle().section(u' ', 0, 0); }),
            QStringLiteral("Hauptzone"));
        row("Spotify device", true, Reading([](Rig &rig) { return rig.models->nowPlaying.spotifyDeviceName(); }),
            QStringLiteral("diesen Receiver"));
        row("scene buttons", true, Reading([names](Rig &rig) { return names(rig.models->sources.receiverScenes()); }),
            QStringLiteral("Szene 1,Szene 2,Szene 3"));
        row("zone lamps", true,
            Reading([names](Rig &rig) { return names(rig.models->signal.indicators()).section(u',', 0, 1); }),
            QStringLiteral("HAUPT,ZONE2"));
        row("signal detail", true, Reading([](Rig &rig) { return rig.models->signal.detail(); }),
            QStringLiteral("Keine Signalinformation"));
        row("lamp keys", true,
            Reading([keys](Rig &rig) { return keys(rig.models->signal.indicators()).section(u',', 0, 1); }),
            QStringLiteral("MAIN,ZONE2"));
        row("zone keys", true, Reading([keys](Rig &rig) { return keys(rig.models->connection.zones()); }),
            QStringLiteral("main,zone2"));
        row("display state", true, Reading([](Rig &rig) { return rig.models->connection.displayState(); }),
            QStringLiteral("live"));
        row("repeat mode", true, Reading([](Rig &rig) { return rig.models->nowPlaying.repeatMode(); }),
            QStringLiteral("all"));
    }
    void displayTextsFollowTheCatalogue()
    {
        QFETCH(bool, connect);
        QFETCH(Reading, reading);
        QFETCH(QString, expected);
        const auto german = [](const char *context, const char *source, const char *text) {
            return std::pair { MemoryCatalogue::Key(QString::fromUtf8(context), QString::fromUtf8(source)),
                QString::fromUtf8(text) };
        };
        MemoryCatalogue catalogue({ german("amplora::DisplayText", "Connecting\u2026", "Verbinde \u2026"),
            german("amplora::DisplayText", "Main", "Hauptzone"),
            german("amplora::ConnectionModel", "Main", "Hauptzone"),
            german("amplora::NowPlayingModel", "this receiver", "diesen Receiver"),
            german("amplora::SourcesModel", "Scene %1", "Szene %1"), german("amplora::SignalModel", "MAIN", "HAUPT"),
            german("amplora::SignalModel", "No signal information", "Keine Signalinformation"),
            // Words the window compares, as a careless catalogue might translate them.
            german("amplora::ConnectionModel", "live", "an"), german("amplora::NowPlayingModel", "all", "alle") });
        QVERIFY(QCoreApplication::installTranslator(&catalogue));
        Rig rig;
        rig.announceExtras(true);
        rig.receiver->names().zoneList.clear();
        if (connect) {
            rig.refresh();
        }
        QCOMPARE(reading(rig), expected);
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

        // The software renderer paints the runs: they must give back the picture, every row covered once.
        const BrushedMetal::Runs runs(first);
        QImage painted(first.size(), QImage::Format_Grayscale8);
        painted.fill(0);
        qsizetype count = 0;
        for (int y = 0; y < first.height(); ++y) {
            int x = 0;
            for (const BrushedMetal::Runs::Run &run : runs.row(y)) {
                QCOMPARE(run.x, x);
                std::memset(painted.scanLine(y) + run.x, run.grey, static_cast<size_t>(run.width));
                x += run.width;
                ++count;
            }
            QCOMPARE(x, first.width());
        }
        QCOMPARE(painted, first);
        QVERIFY2(count < first.width() * first.height() / 50, qPrintable(QString::number(count)));

        // Dark grey metal: no pixel darker than the veil's middle (a stroke that wrapped past white would be) or
        // brighter than a few hairlines laid over each other, a top lighter than the middle, and hairlines
        // across most rows.
        int darkest = 255;
        int brightest = 0;
        int streakedRows = 0;
        const auto rowMean = [&first](int y) {
            const uchar *row = first.constScanLine(y);
            return std::accumulate(row, row + first.width(), 0) / first.width();
        };
        for (int y = 0; y < first.height(); ++y) {
            const uchar *row = first.constScanLine(y);
            const auto [low, high] = std::minmax_element(row, row + first.width());
            darkest = std::min<int>(darkest, *low);
            brightest = std::max<int>(brightest, *high);
            streakedRows += *low != *high ? 1 : 0;
        }
        QCOMPARE(darkest, 18);
        QVERIFY2(brightest < 96, qPrintable(QString::number(brightest)));
        QVERIFY(rowMean(0) > rowMean(200));
        QVERIFY(streakedRows > first.height() / 2);
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

QTEST_MAIN(TestViewModels)
#include "tst_view_models.moc"
