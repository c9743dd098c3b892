// The tray icon is a StatusNotifierItem: it registers with the desktop's StatusNotifierWatcher, follows the
// watcher as it comes and goes, and activating it opens the compact panel beside it; "Open Amplora" hands over to
// the main window. Runs under Xvfb with a private session bus and a stand-in watcher.

#include "app/tray/StatusNotifierItem.h"
#include "app/tray/TrayIcon.h"
#include "qml/MainWindowHost.h"

#include "../../qml/PreviewRig.h"
#include "../ControllerRig.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QPixmapCache>
#include <QPointer>
#include <QProcess>
#include <QQuickWindow>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace amplora;
using namespace amplora::app;
using namespace Qt::StringLiterals;

class TestTrayIcon : public QObject {
    Q_OBJECT

private:
    QProcess m_watcher;

    static LaunchOptions testLaunch()
    {
        LaunchOptions launch;
        launch.isRunningTests = true;
        return launch;
    }

    // The fakes behind the tray: a store on its own settings file, and the API controller the tray reports on.
    struct Rig {
        test::ControllerRig fakes;
        test::PreviewRig preview { std::make_unique<QSettings>(fakes.dir.filePath(u"app.conf"_s), QSettings::IniFormat),
            {}, testLaunch() };
        std::unique_ptr<APIController> controller = fakes.make();
        MainWindowHost windows { *preview.store, *preview.settings }; // last: it goes first
    };

    static QString itemService()
    {
        return u"org.kde.StatusNotifierItem-%1-1"_s.arg(QCoreApplication::applicationPid());
    }

    // Starts the stand-in watcher (a panel coming up) and waits until it owns its name.
    bool startWatcher(const QStringList &args)
    {
        m_watcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_watcher.start(u"/usr/bin/python3"_s, QStringList { QStringLiteral(FAKE_WATCHER) } + args);
        return m_watcher.waitForStarted() && watcherLine(u"ready"_s);
    }

    void stopWatcher()
    {
        if (m_watcher.state() != QProcess::NotRunning) {
            m_watcher.kill();
            m_watcher.waitForFinished();
        }
    }

    // Reads the watcher's lines until one starts with `prefix`; returns the rest of it.
    std::optional<QString> watcherLine(const QString &prefix)
    {
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            while (m_watcher.canReadLine()) {
                const QString line = QString::fromUtf8(m_watcher.readLine()).trimmed();
                if (line.startsWith(prefix)) {
                    return line.mid(prefix.size()).trimmed();
                }
            }
            m_watcher.waitForReadyRead(100);
            QCoreApplication::processEvents();
        }
        return std::nullopt;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || !QDBusConnection::sessionBus().isConnected()) {
            QSKIP("needs a display and a session bus (run through ctest: label xvfb)");
        }
    }

    void cleanup() { stopWatcher(); }

    void activatingTheIconOpensThePanel()
    {
        QVERIFY2(startWatcher({}), "the stand-in watcher did not start");
        Rig rig;

        int mainWindowOpened = 0;
        TrayIcon tray(rig.windows, *rig.preview.store, *rig.controller, [&mainWindowOpened] { ++mainWindowOpened; });
        tray.install();
        QCOMPARE(watcherLine(u"registered"_s), itemService());
        QTRY_VERIFY(tray.isAvailable());

        // What a host reads to draw the icon: the theme's name for it, or else the images at every size.
        const bool themed = QIcon::hasThemeIcon(u"org.amplora.Amplora-symbolic"_s);
        QCOMPARE(watcherLine(u"item"_s),
            u"ApplicationStatus org.amplora.Amplora Amplora Active False /NO_DBUSMENU "_s
                + (themed ? u"icon=org.amplora.Amplora-symbolic pixmaps= "_s
                          : u"icon= pixmaps=16x16:1024 22x22:1936 32x32:4096 48x48:9216 64x64:16384 "_s)
                + u"tooltip=Amplora"_s);

        // The stand-in host clicks the icon as soon as it appears.
        QVERIFY2(watcherLine(u"activated"_s), "the host's Activate call did not succeed");
        QTRY_VERIFY(tray.panelWindow() && tray.panelWindow()->isVisible());
        QVERIFY(tray.panelWindow()->findChild<QObject *>(u"menuBarView"_s));

        tray.openMainWindow();
        QCOMPARE(mainWindowOpened, 1);
        QVERIFY(!tray.panelWindow()->isVisible());
    }

    // A panel started after Amplora, one that quits, and one that restarts: the icon follows, and the process
    // keeps a way back to its window throughout.
    void theTrayFollowsTheWatcher()
    {
        Rig rig;
        QVERIFY(rig.windows.show());
        QTRY_VERIFY(rig.windows.window()->isExposed());
        int mainWindowOpened = 0;
        TrayIcon tray(rig.windows, *rig.preview.store, *rig.controller, [&] {
            ++mainWindowOpened;
            rig.windows.show();
        });
        QSignalSpy availability(&tray, &TrayIcon::availableChanged);

        tray.install();
        QTRY_COMPARE(availability.count(), 1);
        QCOMPARE(availability.takeFirst().constFirst().toBool(), false);
        QVERIFY(QGuiApplication::quitOnLastWindowClosed());
        QCOMPARE(mainWindowOpened, 0); // the window is on screen

        QVERIFY2(startWatcher({ u"--passive"_s }), "the stand-in watcher did not start");
        QCOMPARE(watcherLine(u"registered"_s), itemService());
        QTRY_COMPARE(availability.count(), 1);
        QCOMPARE(availability.takeFirst().constFirst().toBool(), true);
        QVERIFY(!QGuiApplication::quitOnLastWindowClosed());

        // Closed into the tray, the window is released; when the tray goes, it comes back.
        rig.windows.window()->close();
        QTRY_VERIFY(!rig.windows.window());
        stopWatcher();
        QTRY_COMPARE(availability.count(), 1);
        QCOMPARE(availability.takeFirst().constFirst().toBool(), false);
        QCOMPARE(mainWindowOpened, 1);
        QVERIFY(rig.windows.window() && rig.windows.window()->isVisible());
        QVERIFY(QGuiApplication::quitOnLastWindowClosed());

        QVERIFY2(startWatcher({ u"--passive"_s }), "the stand-in watcher did not start again");
        QCOMPARE(watcherLine(u"registered"_s), itemService());
        QTRY_COMPARE(availability.count(), 1);
        QCOMPARE(availability.takeFirst().constFirst().toBool(), true);

        // A watcher whose host (the panel drawing the icons) comes up after it: no tray until the host is there.
        stopWatcher();
        QTRY_COMPARE(availability.count(), 1);
        availability.clear();
        QVERIFY2(startWatcher({ u"--passive"_s, u"--host-later"_s }), "the stand-in watcher did not start");
        QCOMPARE(watcherLine(u"registered"_s), itemService());
        QVERIFY2(watcherLine(u"asked host"_s), "the icon did not ask for a host");
        QCoreApplication::processEvents();
        QVERIFY(availability.isEmpty());
        m_watcher.write("host\n");
        QTRY_COMPARE(availability.count(), 1);
        QCOMPARE(availability.takeFirst().constFirst().toBool(), true);
    }

    void pixmapsAreInNetworkOrder_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QByteArray>("bytes");
        QImage twoByOne(2, 1, QImage::Format_ARGB32);
        twoByOne.setPixel(0, 0, 0x80ff0010);
        twoByOne.setPixel(1, 0, 0xff203040);
        QTest::addRow("2x1, alpha first") << twoByOne << QByteArray("\x80\xff\x00\x10\xff\x20\x30\x40", 8);
    }

    void pixmapsAreInNetworkOrder()
    {
        QFETCH(QImage, image);
        QFETCH(QByteArray, bytes);
        const SniPixmap pixmap = SniPixmap::from(image);
        QCOMPARE(pixmap.width, image.width());
        QCOMPARE(pixmap.height, image.height());
        QCOMPARE(pixmap.bytes.toHex(' '), bytes.toHex(' '));
    }

    void closingTheMainWindow_data()
    {
        QTest::addColumn<bool>("release");
        QTest::addRow("nothing keeps the process: hidden") << false;
        QTest::addRow("the tray keeps the process: released") << true;
    }

    void closingTheMainWindow()
    {
        QFETCH(bool, release);
        Rig rig;
        rig.windows.setReleaseWhenClosed(release);
        QVERIFY(rig.windows.show());
        QPointer<QQuickWindow> first = rig.windows.window();
        QTRY_VERIFY(first->isExposed());

        first->close();
        QVERIFY(!first->isVisible());
        QCoreApplication::processEvents();
        QCOMPARE(first.isNull(), release);
        QCOMPARE(rig.windows.window() == nullptr, release);

        // Opened again, it shows the panel.
        QVERIFY(rig.windows.show());
        QVERIFY(rig.windows.window()->isVisible());
        QTRY_VERIFY(rig.windows.window()->findChild<QObject *>(u"contentView"_s));
    }

    // Closed into the tray, every window goes, and with the last of them the engine; each comes back on demand.
    void windowsClosedIntoTheTrayAreReleased()
    {
        Rig rig;
        rig.windows.setReleaseWhenClosed(true);
        TrayIcon tray(rig.windows, *rig.preview.store, *rig.controller, [&rig] { rig.windows.show(); });
        QVERIFY(!rig.windows.hasEngine());
        QVERIFY(rig.windows.show());
        QTRY_VERIFY(rig.windows.window()->isExposed());

        // The panel beside the open window: hidden, it goes, but the window keeps the engine.
        tray.showPanel({ 100, 100 });
        QVERIFY(tray.panelWindow()->isVisible());
        tray.togglePanel({ 100, 100 });
        QTRY_VERIFY(!tray.panelWindow());
        QVERIFY(rig.windows.hasEngine());

        // With the engine go the symbols the icon engines drew for the windows.
        const QString drawn = u"drawn for the window"_s;
        QPixmapCache::insert(drawn, QPixmap(8, 8));
        rig.windows.window()->close();
        QTRY_VERIFY(!rig.windows.hasEngine());
        QVERIFY(!rig.windows.window());
        QPixmap cached;
        QVERIFY(!QPixmapCache::find(drawn, &cached));

        // A new engine serves the panel, bound to the same receiver.
        tray.showPanel({ 100, 100 });
        QPointer<QQuickWindow> panel = tray.panelWindow();
        QVERIFY(panel && panel->isVisible());
        QTRY_VERIFY(panel->findChild<QObject *>(u"menuBarView"_s));
        // Hidden and shown again before the release runs, it stays.
        panel->hide();
        tray.showPanel({ 100, 100 });
        QCoreApplication::processEvents();
        QCOMPARE(tray.panelWindow(), panel.data());
        QVERIFY(panel->isVisible());

        // The settings window replaces the panel; closing it leaves nothing, and then no engine.
        tray.openSettings();
        QVERIFY(tray.settingsWindow() && tray.settingsWindow()->isVisible());
        QTRY_VERIFY(!panel);
        QVERIFY(rig.windows.hasEngine());
        tray.settingsWindow()->close();
        QTRY_VERIFY(!rig.windows.hasEngine());
        QVERIFY(!tray.settingsWindow());

        // "Open Amplora" builds the window again on a new engine.
        tray.openMainWindow();
        QVERIFY(rig.windows.window() && rig.windows.window()->isVisible());
        QTRY_VERIFY(rig.windows.window()->findChild<QObject *>(u"contentView"_s));
    }

    void panelStaysOnTheScreen_data()
    {
        QTest::addColumn<QPoint>("anchor");
        QTest::addColumn<QPoint>("position");
        QTest::addRow("top bar, middle") << QPoint(960, 12) << QPoint(960 - 174, 24);
        QTest::addRow("top bar, right corner") << QPoint(1910, 12) << QPoint(1920 - 348, 24);
        QTest::addRow("bottom panel, left corner") << QPoint(5, 1190) << QPoint(0, 1190 - 6 - 500);
        QTest::addRow("icon under the top edge") << QPoint(400, 40) << QPoint(400 - 174, 46);
    }

    void panelStaysOnTheScreen()
    {
        QFETCH(QPoint, anchor);
        QFETCH(QPoint, position);
        QCOMPARE(TrayIcon::panelPosition(anchor, QSize(348, 500), QRect(0, 24, 1920, 1176)), position);
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
