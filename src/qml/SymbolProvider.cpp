#include "qml/SymbolProvider.h"

#include <QColor>
#include <QIcon>
#include <QPainter>

namespace amplora {

SymbolProvider::SymbolProvider()
    : QQuickImageProvider(QQuickImageProvider::Image)
{ }

QImage SymbolProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    const qsizetype slash = id.lastIndexOf(u'/');
    const QString name = slash > 0 ? id.left(slash) : id;
    QColor colour = slash > 0 ? QColor(QLatin1Char('#') + id.mid(slash + 1)) : QColor(Qt::white);
    if (!colour.isValid()) {
        colour = Qt::white;
    }
    const int edge
        = qBound(1, requestedSize.isValid() ? qMax(requestedSize.width(), requestedSize.height()) : 64, 1024);
    QImage image(edge, edge, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QIcon::fromTheme(name).paint(&painter, image.rect());
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), colour);
    painter.end();
    if (size) {
        *size = image.size();
    }
    return image;
}

} // namespace amplora
