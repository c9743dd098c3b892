#include "qml/BrushedMetal.h"

#include <QLinearGradient>
#include <QPainter>

#include <cmath>

namespace amplora {

namespace BrushedMetal {

QImage render(QSize size)
{
    // Anything beyond a very large screen is a bad request, not a window.
    if (size.isEmpty() || size.width() > 16384 || size.height() > 16384) {
        return {};
    }
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    const double width = size.width();
    const double height = size.height();

    QLinearGradient base(0, 0, 0, height);
    base.setColorAt(0.0, QColor::fromRgbF(1, 1, 1, 0.105f));
    base.setColorAt(0.5, QColor::fromRgbF(1, 1, 1, 0.07f));
    base.setColorAt(1.0, QColor::fromRgbF(1, 1, 1, 0.085f));
    painter.fillRect(image.rect(), base);

    Generator generator;
    const auto lines = static_cast<int>(std::floor(2.2 * height));
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < lines; ++i) {
        const double y = generator.next() * height;
        const double start = generator.next() * width;
        const double length = width * (0.3 + 0.7 * generator.next());
        const double opacity = 0.012 + 0.035 * generator.next();
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, float(opacity)), 1));
        // A hairline that runs past the right edge continues from the left, so every line keeps its length.
        const double end = start + length;
        painter.drawLine(QPointF(start, y), QPointF(std::min(end, width), y));
        if (end > width) {
            painter.drawLine(QPointF(0, y), QPointF(end - width, y));
        }
    }
    painter.end();
    return image;
}

} // namespace BrushedMetal

BrushedMetalProvider::BrushedMetalProvider()
    : QQuickImageProvider(QQuickImageProvider::Image)
{ }

QImage BrushedMetalProvider::requestImage(const QString &id, QSize *size, const QSize &)
{
    const QStringList parts = id.split(u'x');
    bool wide = false;
    bool high = false;
    const QSize wanted = parts.size() == 2 ? QSize(parts[0].toInt(&wide), parts[1].toInt(&high)) : QSize();
    if (!wide || !high) {
        return {};
    }
    const QMutexLocker lock(&m_mutex);
    if (wanted != m_cachedSize) {
        m_cached = BrushedMetal::render(wanted);
        m_cachedSize = wanted;
    }
    if (size) {
        *size = m_cached.size();
    }
    return m_cached;
}

} // namespace amplora
