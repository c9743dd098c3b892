// Tone and subwoofer levels in decibels: what each door shows and takes for the same raw value and range.

#include "core/capabilities/Levels.h"
#include "core/protocol/Features.h"

#include <QTest>

using namespace amplora;
using Levels::DecibelRange;

Q_DECLARE_METATYPE(amplora::Levels::DecibelRange)

namespace {

ZoneFeatures zoneWithTone(double min, double max, double step)
{
    ZoneFeatures zone;
    zone.id = QStringLiteral("main");
    zone.rangeStep = { RangeStep { QStringLiteral("tone_control"), min, max, step } };
    return zone;
}

} // namespace

class TestLevels : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rawAndDecibels_data()
    {
        QTest::addColumn<int>("raw");
        QTest::addColumn<double>("dB");
        QTest::addRow("bass 4 is 2 dB") << 4 << 2.0;
        QTest::addRow("odd steps are half decibels") << -3 << -1.5;
        QTest::addRow("zero") << 0 << 0.0;
    }

    void rawAndDecibels()
    {
        QFETCH(int, raw);
        QFETCH(double, dB);
        QCOMPARE(Levels::levelDb(raw), dB);
        QCOMPARE(Levels::rawLevel(dB), raw);
    }

    void rawLevelRoundsHalfAStepAwayFromZero()
    {
        QCOMPARE(Levels::rawLevel(1.25), 3);
        QCOMPARE(Levels::rawLevel(-1.25), -3);
        QCOMPARE(Levels::rawLevel(1.2), 2);
    }

    void announcedRange_data()
    {
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("step");
        QTest::addColumn<DecibelRange>("expected");
        const DecibelRange common { -6, 6, 0.5 };
        QTest::addRow("raw -12..12 is ±6 dB") << -12.0 << 12.0 << 1.0 << common;
        QTest::addRow("a narrower receiver") << -6.0 << 6.0 << 1.0 << DecibelRange { -3, 3, 0.5 };
        QTest::addRow("two raw steps a click") << -12.0 << 12.0 << 2.0 << DecibelRange { -6, 6, 1.0 };
        QTest::addRow("reversed") << 12.0 << -12.0 << 1.0 << common;
        QTest::addRow("no step") << -12.0 << 12.0 << 0.0 << common;
        QTest::addRow("fractional step") << -12.0 << 12.0 << 0.5 << common;
        QTest::addRow("infinite") << -qInf() << 12.0 << 1.0 << common;
        QTest::addRow("not a number") << qQNaN() << 12.0 << 1.0 << common;
    }

    void announcedRange()
    {
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(double, step);
        QFETCH(DecibelRange, expected);
        const ZoneFeatures zone = zoneWithTone(min, max, step);
        QCOMPARE(Levels::toneRangeDb(&zone), expected);
        QCOMPARE(Levels::subwooferRangeDb(&zone), (DecibelRange { -6, 6, 0.5 }));
        QCOMPARE(Levels::toneRangeDb(nullptr), (DecibelRange { -6, 6, 0.5 }));
    }
};

QTEST_APPLESS_MAIN(TestLevels)
#include "tst_levels.moc"
