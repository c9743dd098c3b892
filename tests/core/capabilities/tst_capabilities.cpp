// The receiver's functions, one unit each: whether a zone has one (from what it announces), its range and units,
// the command a request becomes and the refusal when the zone does not take it.

#include "core/capabilities/Levels.h"
#include "core/capabilities/Playback.h"
#include "core/capabilities/Power.h"
#include "core/capabilities/Presets.h"
#include "core/capabilities/Switches.h"
#include "core/capabilities/Tone.h"
#include "core/capabilities/Volume.h"
#include "support/CommandText.h"

#include "../../app/TableRows.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace amplora;
using test::outcomeText;
using test::row;

namespace {

// A zone announcing `functions`, with the ranges given as "id:min:max" and the usual volume scale.
ZoneFeatures zoneWith(const QString &functions, const QString &ranges = {})
{
    ZoneFeatures zone;
    zone.id = QStringLiteral("main");
    zone.funcList = functions.split(u' ', Qt::SkipEmptyParts);
    zone.rangeStep
        = { { QStringLiteral("volume"), 0, 194, 1 }, { QStringLiteral("actual_volume_db"), -80.5, 16.5, 0.5 } };
    for (const QString &range : ranges.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = range.split(u':');
        zone.rangeStep.append({ parts[0], parts[1].toDouble(), parts[2].toDouble(), 1 });
    }
    zone.sceneNum = 4;
    return zone;
}

} // namespace

Q_DECLARE_METATYPE(amplora::Levels::DecibelRange)

class TestCapabilities : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every request a zone can refuse, on the zone as announced: what goes out, or why nothing does.
    void requests_data()
    {
        QTest::addColumn<QString>("functions");
        QTest::addColumn<QString>("ranges");
        QTest::addColumn<std::function<Refusable<YXCCommand>(const ZoneFeatures *)>>("request");
        QTest::addColumn<QString>("expected");
        using Request = std::function<Refusable<YXCCommand>(const ZoneFeatures *)>;
        const auto bass = [](double dB) -> Request {
            return [dB](const ZoneFeatures *z) { return Tone::checkedCommand(Zone::main, z, dB, std::nullopt); };
        };
        const auto sub = [](double dB) -> Request {
            return [dB](const ZoneFeatures *z) { return Subwoofer::checkedCommand(Zone::zone2, z, dB); };
        };
        const Request directOn = [](const ZoneFeatures *z) { return Direct::command(Zone::main, z, true); };
        const auto dialogue = [](int level) -> Request {
            return [level](const ZoneFeatures *z) { return Dialogue::command(Zone::main, z, level); };
        };
        const Request enhancerOn
            = [](const ZoneFeatures *z) { return Switch::checkedCommand(Capability::enhancer, Zone::main, z, true); };
        const auto scene = [](int number) -> Request {
            return [number](const ZoneFeatures *z) { return ReceiverScenes::recall(Zone::main, z, number); };
        };

        row("bass on an announced -12..12 range", "tone_control", "tone_control:-12:12", bass(5.5),
            QStringLiteral("main/setToneControl?bass=11"));
        row("bass beyond the common range fits a wider one", "tone_control", "tone_control:-20:20", bass(-9.75),
            QStringLiteral("main/setToneControl?bass=-20"));
        row("bass not a number", "tone_control", "", bass(std::numeric_limits<double>::quiet_NaN()),
            QStringLiteral("refused: Bass nan dB is outside main's range of -6 to 6 dB."));
        row("bass without tone_control", "subwoofer_volume", "tone_control:-12:12", bass(1),
            QStringLiteral("refused: main has no tone control."));
        row("subwoofer in a zone announcing it", "subwoofer_volume", "subwoofer_volume:-12:12", sub(1.5),
            QStringLiteral("zone2/setSubwooferVolume?volume=3"));
        row("subwoofer outside its range", "subwoofer_volume", "subwoofer_volume:-4:4", sub(-2.5),
            QStringLiteral("refused: Subwoofer -2.5 dB is outside zone2's range of -2 to 2 dB."));
        row("pure direct before direct", "direct pure_direct", "", directOn,
            QStringLiteral("main/setPureDirect?enable=true"));
        row("direct alone", "direct", "", directOn, QStringLiteral("main/setDirect?enable=true"));
        row("dialogue announced without a range", "dialogue_level", "", dialogue(1),
            QStringLiteral("refused: main has no dialogue level."));
        row("enhancer not announced", "", "", enhancerOn, QStringLiteral("refused: main has no enhancer."));
        row("scene buttons not announced", "", "", scene(1), QStringLiteral("refused: main has no scene buttons."));
    }

    void requests()
    {
        QFETCH(QString, functions);
        QFETCH(QString, ranges);
        QFETCH(std::function<Refusable<YXCCommand>(const ZoneFeatures *)>, request);
        const ZoneFeatures zone = zoneWith(functions, ranges);
        QTEST(outcomeText(request(&zone)), "expected");
        // A receiver whose features are not known yet has none of them.
        QVERIFY(!request(nullptr));
    }

    // What the status's raw half-decibel steps read as, in dB, and a decibel value as raw steps.
    void levelsRead()
    {
        ZoneStatus status;
        QCOMPARE(Tone::bassDb(status), std::nullopt);
        status.toneControl = ToneControl { QStringLiteral("manual"), 4, -3 };
        status.subwooferVolume = 3;
        QCOMPARE(Tone::bassDb(status), 2.0);
        QCOMPARE(Tone::trebleDb(status), -1.5);
        QCOMPARE(Subwoofer::db(status), 1.5);
        // Half a step rounds away from zero.
        QCOMPARE(Levels::rawLevel(1.25), 3);
        QCOMPARE(Levels::rawLevel(-1.25), -3);
        QCOMPARE(Levels::rawLevel(1.2), 2);
    }

    // The tone range in dB a zone announces in raw steps; the common one where the announcement is of no use.
    void toneRange_data()
    {
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("step");
        QTest::addColumn<Levels::DecibelRange>("expected");
        const Levels::DecibelRange common { -6, 6, 0.5 };
        row("raw -12..12 is 6 dB either way", -12.0, 12.0, 1.0, common);
        row("a narrower receiver", -6.0, 6.0, 1.0, Levels::DecibelRange { -3, 3, 0.5 });
        row("two raw steps a click", -12.0, 12.0, 2.0, Levels::DecibelRange { -6, 6, 1.0 });
        row("reversed", 12.0, -12.0, 1.0, common);
        row("fractional step", -12.0, 12.0, 0.5, common);
        row("not a number", qQNaN(), 12.0, 1.0, common);
    }

    void toneRange()
    {
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(double, step);
        ZoneFeatures zone;
        zone.rangeStep = { RangeStep { QStringLiteral("tone_control"), min, max, step } };
        QTEST(Levels::toneRangeDb(&zone), "expected");
        QCOMPARE(Levels::subwooferRangeDb(&zone), (Levels::DecibelRange { -6, 6, 0.5 }));
        QCOMPARE(Levels::toneRangeDb(nullptr), (Levels::DecibelRange { -6, 6, 0.5 }));
    }

    // The one "is playing" rule, for every word the player uses: a play/pause button pauses whatever moves.
    void playing_data()
    {
        QTest::addColumn<std::optional<QString>>("playback");
        QTest::addColumn<bool>("playing");
        QTest::addColumn<PlaybackAction>("toggle");
        row("a word the player does not use", std::optional(QStringLiteral("Play")), false, PlaybackAction::play);
        row("no playback word", std::optional<QString>(), false, PlaybackAction::play);
    }

    void playing()
    {
        QFETCH(std::optional<QString>, playback);
        PlayInfo info;
        info.playback = playback;
        QTEST(Playback::isPlaying(info), "playing");
        QTEST(Playback::toggled(info), "toggle");
        QVERIFY(!Playback::isPlaying(std::nullopt));
    }

    // Repeat and shuffle: only what is playing now offers them.
    void playerModes_data()
    {
        QTest::addColumn<std::optional<QStringList>>("offered");
        QTest::addColumn<std::optional<QString>>("current");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<std::optional<QString>>("next");
        const std::optional<QStringList> all { { QStringLiteral("off"), QStringLiteral("one"),
            QStringLiteral("all") } };
        row("the cycle wraps", all, std::optional(QStringLiteral("all")), QStringLiteral("off"),
            QStringLiteral("netusb/setRepeat?mode=off"), std::optional(QStringLiteral("off")));
        row("an unlisted current mode starts the cycle", all, std::optional(QStringLiteral("shuffle")),
            QStringLiteral("off"), QStringLiteral("netusb/setRepeat?mode=off"), std::optional(QStringLiteral("off")));
        row("a mode not offered", std::optional(QStringList { QStringLiteral("off") }), std::optional<QString>(),
            QStringLiteral("one"), QStringLiteral("refused: What is playing offers no repeat \"one\"; it offers: off."),
            std::optional(QStringLiteral("off")));
        row("an empty list offers nothing", std::optional(QStringList {}), std::optional<QString>(),
            QStringLiteral("off"), QStringLiteral("refused: main has no repeat."), std::optional<QString>());
        row("no list offers nothing", std::optional<QStringList>(), std::optional<QString>(), QStringLiteral("off"),
            QStringLiteral("refused: main has no repeat."), std::optional<QString>());
    }

    void playerModes()
    {
        QFETCH(std::optional<QStringList>, offered);
        QFETCH(std::optional<QString>, current);
        QFETCH(QString, asked);
        PlayInfo info;
        info.repeatAvailable = offered;
        info.repeat = current;
        QTEST(outcomeText(PlayerModes::command(Capability::repeat, Zone::main, info, asked)), "sent");
        QTEST(PlayerModes::next(Capability::repeat, info), "next");
    }

    void sleepSettings_data()
    {
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("next");
        row("off", 0, 0, 30);
        row("negative", -5, 0, 30);
        row("exact step", 60, 60, 90);
        row("between steps, or counting down", 61, 90, 90);
        row("last step", 120, 120, 0);
        row("huge", std::numeric_limits<int>::max(), 120, 0);
    }

    void sleepSettings()
    {
        QFETCH(int, requested);
        QTEST(Sleep::minutes(requested), "set");
        QTEST(Sleep::next(requested), "next");
    }

    void powerWords_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<std::optional<PowerState>>("parsed");
        row("on", QStringLiteral("on"), std::optional(PowerState::on));
        row("standby in capitals, padded", QStringLiteral(" STANDBY "), std::optional(PowerState::standby));
        row("off means standby", QStringLiteral("Off"), std::optional(PowerState::standby));
        row("toggle", QStringLiteral("toggle"), std::optional(PowerState::toggle));
        row("anything else", QStringLiteral("onn"), std::optional<PowerState>());
        row("nothing", QString(), std::optional<PowerState>());
    }

    void powerWords()
    {
        QFETCH(QString, word);
        QTEST(Power::parse(word), "parsed");
    }

    void volumeDb_data()
    {
        QTest::addColumn<std::optional<ActualVolume>>("actual");
        QTest::addColumn<std::optional<int>>("raw");
        QTest::addColumn<bool>("scaled");
        QTest::addColumn<std::optional<double>>("expected");
        const ActualVolume db { QStringLiteral("db"), -20.0, QStringLiteral("dB") };
        const ActualVolume other { QStringLiteral("numeric"), 50.0, std::nullopt };
        row("the receiver's decibels win", std::optional(db), std::optional(1), true, std::optional(-20.0));
        row("raw steps on the scale", std::optional<ActualVolume>(), std::optional(40), true, std::optional(-60.5));
        row("another unit falls back to raw steps", std::optional(other), std::optional(121), true,
            std::optional(-20.0));
        row("raw steps without a scale", std::optional<ActualVolume>(), std::optional(40), false,
            std::optional<double>());
        row("decibels without a value", std::optional(ActualVolume { QStringLiteral("db"), {}, {} }),
            std::optional<int>(), true, std::optional<double>());
    }

    void volumeDb()
    {
        QFETCH(std::optional<ActualVolume>, actual);
        QFETCH(std::optional<int>, raw);
        QFETCH(bool, scaled);
        ZoneStatus status;
        status.actualVolume = actual;
        status.volume = raw;
        const auto scale = scaled ? VolumeScale::from(zoneWith({})) : std::nullopt;
        QTEST(Volume::db(status, scale), "expected");
    }

    // A volume change: the asked value held under the cap on the zone's grid, then sent in decibels or raw steps
    // as the zone takes it.
    void volumeChange_data()
    {
        QTest::addColumn<QString>("functions");
        QTest::addColumn<double>("cap");
        QTest::addColumn<double>("asked");
        QTest::addColumn<QString>("sent");
        row("snapped to the grid", "actual_volume", -20.0, -35.26,
            QStringLiteral("main/setActualVolume?mode=db&value=-35.5"));
        row("below the scale", "actual_volume", 0.0, -120.0,
            QStringLiteral("main/setActualVolume?mode=db&value=-80.5"));
        row("raw steps without actual_volume", "", -20.0, -30.5, QStringLiteral("main/setVolume?volume=100"));
        row("raw steps capped", "", -20.0, 5.0, QStringLiteral("main/setVolume?volume=121"));
    }

    void volumeChange()
    {
        QFETCH(QString, functions);
        QFETCH(double, cap);
        QFETCH(double, asked);
        const ZoneFeatures zone = zoneWith(functions);
        const std::optional<VolumeScale> scale = VolumeScale::from(zone);
        QVERIFY(scale);
        const auto command = Volume::command(Zone::main, Volume::takesDecibels(&zone), scale, scale->limit(asked, cap));
        QVERIFY(command);
        QTEST(test::commandText(*command), "sent");
    }

    void volumeSteps()
    {
        ZoneFeatures zone = zoneWith({});
        zone.rangeStep[1].step = 1.0; // a zone whose own step is not the half decibel of the fallback
        const auto scale = VolumeScale::from(zone);
        QCOMPARE(Volume::stepped(-20.0, scale, Volume::Step::up), -19.0);
        QCOMPARE(Volume::stepped(-20.0, scale, Volume::Step::down), -21.0);
        QCOMPARE(Volume::stepped(-20.0, std::nullopt, Volume::Step::up), -19.5);
        QCOMPARE(Volume::command(Zone::zone2, false, std::nullopt, -30.0), std::nullopt);
        QCOMPARE(Volume::bounds(std::nullopt).min, Levels::lowestVolumeDb);
        QCOMPARE(Volume::bounds(scale).max, 16.5);
    }

    // A fade's commands: how many, the largest step between two of them, where and when it ends. Every row also
    // holds the rules every fade keeps: one direction, steps whole multiples of the zone's step, never above the
    // cap, evenly spaced at least Volume::rampSpacing apart from the start to the duration's end.
    void ramp_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<double>("stepDb"); // 0: the zone gives no scale
        QTest::addColumn<int>("milliseconds");
        QTest::addColumn<double>("cap");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("largest");
        QTest::addColumn<double>("last");
        QTest::addColumn<int>("lastAt");
        row("-50 to -30 dB over 8 s", -50.0, -30.0, 0.5, 8000, 0.0, 20, 1.0, -30.0, 8000);
        row("downwards", -30.0, -50.0, 0.5, 8000, 0.0, 20, 1.0, -50.0, 8000);
        row("without a scale: half decibels", -50.0, -45.0, 0.0, 8000, 0.0, 10, 0.5, -45.0, 8000);
        row("a tiny distance is one command", -30.0, -29.5, 0.5, 8000, 0.0, 1, 0.0, -29.5, 0);
        row("80 dB in 2 s takes bigger steps", -80.0, 0.0, 0.5, 2000, 16.5, 9, 9.0, 0.0, 2000);
        row("an uneven distance ends on the target", -50.0, -30.5, 0.5, 2000, 0.0, 8, 2.5, -30.5, 2000);
        row("the target already set", -30.0, -30.0, 0.5, 8000, 0.0, 1, 0.0, -30.0, 0);
        row("a 1 dB scale", -50.0, -30.0, 1.0, 8000, 0.0, 20, 1.0, -30.0, 8000);
        row("a target above the cap ends at it", -50.0, -20.0, 0.5, 8000, -30.0, 20, 1.0, -30.0, 8000);
        row("from above the cap it goes below at once", -20.0, -40.0, 0.5, 8000, -30.0, 20, 0.5, -40.0, 8000);
    }

    void ramp()
    {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(double, stepDb);
        QFETCH(int, milliseconds);
        QFETCH(double, cap);
        std::optional<VolumeScale> scale;
        if (stepDb > 0) {
            ZoneFeatures zone = zoneWith({});
            zone.rangeStep[1].step = stepDb;
            scale = VolumeScale::from(zone);
            QVERIFY(scale);
        }
        const std::chrono::milliseconds duration(milliseconds);
        const auto steps = Volume::ramp(from, to, scale, duration, cap);
        QTEST(int(steps.size()), "count");
        QTEST(steps.back().db, "last");
        QTEST(int(steps.back().at.count()), "lastAt");
        const double unit = stepDb > 0 ? stepDb : 0.5;
        const double direction = to >= from ? 1.0 : -1.0;
        double largest = 0;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            QVERIFY2(steps[i].db <= cap, qPrintable(QString::number(i)));
            if (i == 0) {
                QCOMPARE(steps[i].at.count(), 0);
                continue;
            }
            const double step = (steps[i].db - steps[i - 1].db) * direction;
            QVERIFY2(step > 0, qPrintable(QString::number(i)));
            if (i + 1 < steps.size()) {
                QCOMPARE(std::remainder(step, unit), 0.0);
            }
            largest = std::max(largest, step);
            const auto gap = steps[i].at - steps[i - 1].at;
            QVERIFY(gap >= Volume::rampSpacing);
            QVERIFY(std::chrono::abs(gap - duration / qint64(steps.size() - 1)) <= std::chrono::milliseconds(1));
        }
        QTEST(largest, "largest");
    }

    void favourites()
    {
        Features features;
        features.zone = { zoneWith({}) };
        const QList<ListedPreset> listed { { 2, QStringLiteral("Harbour FM"), QStringLiteral("net_radio") } };
        const std::optional<Features> none = features;
        QCOMPARE(outcomeText(Favourites::recall(Zone::main, none, listed, 2)),
            QStringLiteral("refused: main has no favourites."));
        features.netusb = NetUSBFeatures { PresetFeature { 6 } };
        const std::optional<Features> announced = features;
        QCOMPARE(outcomeText(Favourites::recall(Zone::zone2, announced, listed, 2)),
            QStringLiteral("refused: zone2 has no favourites."));
    }
};

QTEST_GUILESS_MAIN(TestCapabilities)
#include "tst_capabilities.moc"
