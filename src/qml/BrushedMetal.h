#pragma once

#include <QImage>
#include <QQuickItem>
#include <QSize>

#include <cstdint>
#include <span>
#include <vector>

namespace amplora {

// The window's brushed-metal background: a dark vertical gradient crossed by faint horizontal hairlines whose
// places come from a fixed-seed generator, so the texture is the same at every launch without storing a picture.
namespace BrushedMetal {

inline constexpr std::uint64_t seed = 0x538454127b096493ULL;

// A 64-bit xorshift generator; every draw is a fraction in [0, 1) with six decimal places.
class Generator {
public:
    explicit constexpr Generator(std::uint64_t state = seed)
        : m_state(state)
    { }
    constexpr double next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return double(m_state % 1'000'000) / 1'000'000.0;
    }

private:
    std::uint64_t m_state;
};

// The opaque texture at one size, in shades of grey (Format_Grayscale8); an empty image for an empty or
// absurd size.
QImage render(QSize size);

// A texture kept as runs of one grey along each row. Every row is one grey with a few hairlines over it, so this
// holds a few tens of kilobytes where the picture holds a byte per pixel, and painting it is a handful of fills
// per row instead of converting the grey picture to the window's format on every repaint.
class Runs {
public:
    struct Run {
        int x = 0;
        int width = 0;
        uchar grey = 0;
    };

    Runs() = default;
    explicit Runs(const QImage &picture);

    QSize size() const { return m_size; }
    bool isEmpty() const { return m_size.isEmpty(); }
    // The runs of row y, left to right, covering the whole width.
    std::span<const Run> row(int y) const;

private:
    QSize m_size;
    std::vector<Run> m_runs;
    std::vector<std::size_t> m_rowStarts;
};

} // namespace BrushedMetal

// The background item: draws BrushedMetal::render() at its own size, once per size. With the software renderer
// it keeps the picture as runs of one grey and paints only the rows and runs that need repainting; with a GPU it hands
// the picture over as a texture and keeps no copy.
class BrushedMetalSurface : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT

public:
    explicit BrushedMetalSurface(QQuickItem *parent = nullptr);

protected:
    QSGNode *updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *data) override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;
};

} // namespace amplora
