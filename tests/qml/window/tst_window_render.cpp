// Renders the main window at 1920 x 1080 under Xvfb, once through OpenGL and once with the software renderer (the
// choice without a GPU), and checks what can break on a real screen: the design canvas's scale and centring, the
// texture behind it, the display mode.

#include "../PreviewRig.h"
#include "qml/BrushedMetal.h"
#include "qml/MainWindowHost.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QTest>

using namespace amplora;

class TestWindowRender : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::PreviewRig> m_rig;
    std::unique_ptr<MainWindowHost> m_host;

    QQuickItem *find(const char *name) const
    {
        return m_host->window()->findChild<QQuickItem *>(QString::fromLatin1(name));
    }
    QImage grab() const
    {
        // Two frames, so the grab shows the state after the last change.
        QTest::qWait(50);
        return m_host->window()->grabWindow();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_rig = std::make_unique<test::PreviewRig>();
        m_host = std::make_unique<MainWindowHost>(*m_rig->store, *m_rig->settings);
        QVERIFY(m_host->show());
        QQuickWindow *window = m_host->window();
        QCOMPARE(window->title(), QStringLiteral("Amplora"));
        QCOMPARE(window->size(), QSize(1152, 768));
        QCOMPARE(window->minimumSize(), QSize(960, 640));
        window->resize(1920, 1080);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        // The window's launch task connects once the first frame is on screen.
        QTRY_COMPARE(m_rig->store->connection().name(), QStringLiteral("connected"));
    }

    void cleanupTestCase()
    {
        m_host.reset();
        m_rig.reset();
    }

    void canvasIsScaledAndCentred()
    {
        QTRY_COMPARE(m_host->window()->width(), 1920);
        QQuickItem *canvas = find("canvas");
        QVERIFY(canvas);
        QTRY_COMPARE(canvas->scale(), 1080.0 / 1024.0);
        QCOMPARE(canvas->x(), (1920 - 1536 * 1080.0 / 1024.0) / 2);
        QCOMPARE(canvas->y(), 0.0);
    }

    void controlsRenderOnTheTexture()
    {
        const QImage shot = grab();
        QCOMPARE(shot.size(), QSize(1920, 1080) * m_host->window()->devicePixelRatio());
        // Left of the canvas only the background shows: it must be the texture, drawn the same on every render.
        const QImage texture = BrushedMetal::render(QSize(1920, 1080)).convertToFormat(QImage::Format_RGB32);
        const QImage margin = shot.copy(0, 0, 140, 1080).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(margin, texture.copy(0, 0, 140, 1080));
        // The canvas itself holds the panel: lit amber text and dark glass, not an empty texture.
        const QImage panel = shot.copy(150, 0, 1620, 1080);
        QVERIFY(panel != texture.copy(150, 0, 1620, 1080));
        QVERIFY(find("volumeKnob")->isVisible());
    }

    void displayModeRendersAndReturns()
    {
        const QImage controls = grab();
        m_rig->settings->setFrontPanelDisplay(true);
        QTRY_VERIFY(find("liveDisplay") && find("liveDisplay")->isVisible());
        QVERIFY(m_rig->store->frontPanelVisible());
        const QImage display = grab();
        QVERIFY(display != controls);
        QCOMPARE(display.copy(0, 0, 140, 1080), controls.copy(0, 0, 140, 1080));

        m_rig->settings->setFrontPanelDisplay(false);
        QTRY_VERIFY(find("volumeKnob"));
        QTRY_VERIFY(!m_rig->store->frontPanelVisible());
        QCOMPARE(grab().copy(0, 0, 140, 1080), controls.copy(0, 0, 140, 1080));
    }

    void smallestWindowKeepsProportions()
    {
        QQuickWindow *window = m_host->window();
        window->resize(960, 640);
        QTRY_COMPARE(window->height(), 640);
        QQuickItem *canvas = find("canvas");
        QTRY_COMPARE(canvas->scale(), 640.0 / 1024.0);
        QCOMPARE(canvas->x(), 0.0);
        QCOMPARE(canvas->y(), 0.0);
    }
};

QTEST_MAIN(TestWindowRender)
#include "tst_window_render.moc"
