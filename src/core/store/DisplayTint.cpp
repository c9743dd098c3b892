#include "core/store/DisplayTint.h"

#include <algorithm>
#include <array>

namespace amplora::DisplayTint {

namespace {

constexpr int hueSectors = 12;
constexpr double minimumSaturation = 0.2;
constexpr double minimumValue = 0.2;
constexpr double coverWeight = 0.45;
constexpr int coverGrid = 12;

struct Sector {
    int count = 0;
    double red = 0;
    double green = 0;
    double blue = 0;
};

} // namespace

QColor defaultTint()
{
    return QColor::fromRgbF(0.97f, 0.79f, 0.5f);
}

std::optional<QColor> dominantColour(const QImage &image, int grid)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0 || grid <= 0) {
        return std::nullopt;
    }
    std::array<Sector, hueSectors> sectors {};
    for (int row = 0; row < grid; ++row) {
        const int y = std::clamp(int((row + 0.5) * image.height() / grid), 0, image.height() - 1);
        for (int column = 0; column < grid; ++column) {
            const int x = std::clamp(int((column + 0.5) * image.width() / grid), 0, image.width() - 1);
            const QColor sample = image.pixelColor(x, y).toRgb();
            if (sample.alphaF() < 0.5f || sample.hsvSaturationF() < minimumSaturation
                || sample.valueF() < minimumValue) {
                continue;
            }
            const float hue = std::max(0.0f, sample.hsvHueF()); // grey has hue -1, excluded above anyway
            const int index = std::min(hueSectors - 1, int(hue * hueSectors));
            Sector &sector = sectors[std::size_t(index)];
            ++sector.count;
            sector.red += sample.redF();
            sector.green += sample.greenF();
            sector.blue += sample.blueF();
        }
    }
    const auto fullest = std::max_element(
        sectors.begin(), sectors.end(), [](const Sector &a, const Sector &b) { return a.count < b.count; });
    if (fullest->count == 0) {
        return std::nullopt;
    }
    const double n = fullest->count;
    return QColor::fromRgbF(float(fullest->red / n), float(fullest->green / n), float(fullest->blue / n));
}

QColor blend(const QColor &base, const QColor &colour, double weight)
{
    const double w = std::clamp(weight, 0.0, 1.0);
    const QColor a = base.toRgb();
    const QColor b = colour.toRgb();
    const auto mix = [w](double x, double y) { return float(x * (1 - w) + y * w); };
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()));
}

QColor forCover(const std::optional<QImage> &cover)
{
    if (!cover) {
        return defaultTint();
    }
    const std::optional<QColor> colour = dominantColour(*cover, coverGrid);
    return colour ? blend(defaultTint(), *colour, coverWeight) : defaultTint();
}

} // namespace amplora::DisplayTint
