// The zone rules the store and the control adapter share: a zone's volume in dB, the command and the capped
// target a volume change becomes, the step of a zone's scale, the tone mode and the state words.

#include "core/protocol/Features.h"
#include "core/store/ZoneRules.h"

#include <QTest>

#include <limits>

using namespace amplora;

namespace {

ZoneFeatures zoneWith(QStringList functions, std::optional<QStringList> toneModes = std::nullopt)
{
    ZoneFeatures zone;
    zone.id = QStringLiteral("main");
    zone.funcList = std::move(functions);
    zone.toneControlModeList = std::move(toneModes);
    zone.rangeStep
        = { { QStringLiteral("volume"), 0, 194, 1 }, { QStringLiteral("actual_volume_db"), -80.5, 16.5, 0.5 } };
    return zone;
}

const QStringList decibels { QStringLiteral("actual_volume") };

} // namespace

class TestZoneRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void volumeDB_data()
    {
        QTest::addColumn<std::optional<ActualVolume>>("actual");
        QTest::addColumn<std::optional<int>>("raw");
        QTest::addColumn<bool>("scaled");
        QTest::addColumn<std::optional<double>>("expected");
        const ActualVolume db { QStringLiteral("db"), -20.0, QStringLiteral("dB") };
        const ActualVolume other { QStringLiteral("numeric"), 50.0, std::nullopt };
        QTest::newRow("the receiver's decibels win")
            << std::optional(db) << std::optional(1) << true << std::optional(-20.0);
        QTest::newRow("raw steps on the scale")
            << std::optional<ActualVolume>() << std::optional(40) << true << std::optional(-60.5);
        QTest::newRow("another unit falls back to raw steps")
            << std::optional(other) << std::optional(121) << true << std::optional(-20.0);
        QTest::newRow("raw steps without a scale")
            << std::optional<ActualVolume>() << std::optional(40) << false << std::optional<double>();
        QTest::newRow("decibels without a value") << std::optional(ActualVolume { QStringLiteral("db"), {}, {} })
                                                  << std::optional<int>() << true << std::optional<double>();
    }

    void volumeDB()
    {
        QFETCH(std::optional<ActualVolume>, actual);
        QFETCH(std::optional<int>, raw);
        QFETCH(bool, scaled);
        ZoneStatus status;
        status.actualVolume = actual;
        status.volume = raw;
        const auto scale = scaled ? VolumeScale::from(zoneWith({})) : std::nullopt;
        QTEST(ZoneRules::volumeDB(status, scale), "expected");
    }

    // The store's volume change: the asked value snapped to the zone's grid and held under the cap, then sent in
    // decibels or raw steps, as the zone takes it.
    void volumeChange_data()
    {
        QTest::addColumn<QStringList>("functions");
        QTest::addColumn<double>("cap");
        QTest::addColumn<double>("asked");
        QTest::addColumn<double>("target");
        QTest::addColumn<std::optional<YXCCommand>>("sent");
        QTest::newRow("above the cap") << decibels << -20.0 << -10.0 << -20.0
                                       << std::optional(YXCCommand::setActualVolume(Zone::main, -20.0));
        QTest::newRow("snapped to the grid")
            << decibels << -20.0 << -35.26 << -35.5 << std::optional(YXCCommand::setActualVolume(Zone::main, -35.5));
        QTest::newRow("cap between grid values")
            << decibels << -20.3 << 0.0 << -20.5 << std::optional(YXCCommand::setActualVolume(Zone::main, -20.5));
        QTest::newRow("below the scale") << decibels << 0.0 << -120.0 << -80.5
                                         << std::optional(YXCCommand::setActualVolume(Zone::main, -80.5));
        QTest::newRow("raw steps without actual_volume")
            << QStringList {} << -20.0 << -30.5 << -30.5 << std::optional(YXCCommand::setVolume(Zone::main, 100));
        QTest::newRow("raw steps capped")
            << QStringList {} << -20.0 << 5.0 << -20.0 << std::optional(YXCCommand::setVolume(Zone::main, 121));
    }

    void volumeChange()
    {
        QFETCH(QStringList, functions);
        QFETCH(double, cap);
        QFETCH(double, asked);
        QFETCH(double, target);
        const ZoneFeatures zone = zoneWith(functions);
        const std::optional<VolumeScale> scale = VolumeScale::from(zone);
        QVERIFY(scale);
        const double limited = scale->limit(asked, cap);
        QCOMPARE(limited, target);
        QTEST(ZoneRules::volumeCommand(Zone::main, ZoneRules::takesDecibels(&zone), scale, limited), "sent");
    }

    void volumeCommandWithoutScale()
    {
        QCOMPARE(ZoneRules::volumeCommand(Zone::zone2, true, std::nullopt, -30.0),
            std::optional(YXCCommand::setActualVolume(Zone::zone2, -30.0)));
        QCOMPARE(ZoneRules::volumeCommand(Zone::zone2, false, std::nullopt, -30.0), std::nullopt);
        QVERIFY(!ZoneRules::takesDecibels(nullptr));
    }

    void steppedVolume_data()
    {
        QTest::addColumn<bool>("scaled");
        QTest::addColumn<ZoneRules::VolumeStep>("direction");
        QTest::addColumn<double>("expected");
        QTest::newRow("up one step of the zone") << true << ZoneRules::VolumeStep::up << -19.0;
        QTest::newRow("down one step of the zone") << true << ZoneRules::VolumeStep::down << -21.0;
        QTest::newRow("half a decibel without a scale") << false << ZoneRules::VolumeStep::up << -19.5;
    }

    void steppedVolume()
    {
        QFETCH(bool, scaled);
        QFETCH(ZoneRules::VolumeStep, direction);
        ZoneFeatures zone = zoneWith({});
        zone.rangeStep[1].step = 1.0; // a zone whose own step is not the half decibel of the fallback
        const auto scale = scaled ? VolumeScale::from(zone) : std::nullopt;
        QTEST(ZoneRules::steppedVolume(-20.0, scale, direction), "expected");
    }

    void manualToneMode_data()
    {
        QTest::addColumn<std::optional<QStringList>>("modes");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("manual listed") << std::optional(QStringList { QStringLiteral("auto"),
            QStringLiteral("manual") }) << std::optional(QStringLiteral("manual"));
        QTest::newRow("manual not listed")
            << std::optional(QStringList { QStringLiteral("auto") }) << std::optional<QString>();
        QTest::newRow("no mode list") << std::optional<QStringList>() << std::optional<QString>();
    }

    void manualToneMode()
    {
        QFETCH(std::optional<QStringList>, modes);
        const ZoneFeatures zone = zoneWith({}, modes);
        QTEST(ZoneRules::manualToneMode(&zone), "expected");
        QCOMPARE(ZoneRules::manualToneMode(nullptr), std::nullopt);
    }

    void sleepMinutes_data()
    {
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("next");
        QTest::newRow("off") << 0 << 0 << 30;
        QTest::newRow("negative") << -5 << 0 << 30;
        QTest::newRow("one minute rounds up") << 1 << 30 << 30;
        QTest::newRow("exact step") << 60 << 60 << 90;
        QTest::newRow("between steps, or counting down") << 61 << 90 << 90;
        QTest::newRow("last step") << 120 << 120 << 0;
        QTest::newRow("beyond the last step") << 121 << 120 << 0;
        QTest::newRow("huge") << std::numeric_limits<int>::max() << 120 << 0;
    }

    void sleepMinutes()
    {
        QFETCH(int, requested);
        QTEST(ZoneRules::sleepMinutes(requested), "set");
        QTEST(ZoneRules::nextSleepMinutes(requested), "next");
    }

    // A control exists only where the zone announces it; direct and pure direct are one switch.
    void announcedControls()
    {
        ZoneFeatures zone = zoneWith({ QStringLiteral("direct"), QStringLiteral("dialogue_level") });
        ZoneStatus status;
        status.direct = true;
        status.pureDirect = false;
        QCOMPARE(ZoneRules::directCommand(Zone::main, &zone, true), YXCCommand::setDirect(Zone::main, true));
        QCOMPARE(ZoneRules::directState(status, &zone), std::optional(true));
        QCOMPARE(ZoneRules::dialogueRange(&zone), nullptr); // announced without a range
        QCOMPARE(ZoneRules::sceneCount(&zone), 0);

        zone.funcList.append({ QStringLiteral("pure_direct"), QStringLiteral("scene") });
        zone.rangeStep.append({ QStringLiteral("dialogue_level"), 0, 3, 1 });
        zone.sceneNum = 4;
        QCOMPARE(ZoneRules::directCommand(Zone::zone2, &zone, false), YXCCommand::setPureDirect(Zone::zone2, false));
        QCOMPARE(ZoneRules::directState(status, &zone), std::optional(false));
        QCOMPARE(ZoneRules::dialogueRange(&zone)->max, 3.0);
        QCOMPARE(ZoneRules::sceneCount(&zone), 4);

        const ZoneFeatures bare = zoneWith({});
        QCOMPARE(ZoneRules::directCommand(Zone::main, &bare, true), std::nullopt);
        QCOMPARE(ZoneRules::directState(status, &bare), std::nullopt);
        QCOMPARE(ZoneRules::directCommand(Zone::main, nullptr, true), std::nullopt);
        QCOMPARE(ZoneRules::dialogueRange(nullptr), nullptr);
        zone.sceneNum = -3;
        QCOMPARE(ZoneRules::sceneCount(&zone), 0);
    }

    void stateWords()
    {
        ZoneStatus status;
        QVERIFY(!ZoneRules::isOn(status));
        QVERIFY(!ZoneRules::isOn(std::optional<ZoneStatus>()));
        status.power = ZoneRules::powerWord(true);
        QVERIFY(ZoneRules::isOn(std::optional(status)));
        status.power = ZoneRules::powerWord(false);
        QCOMPARE(status.power, QStringLiteral("standby"));
        QVERIFY(!ZoneRules::isOn(status));

        PlayInfo info;
        QVERIFY(!ZoneRules::isPlaying(std::nullopt));
        info.playback = ZoneRules::playbackWord(true);
        QVERIFY(ZoneRules::isPlaying(info));
        info.playback = ZoneRules::playbackWord(false);
        QCOMPARE(info.playback, QStringLiteral("pause"));
        QVERIFY(!ZoneRules::isPlaying(info) && !ZoneRules::isStopped(info));
        info.playback = QStringLiteral("stop");
        QVERIFY(ZoneRules::isStopped(info));
    }
};

QTEST_GUILESS_MAIN(TestZoneRules)
#include "tst_zonerules.moc"
