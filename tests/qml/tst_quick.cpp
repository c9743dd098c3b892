// Runs the Qt Quick Tests of the window, the settings window and the tray panel. Each test file gets its own engine
// and, with it, a fresh store over the preview receiver, reachable from QML as the module's singletons and as
// TestReceiver.

#include "TestReceiver.h"
#include "qml/MainWindowHost.h"

#include <QQmlEngine>
#include <QStandardPaths>
#include <QtQuickTest>

using namespace amplora;

class Setup : public QObject {
    Q_OBJECT

public Q_SLOTS:
    void applicationAvailable() { QStandardPaths::setTestModeEnabled(true); }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        auto *receiver = new test::TestReceiver(engine);
        MainWindowHost::prepare(*engine, receiver->models(), receiver->settings());
        qmlRegisterSingletonInstance("Amplora.Testing", 1, 0, "TestReceiver", receiver);
    }
};

QUICK_TEST_MAIN_WITH_SETUP(amplora, Setup)

#include "tst_quick.moc"
