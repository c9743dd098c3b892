// The API settings' side of the settings window: scene maps to and from QML, saving with the sheet's answer,
// the current status it reads, and the token on the clipboard.

#include "app/controller/APIController.h"
#include "app/settings/APISettings.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"

#include "../ControllerRig.h"

#include <QClipboard>
#include <QCoroTask>
#include <QGuiApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace amplora;
using namespace amplora::app;
using namespace Qt::StringLiterals;

namespace {

struct Rig {
    test::ControllerRig fakes;
    AppSettings settings { std::make_unique<QSettings>(fakes.dir.filePath(u"app.conf"_s), QSettings::IniFormat) };
    ReceiverStore store { settings, LaunchOptions {} };
    std::unique_ptr<APIController> controller = fakes.make();
    std::unique_ptr<APISettings> api = std::make_unique<APISettings>(*controller, store);
};

} // namespace

class TestAPISettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sceneMapsRoundTrip()
    {
        api::ReceiverScene scene;
        scene.name = u"Movie"_s;
        scene.zone = api::Zone::zone2;
        scene.power = api::PowerState::on;
        scene.input = u"HDMI 1"_s;
        scene.volumeDb = -30;
        scene.rampSeconds = 8; // a window that edits the scene keeps its fade
        scene.bass = -2;
        scene.sleep = 45;
        scene.direct = false;
        scene.favourite = u"Harbour FM"_s;
        const QVariantMap map = APISettings::sceneMap(scene);
        QCOMPARE(map.value(u"zone"_s).toString(), u"zone2"_s);
        QVERIFY(!map.contains(u"treble"_s));
        QCOMPARE(APISettings::sceneFromMap(map), std::optional(scene));
    }

    void unusableMapsAreRefused_data()
    {
        QTest::addColumn<QVariantMap>("map");
        const QVariantMap good { { "name", "Quiet" }, { "volumeDb", -40.0 } };
        const auto with = [&good](const QString &key, const QVariant &value) {
            QVariantMap map = good;
            map.insert(key, value);
            return map;
        };
        QTest::addRow("blank name") << with("name", "  \t ");
        QTest::addRow("name not text") << with("name", 7);
        QTest::addRow("unknown zone") << with("zone", "kitchen");
        QTest::addRow("unknown power") << with("power", "toggle");
        QTest::addRow("volume as text") << with("volumeDb", "-30");
        QTest::addRow("volume not finite") << with("volumeDb", qInf());
        QTest::addRow("bass as Boolean") << with("bass", true);
        QTest::addRow("input not text") << with("input", 3);
        QTest::addRow("sleep not whole") << with("sleep", 30.5);
        QTest::addRow("direct as a number") << with("direct", 1);
    }

    void unusableMapsAreRefused()
    {
        QFETCH(QVariantMap, map);
        QCOMPARE(APISettings::sceneFromMap(map), std::nullopt);
    }

    // The sheet's answer, trimmed name and failure text are tst_settings.qml's; here the list it shows follows.
    void savingUpdatesTheList()
    {
        Rig rig;
        QSignalSpy finished(rig.api.get(), &APISettings::sceneSaveFinished);
        QSignalSpy listChanged(rig.api.get(), &APISettings::scenesChanged);
        rig.api->saveScene({ { "name", "Late night" }, { "volumeDb", -45.5 } });
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QCOMPARE(listChanged.count(), 1);
        QCOMPARE(rig.api->scenes().first().toMap().value("volumeDb").toDouble(), -45.5);
    }

    void currentStatusLeavesUnknownFieldsOutAndSaysWhyItFailed()
    {
        Rig rig;
        api::ReceiverStatus &status = rig.fakes.control->zoneStatus(api::Zone::main);
        status.power = api::PowerState::on;
        status.input = u"Spotify"_s;
        status.volumeDb = -30;
        status.treble = 1.5;
        QSignalSpy read(rig.api.get(), &APISettings::currentStatusRead);
        rig.api->readCurrentStatus();
        QTRY_COMPARE(read.count(), 1);
        QCOMPARE(read.at(0).at(0).toMap(),
            (QVariantMap { { "power", u"on"_s }, { "input", u"Spotify"_s }, { "volumeDb", -30.0 }, { "treble", 1.5 },
                { "mute", false }, { "zone", u"main"_s } }));
        QCOMPARE(read.at(0).at(1).toString(), QString());

        rig.fakes.control->failOnReceiver(u"status"_s, u"The receiver did not answer."_s);
        rig.api->readCurrentStatus();
        QTRY_COMPARE(read.count(), 2);
        QVERIFY(read.at(1).at(0).toMap().isEmpty());
        QVERIFY(read.at(1).at(1).toString().contains(u"The receiver did not answer."_s));
    }

    void copyPutsTheTokenOnTheClipboardAsPlainText()
    {
        Rig rig;
        QVERIFY(!rig.api->copyToken()); // nothing loaded yet
        QCoro::waitFor(rig.controller->loadToken());
        QGuiApplication::clipboard()->setText(u"something else"_s);
        QVERIFY(rig.api->copyToken());
        QCOMPARE(QGuiApplication::clipboard()->text(), u"tok"_s);
    }
};

QTEST_MAIN(TestAPISettings)
#include "tst_apisettings.moc"
