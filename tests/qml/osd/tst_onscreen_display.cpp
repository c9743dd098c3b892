// What the overlay shows for a change of the selected zone while the window is in the background, and for how
// long, over the preview receiver on a clock the test moves.

#include "../../app/TableRows.h"
#include "../PreviewRig.h"
#include "qml/DisplayText.h"
#include "qml/OnScreenDisplay.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace amplora;
using namespace std::chrono_literals;
using test::row;

namespace {

using Rig = test::PreviewRig;
using Change = std::function<void(Rig &)>;

// The preview receiver's main zone as its own remote or front panel would leave it; a poll shows it.
Change onReceiver(std::function<void(ZoneStatus &)> edit)
{
    return [edit](Rig &rig) {
        edit(rig.receiver->statuses()[Zone::main]);
        rig.refresh();
    };
}

void receiverVolume(ZoneStatus &status, double dB)
{
    status.actualVolume->value = dB;
    status.volume = int((dB + 80.5) * 2);
}

// A rig read once (the receiver's state as the connection found it) and the display over it.
struct Shown {
    QTemporaryDir dir; // settings of its own, which the default is read from
    Rig rig { std::make_unique<QSettings>(dir.filePath(QStringLiteral("a.conf")), QSettings::IniFormat) };
    bool inFront = false;
    OnScreenDisplay display { *rig.store, [this] { return inFront; } };
    QSignalSpy shown { &display, &OnScreenDisplay::changeShown };

    explicit Shown(bool muted = false)
    {
        rig.receiver->statuses()[Zone::main].mute = muted;
        rig.refresh();
    }
};

} // namespace

class TestOnScreenDisplay : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void changeShowsItsText_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("when"); // "window active", "switched off", "muted" (at the first read) or ""
        QTest::addColumn<QString>("text"); // empty: nothing shown

        const Change volume = [](Rig &rig) { rig.store->setVolume(-30.5); };
        const Change toggleMute = [](Rig &rig) { rig.store->toggleMute(); };
        const QString always;
        row("volume from another door", volume, always, QStringLiteral("-30.5 dB"));
        row("volume on the receiver", onReceiver([](ZoneStatus &s) { receiverVolume(s, -41); }), always,
            QStringLiteral("-41.0 dB"));
        row("mute", toggleMute, always, QStringLiteral("Muted"));
        row("unmute shows the level", toggleMute, QStringLiteral("muted"), QStringLiteral("-35.5 dB"));
        row("input by its friendly name", Change([](Rig &rig) { rig.store->setInput(QStringLiteral("hdmi1")); }),
            always, QStringLiteral("Apple TV"));
        row("sound program", Change([](Rig &rig) { rig.store->setSoundProgram(QStringLiteral("sci-fi")); }), always,
            QStringLiteral("Sci-Fi"));
        row("input and its program in one read", onReceiver([](ZoneStatus &s) {
            s.input = QStringLiteral("hdmi2");
            s.soundProgram = QStringLiteral("cellar_club");
        }),
            always, QStringLiteral("PlayStation 5"));
        row("a volume the next connection finds", Change([](Rig &rig) {
            receiverVolume(rig.receiver->statuses()[Zone::main], -41);
            QCoro::waitFor(rig.store->start());
        }),
            always, QString());
        row("a poll that finds what was there", Change([](Rig &rig) { rig.refresh(); }), always, QString());
        row("another zone selected", Change([](Rig &rig) { rig.store->setSelectedZone(Zone::zone2); }), always,
            QString());
        row("another zone's volume", Change([](Rig &rig) {
            receiverVolume(rig.receiver->statuses()[Zone::zone2], -20);
            rig.refresh();
        }),
            always, QString());
        row("a change that is not shown", Change([](Rig &rig) { (void)rig.store->setBass(4); }), always, QString());
        row("window active", volume, QStringLiteral("window active"), QString());
        row("switched off", volume, QStringLiteral("switched off"), QString());
    }

    void changeShowsItsText()
    {
        QFETCH(Change, change);
        QFETCH(QString, when);
        QFETCH(QString, text);
        Shown s(when == QStringLiteral("muted"));
        s.inFront = when == QStringLiteral("window active");
        s.rig.settings->setOnScreenDisplay(when != QStringLiteral("switched off"));

        change(s.rig);
        QCOMPARE(s.display.visible(), !text.isEmpty());
        QCOMPARE(s.display.text(), text);
        QCOMPARE(s.shown.count(), text.isEmpty() ? 0 : 1);
    }

    void firstReadShowsNothing()
    {
        QTemporaryDir dir;
        Rig rig(std::make_unique<QSettings>(dir.filePath(QStringLiteral("a.conf")), QSettings::IniFormat));
        OnScreenDisplay display(*rig.store, [] { return false; });
        rig.refresh();
        QVERIFY(!display.visible());
        QCOMPARE(display.text(), QString());
    }

    void shownForItsTimeAfterTheLastChange_data()
    {
        QTest::addColumn<QList<int>>("changesAt"); // ms after the first change
        QTest::addColumn<int>("lastShownAt"); // ms

        row("one change", QList<int> { 0 }, 1499);
        row("a second change 0.5 s later", QList<int> { 0, 500 }, 1999);
        row("a change as the first ends", QList<int> { 0, 1499 }, 2998);
    }

    void shownForItsTimeAfterTheLastChange()
    {
        QFETCH(QList<int>, changesAt);
        QFETCH(int, lastShownAt);
        Shown s;
        int now = 0;
        double dB = -40;
        for (const int at : changesAt) {
            s.rig.clock.advance(std::chrono::milliseconds(at - now));
            now = at;
            receiverVolume(s.rig.receiver->statuses()[Zone::main], dB += 1);
            s.rig.refresh();
            QVERIFY(s.display.visible());
        }
        QCOMPARE(s.display.text(), DisplayText::volumeReadout(dB));
        s.rig.clock.advance(std::chrono::milliseconds(lastShownAt - now));
        QVERIFY(s.display.visible());
        s.rig.clock.advance(1ms);
        QVERIFY(!s.display.visible());
        QCOMPARE(s.shown.count(), changesAt.size());
    }

    void switchingOffHidesAtOnce()
    {
        Shown s;
        s.rig.store->toggleMute();
        QVERIFY(s.display.visible());
        s.rig.settings->setOnScreenDisplay(false);
        QVERIFY(!s.display.visible());
    }

    // The knob's readout, which the overlay repeats: the same rows as the window's own rule.
    void volumeReadout_data()
    {
        QTest::addColumn<double>("dB");
        QTest::addColumn<QString>("text");
        row("whole", -30.0, QStringLiteral("-30.0 dB"));
        row("-35.25 rounds away from zero", -35.25, QStringLiteral("-35.5 dB"));
        row("-0.2 prints without a minus", -0.2, QStringLiteral("0.0 dB"));
        row("positive half", 2.25, QStringLiteral("2.5 dB"));
    }

    void volumeReadout()
    {
        QFETCH(double, dB);
        QTEST(DisplayText::volumeReadout(dB), "text");
    }
};

QTEST_MAIN(TestOnScreenDisplay)
#include "tst_onscreen_display.moc"
