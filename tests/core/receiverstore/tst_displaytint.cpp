#include "core/store/DisplayTint.h"

#include <QPainter>
#include <QTest>

using namespace amplora;

Q_DECLARE_METATYPE(std::optional<QColor>)

namespace {

// An image whose left `leftShare` of the width is `left` and the rest `right`.
QImage split(QColor left, QColor right, double leftShare, QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(120, 60, format);
    image.fill(right);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(QRectF(0, 0, 120 * leftShare, 60), left);
    return image;
}

} // namespace

class TestDisplayTint : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dominantColour_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<std::optional<QColor>>("expected");

        const QColor red(Qt::red);
        const QColor blue(Qt::blue);
        QTest::addRow("one colour") << split(red, red, 1) << std::optional(red);
        QTest::addRow("the larger area wins") << split(red, blue, 0.25) << std::optional(blue);
        QTest::addRow("a tie goes to the first hue sector") << split(blue, red, 0.5) << std::optional(red);
        QTest::addRow("grey is no colour") << split(Qt::gray, Qt::white, 0.5) << std::optional<QColor>();
        QTest::addRow("colour beats grey") << split(Qt::black, blue, 0.9) << std::optional(blue);
        QTest::addRow("too dark to read") << split(QColor(30, 0, 0), QColor(0, 0, 30), 0.5) << std::optional<QColor>();
        QTest::addRow("transparent") << split(Qt::transparent, QColor(0, 0, 255, 60), 0.5) << std::optional<QColor>();
        QTest::addRow("null image") << QImage() << std::optional<QColor>();
        QTest::addRow("one pixel") << split(red, red, 1).scaled(1, 1) << std::optional(red);
        QTest::addRow("indexed format") << split(red, red, 1).convertToFormat(QImage::Format_Indexed8)
                                        << std::optional(red);
    }

    void dominantColour()
    {
        QFETCH(QImage, image);
        QFETCH(std::optional<QColor>, expected);
        QCOMPARE(DisplayTint::dominantColour(image), expected);
    }

    void blendWeights_data()
    {
        QTest::addColumn<double>("weight");
        QTest::addColumn<double>("red");
        QTest::addRow("none") << 0.0 << 0.2;
        QTest::addRow("cover weight") << 0.45 << 0.2 * 0.55 + 1.0 * 0.45;
        QTest::addRow("all") << 1.0 << 1.0;
        QTest::addRow("clamped above") << 7.0 << 1.0;
        QTest::addRow("clamped below") << -1.0 << 0.2;
    }

    void blendWeights()
    {
        QFETCH(double, weight);
        QFETCH(double, red);
        const QColor mixed = DisplayTint::blend(QColor::fromRgbF(0.2f, 0, 0), QColor::fromRgbF(1, 0, 0, 0.5f), weight);
        QVERIFY(qAbs(mixed.redF() - red) < 1e-4);
        QCOMPARE(mixed.alphaF(), 1.0f);
    }

    void coverTint()
    {
        QCOMPARE(DisplayTint::forCover(std::nullopt), DisplayTint::defaultTint());
        QCOMPARE(DisplayTint::forCover(split(Qt::gray, Qt::gray, 1)), DisplayTint::defaultTint());
        QCOMPARE(DisplayTint::forCover(split(Qt::blue, Qt::blue, 1)),
            DisplayTint::blend(DisplayTint::defaultTint(), Qt::blue, 0.45));
    }
};

QTEST_GUILESS_MAIN(TestDisplayTint)
#include "tst_displaytint.moc"
