// The decibel/raw-step arithmetic, the snapping and the cap, on the scale of a typical receiver.

#include "core/protocol/Features.h"
#include "core/protocol/VolumeScale.h"
#include "core/protocol/YXCCommand.h"

#include <QTest>

using namespace amplora;

Q_DECLARE_METATYPE(amplora::YXCCommand)

namespace {

ZoneFeatures zoneWith(QList<RangeStep> ranges)
{
    ZoneFeatures zone;
    zone.id = QStringLiteral("main");
    zone.rangeStep = std::move(ranges);
    return zone;
}

RangeStep range(const char *id, double min, double max, double step)
{
    return RangeStep { QString::fromLatin1(id), min, max, step };
}

// -80.5 dB to 16.5 dB in 0.5 dB steps over raw 0..161.
VolumeScale receiverScale()
{
    const auto scale
        = VolumeScale::from(zoneWith({ range("actual_volume_db", -80.5, 16.5, 0.5), range("volume", 0, 161, 1) }));
    return scale.value_or(VolumeScale {});
}

} // namespace

class TestVolumeScale : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void construction()
    {
        const VolumeScale scale = receiverScale();
        QCOMPARE(scale, (VolumeScale { -80.5, 16.5, 0.5, 0, 161 }));

        const auto withoutRaw = VolumeScale::from(zoneWith({ range("actual_volume_db", -80.5, 16.5, 0.5) }));
        QVERIFY(withoutRaw);
        QCOMPARE(withoutRaw->rawMax, 0);
        QCOMPARE(withoutRaw->raw(-20.0), 0);

        // A fractional raw range is truncated toward zero.
        const auto truncated
            = VolumeScale::from(zoneWith({ range("actual_volume_db", -80, 0, 0.5), range("volume", 0.9, 160.7, 1) }));
        QVERIFY(truncated);
        QCOMPARE(truncated->rawMin, 0);
        QCOMPARE(truncated->rawMax, 160);
    }

    void noScale_data()
    {
        QTest::addColumn<QList<RangeStep>>("ranges");
        QTest::addRow("no decibel range") << QList<RangeStep> { range("volume", 0, 161, 1) };
        QTest::addRow("zero step") << QList<RangeStep> { range("actual_volume_db", -80.5, 16.5, 0) };
        QTest::addRow("negative step") << QList<RangeStep> { range("actual_volume_db", -80.5, 16.5, -0.5) };
        QTest::addRow("min equals max") << QList<RangeStep> { range("actual_volume_db", -10, -10, 0.5) };
        QTest::addRow("max below min") << QList<RangeStep> { range("actual_volume_db", 10, -10, 0.5) };
    }

    void noScale()
    {
        QFETCH(QList<RangeStep>, ranges);
        QCOMPARE(VolumeScale::from(zoneWith(ranges)), std::nullopt);
    }

    void conversions()
    {
        const VolumeScale scale = receiverScale();
        QCOMPARE(scale.raw(-20.0), 121);
        QCOMPARE(scale.dB(121), -20.0);
        QCOMPARE(scale.raw(20.0), 161);
        QCOMPARE(scale.raw(-100.0), 0);
        QCOMPARE(scale.raw(-80.25), 1); // half a step rounds away from zero
        QCOMPARE(scale.dB(200), 19.5); // not clamped
    }

    void snap_data()
    {
        QTest::addColumn<double>("dB");
        QTest::addColumn<double>("snapped");
        QTest::addRow("down") << -20.26 << -20.5;
        QTest::addRow("up") << -20.24 << -20.0;
        QTest::addRow("above the top") << 30.0 << 16.5;
        QTest::addRow("below the bottom") << -99.0 << -80.5;
    }

    void snap()
    {
        QFETCH(double, dB);
        QFETCH(double, snapped);
        QCOMPARE(receiverScale().snap(dB), snapped);
    }

    void ceiling_data()
    {
        QTest::addColumn<double>("cap");
        QTest::addColumn<double>("ceiling");
        QTest::addRow("between steps") << -10.2 << -10.5;
        QTest::addRow("on a step") << -10.0 << -10.0;
        QTest::addRow("above the top") << 40.0 << 16.5;
        QTest::addRow("below the bottom") << -120.0 << -80.5;
        // 0.1-step arithmetic must not fall a whole step short of a cap it lands on.
        QTest::addRow("just under a step by rounding") << -10.0000000001 << -10.0;
    }

    void ceiling()
    {
        QFETCH(double, cap);
        QFETCH(double, ceiling);
        QCOMPARE(receiverScale().ceiling(cap), ceiling);
    }

    void capped_data()
    {
        QTest::addColumn<bool>("withScale");
        QTest::addColumn<double>("cap");
        QTest::addColumn<YXCCommand>("command");
        QTest::addColumn<YXCCommand>("expected");

        QTest::addRow("decibels above the cap") << true << -10.2 << YXCCommand::setActualVolume(Zone::main, -5.0)
                                                << YXCCommand::setActualVolume(Zone::main, -10.5);
        QTest::addRow("decibels below the cap") << true << -10.2 << YXCCommand::setActualVolume(Zone::main, -30.0)
                                                << YXCCommand::setActualVolume(Zone::main, -30.0);
        QTest::addRow("decibels without a scale") << false << -10.2 << YXCCommand::setActualVolume(Zone::zone2, -5.0)
                                                  << YXCCommand::setActualVolume(Zone::zone2, -10.2);
        QTest::addRow("raw steps above the cap")
            << true << -10.2 << YXCCommand::setVolume(Zone::main, 150) << YXCCommand::setVolume(Zone::main, 140);
        QTest::addRow("raw steps at the cap")
            << true << -10.0 << YXCCommand::setVolume(Zone::main, 141) << YXCCommand::setVolume(Zone::main, 141);
        QTest::addRow("raw steps without a scale")
            << false << -10.2 << YXCCommand::setVolume(Zone::main, 150) << YXCCommand::setVolume(Zone::main, 150);
        QTest::addRow("other commands untouched") << true << -10.2 << YXCCommand::setSubwooferVolume(Zone::main, 12)
                                                  << YXCCommand::setSubwooferVolume(Zone::main, 12);
    }

    void capped()
    {
        QFETCH(bool, withScale);
        QFETCH(double, cap);
        QFETCH(YXCCommand, command);
        QFETCH(YXCCommand, expected);
        const std::optional<VolumeScale> scale = withScale ? std::optional(receiverScale()) : std::nullopt;
        QCOMPARE(command.capped(scale, cap), expected);
    }
};

QTEST_GUILESS_MAIN(TestVolumeScale)
#include "tst_volumescale.moc"
