// The overlay window: made only once a change is shown, frameless, never focused and letting the pointer through,
// near the bottom centre of the screen, with the change as plain text a screen reader can read.

#include "../PreviewRig.h"
#include "qml/MainWindowHost.h"
#include "qml/OnScreenDisplay.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

using namespace amplora;
using namespace std::chrono_literals;

class TestOnScreenOverlay : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void showsTheChangeWithoutTakingTheFocus()
    {
        test::PreviewRig rig;
        MainWindowHost host(*rig.store, *rig.settings);
        rig.refresh();
        QCOMPARE(host.overlay(), nullptr); // nothing changed yet, nothing made

        rig.store->setInput(QStringLiteral("hdmi2"));
        QQuickWindow *overlay = host.overlay();
        QVERIFY(overlay);
        QVERIFY(overlay->isVisible());
        const Qt::WindowFlags flags = overlay->flags();
        for (const Qt::WindowType flag :
            { Qt::ToolTip, Qt::FramelessWindowHint, Qt::WindowDoesNotAcceptFocus, Qt::WindowTransparentForInput }) {
            QVERIFY2(flags.testFlag(flag), qPrintable(QString::number(flag, 16)));
        }
        const auto *text = overlay->findChild<QQuickItem *>(QStringLiteral("onScreenText"));
        QVERIFY(text);
        QCOMPARE(text->property("text").toString(), QStringLiteral("PlayStation 5"));
        QVERIFY(QTest::qWaitForWindowExposed(overlay));
        QVERIFY2(!text->property("truncated").toBool(), "the overlay is as wide as its text");
        // Names come from the network.
        QCOMPARE(text->property("textFormat").toInt(), int(Qt::PlainText));
        QVERIFY(QGuiApplication::focusWindow() != overlay);

        // Bottom centre of the screen.
        const QRect screen = overlay->screen()->geometry();
        const QRect placed = overlay->geometry();
        QVERIFY2(qAbs(placed.center().x() - screen.center().x()) <= 1,
            qPrintable(QStringLiteral("%1 in %2").arg(placed.center().x()).arg(screen.width())));
        QVERIFY(placed.top() > screen.center().y() && placed.bottom() < screen.bottom());

        rig.clock.advance(OnScreenDisplay::shownFor);
        QVERIFY(!overlay->isVisible());
        // The next change shows in the same window.
        rig.store->toggleMute();
        QCOMPARE(host.overlay(), overlay);
        QVERIFY(overlay->isVisible());
        QCOMPARE(text->property("text").toString(), QStringLiteral("Muted"));
    }
};

QTEST_MAIN(TestOnScreenOverlay)
#include "tst_onscreen_overlay.moc"
