// The tray icon registers with the desktop's StatusNotifierWatcher, and activating it opens the compact panel
// beside it; "Open Amplora" hands over to the main window. Runs under Xvfb with a private session bus.

#include "app/tray/TrayIcon.h"
#include "qml/MainWindowHost.h"

#include "../../qml/PreviewRig.h"
#include "../ControllerRig.h"

#include <QApplication>
#include <QDBusConnection>
#include <QPointer>
#include <QProcess>
#include <QQuickWindow>
#include <QSettings>
#include <QTest>

using namespace amplora;
using namespace amplora::app;
using namespace Qt::StringLiterals;

class TestTrayIcon : public QObject {
    Q_OBJECT

private:
    QProcess m_watcher;
    QString m_registered;

    static LaunchOptions testLaunch()
    {
        LaunchOptions launch;
        launch.isRunningTests = true;
        return launch;
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
        // The watcher must be there before Qt first asks whether a tray exists.
        m_watcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_watcher.start(u"/usr/bin/python3"_s, { QStringLiteral(FAKE_WATCHER) });
        QVERIFY(m_watcher.waitForStarted());
        QVERIFY2(watcherLine(u"ready"_s), "the stand-in watcher did not start");
    }

    void cleanupTestCase()
    {
        if (m_watcher.state() != QProcess::NotRunning) {
            m_watcher.kill();
            m_watcher.waitForFinished();
        }
    }

    void activatingTheIconOpensThePanel()
    {
        test::ControllerRig fakes;
        test::PreviewRig rig(
            std::make_unique<QSettings>(fakes.dir.filePath(u"app.conf"_s), QSettings::IniFormat), {}, testLaunch());
        const auto controller = fakes.make();

        int mainWindowOpened = 0;
        MainWindowHost windows(*rig.store, *rig.settings);
        TrayIcon tray(windows, *rig.store, *controller, [&mainWindowOpened] { ++mainWindowOpened; });
        QVERIFY(tray.install());
        QVERIFY(!QGuiApplication::quitOnLastWindowClosed());

        const auto item = watcherLine(u"registered"_s);
        QVERIFY2(item, "the icon never registered with the watcher");

        // The stand-in host clicks the icon as soon as it appears.
        QVERIFY2(watcherLine(u"activated"_s), "the host's Activate call did not succeed");
        QTRY_VERIFY(tray.panelWindow() && tray.panelWindow()->isVisible());
        QVERIFY(tray.panelWindow()->findChild<QObject *>(u"menuBarView"_s));

        tray.openMainWindow();
        QCOMPARE(mainWindowOpened, 1);
        QVERIFY(!tray.panelWindow()->isVisible());
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
        test::ControllerRig fakes;
        test::PreviewRig rig(
            std::make_unique<QSettings>(fakes.dir.filePath(u"app.conf"_s), QSettings::IniFormat), {}, testLaunch());
        MainWindowHost windows(*rig.store, *rig.settings);
        windows.setReleaseWhenClosed(release);
        QVERIFY(windows.show());
        QPointer<QQuickWindow> first = windows.window();
        QTRY_VERIFY(first->isExposed());

        first->close();
        QVERIFY(!first->isVisible());
        QCoreApplication::processEvents();
        QCOMPARE(first.isNull(), release);
        QCOMPARE(windows.window() == nullptr, release);

        // Opened again, it shows the panel.
        QVERIFY(windows.show());
        QVERIFY(windows.window()->isVisible());
        QTRY_VERIFY(windows.window()->findChild<QObject *>(u"contentView"_s));
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
