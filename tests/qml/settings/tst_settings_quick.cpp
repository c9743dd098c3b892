// Runs the Qt Quick Tests of the settings window, the save sheet and the tray panel. Each test file gets its
// own engine with a fresh rig: the store over the preview receiver as the module's singletons, and the API
// settings over in-memory fakes as SettingsRig.api.

#include "SettingsRig.h"
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
        auto *rig = new test::SettingsRig(engine);
        MainWindowHost::prepare(*engine, rig->models(), rig->settings());
        qmlRegisterSingletonInstance("Amplora.Testing", 1, 0, "SettingsRig", rig);
    }
};

QUICK_TEST_MAIN_WITH_SETUP(settings, Setup)

#include "tst_settings_quick.moc"
