#include "qml/BrushedMetal.h"

#include <QColor>
#include <QPainter>
#include <QQuickWindow>
#include <QSGImageNode>
#include <QSGRenderNode>
#include <QSGRendererInterface>
#include <QSGTexture>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace amplora {

namespace BrushedMetal {

QImage render(QSize size)
{
    // Anything beyond a very large screen is a bad request, not a window.
    if (size.isEmpty() || size.width() > 16384 || size.height() > 16384) {
        return {};
    }
    // Written byte by byte rather than through QPainter: every stroke is one row of one grey, and a painter
    // spends most of the window's first frame on the two thousand hairlines of a large window.
    QImage image(size, QImage::Format_Grayscale8);
    const int width = size.width();
    const int height = size.height();

    // A white veil over black, strongest at the top, weakest in the middle: the grey of a row is its opacity.
    for (int y = 0; y < height; ++y) {
        const double at = (y + 0.5) / height;
        const double opacity
            = at < 0.5 ? 0.105 + (0.07 - 0.105) * (at / 0.5) : 0.07 + (0.085 - 0.07) * ((at - 0.5) / 0.5);
        std::memset(image.scanLine(y), static_cast<int>(std::lround(255 * opacity)), static_cast<size_t>(width));
    }

    Generator generator;
    const auto lines = static_cast<int>(std::floor(2.2 * height));
    // Lays a faint white over the pixels [from, to) of a row.
    const auto stroke = [width](uchar *row, double from, double to, int alpha) {
        const int first = std::clamp(static_cast<int>(std::lround(from)), 0, width);
        const int last = std::clamp(static_cast<int>(std::lround(to)), 0, width);
        for (int x = first; x < last; ++x) {
            row[x] = static_cast<uchar>(row[x] + ((255 - row[x]) * alpha + 127) / 255);
        }
    };
    for (int i = 0; i < lines; ++i) {
        const double y = generator.next() * height;
        const double start = generator.next() * width;
        const double length = width * (0.3 + 0.7 * generator.next());
        const double opacity = 0.012 + 0.035 * generator.next();
        uchar *row = image.scanLine(std::min(static_cast<int>(y), height - 1));
        const auto alpha = static_cast<int>(std::lround(255 * opacity));
        // A hairline that runs past the right edge continues from the left, so every line keeps its length.
        const double end = start + length;
        stroke(row, start, std::min(end, double(width)), alpha);
        if (end > width) {
            stroke(row, 0, end - width, alpha);
        }
    }
    return image;
}

Runs::Runs(const QImage &picture)
    : m_size(picture.format() == QImage::Format_Grayscale8 ? picture.size() : QSize())
{
    if (m_size.isEmpty()) {
        return;
    }
    m_rowStarts.reserve(static_cast<std::size_t>(m_size.height()) + 1);
    for (int y = 0; y < m_size.height(); ++y) {
        m_rowStarts.push_back(m_runs.size());
        const uchar *row = picture.constScanLine(y);
        int x = 0;
        while (x < m_size.width()) {
            const int from = x;
            while (x < m_size.width() && row[x] == row[from]) {
                ++x;
            }
            m_runs.push_back({ from, x - from, row[from] });
        }
    }
    m_rowStarts.push_back(m_runs.size());
    m_runs.shrink_to_fit();
}

std::span<const Runs::Run> Runs::row(int y) const
{
    if (y < 0 || y >= m_size.height()) {
        return {};
    }
    const auto at = static_cast<std::size_t>(y);
    return std::span<const Run>(m_runs).subspan(m_rowStarts[at], m_rowStarts[at + 1] - m_rowStarts[at]);
}

} // namespace BrushedMetal

namespace {

// Paints the grey picture straight into the software renderer's frame, clipped to the part being repainted.
class PaintedMetalNode : public QSGRenderNode {
public:
    explicit PaintedMetalNode(QQuickWindow *window)
        : m_window(window)
    { }

    void setRuns(BrushedMetal::Runs runs) { m_runs = std::move(runs); }
    QSize pixels() const { return m_runs.size(); }
    void setSize(QSizeF size) { m_size = size; }

    void render(const RenderState *state) override
    {
        auto *painter = static_cast<QPainter *>(
            m_window->rendererInterface()->getResource(m_window, QSGRendererInterface::PainterResource));
        if (!painter || m_runs.isEmpty()) {
            return;
        }
        const QTransform transform = matrix()->toTransform();
        // Only the rows and runs under the part being repainted: a lamp that changes repaints a small square.
        QRectF area = rect();
        // The clip first: it is given in window coordinates.
        if (const QRegion *clip = state->clipRegion(); clip && !clip->isEmpty()) {
            painter->setClipRegion(*clip, Qt::ReplaceClip);
            area &= transform.inverted().mapRect(QRectF(clip->boundingRect()));
        }
        painter->setTransform(transform);
        painter->setOpacity(inheritedOpacity());
        // One texture pixel is this much of the item.
        const QSize pixels = m_runs.size();
        const double across = m_size.width() / pixels.width();
        const double down = m_size.height() / pixels.height();
        const int firstRow = std::max(0, static_cast<int>(std::floor(area.top() / down)));
        const int lastRow = std::min(pixels.height() - 1, static_cast<int>(std::ceil(area.bottom() / down)));
        const double left = area.left() / across;
        const double right = area.right() / across;
        for (int y = firstRow; y <= lastRow; ++y) {
            for (const BrushedMetal::Runs::Run &run : m_runs.row(y)) {
                if (run.x + run.width < left || run.x > right) {
                    continue;
                }
                painter->fillRect(
                    QRectF(run.x * across, y * down, run.width * across, down), QColor(run.grey, run.grey, run.grey));
            }
        }
    }
    StateFlags changedStates() const override { return {}; }
    RenderingFlags flags() const override { return BoundedRectRendering | OpaqueRendering; }
    QRectF rect() const override { return { QPointF(0, 0), m_size }; }

private:
    QQuickWindow *m_window;
    BrushedMetal::Runs m_runs;
    QSizeF m_size;
};

} // namespace

BrushedMetalSurface::BrushedMetalSurface(QQuickItem *parent)
    : QQuickItem(parent)
{
    setFlag(ItemHasContents);
}

void BrushedMetalSurface::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size()) {
        update();
    }
}

QSGNode *BrushedMetalSurface::updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *)
{
    // One texture pixel per point, as the hairline count is a count per point of height.
    const QSize pixels(qRound(width()), qRound(height()));
    if (pixels.isEmpty()) {
        delete oldNode;
        return nullptr;
    }
    // The renderer of a window never changes, so the node is always of the kind made the first time.
    if (window()->rendererInterface()->graphicsApi() == QSGRendererInterface::Software) {
        auto *node = static_cast<PaintedMetalNode *>(oldNode);
        if (!node) {
            node = new PaintedMetalNode(window());
        }
        if (node->pixels() != pixels) {
            node->setRuns(BrushedMetal::Runs(BrushedMetal::render(pixels)));
        }
        node->setSize(size());
        node->markDirty(QSGNode::DirtyMaterial);
        return node;
    }
    auto *node = static_cast<QSGImageNode *>(oldNode);
    if (!node || node->texture()->textureSize() != pixels) {
        const QImage picture = BrushedMetal::render(pixels).convertToFormat(QImage::Format_RGB32);
        QSGTexture *texture = picture.isNull() ? nullptr : window()->createTextureFromImage(picture);
        // No picture for an absurd size, and an image node cannot be without a texture.
        if (!texture) {
            delete node;
            return nullptr;
        }
        if (!node) {
            node = window()->createImageNode();
            node->setOwnsTexture(true);
            node->setFiltering(QSGTexture::Nearest);
        }
        node->setTexture(texture);
    }
    node->setRect(boundingRect());
    return node;
}

} // namespace amplora
