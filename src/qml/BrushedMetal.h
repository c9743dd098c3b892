#pragma once

#include <QImage>
#include <QMutex>
#include <QQuickImageProvider>
#include <QSize>

#include <cstdint>

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

// The opaque texture at one size; an empty image for an empty or absurd size.
QImage render(QSize size);

} // namespace BrushedMetal

// Serves "image://metal/<width>x<height>", drawing each size once and keeping the last one.
class BrushedMetalProvider : public QQuickImageProvider {
public:
    BrushedMetalProvider();
    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;

private:
    QMutex m_mutex; // the image loader may ask from its own thread
    QSize m_cachedSize;
    QImage m_cached;
};

} // namespace amplora
