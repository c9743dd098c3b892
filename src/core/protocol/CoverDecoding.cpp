#include "core/protocol/CoverDecoding.h"

#include "core/Background.h"
#include "core/Logging.h"

#include <QBuffer>
#include <QImageReader>
#include <QMap>

namespace amplora {

namespace {

// The image format a declared content type names, among the few raster formats a cover comes in; none for
// anything else, so that no other image plugin ever sees the bytes.
std::optional<QByteArray> coverFormat(const QByteArray &contentType)
{
    static const QMap<QByteArray, QByteArray> formats {
        { "image/jpeg", "jpeg" },
        { "image/jpg", "jpeg" },
        { "image/pjpeg", "jpeg" },
        { "image/png", "png" },
        { "image/gif", "gif" },
        { "image/bmp", "bmp" },
        { "image/x-bmp", "bmp" },
        { "image/x-ms-bmp", "bmp" },
        { "image/webp", "webp" },
    };
    // Parameters (such as "; charset=binary") and letter case do not change the type.
    const QByteArray type = contentType.split(';').constFirst().trimmed().toLower();
    const auto found = formats.constFind(type);
    if (found == formats.constEnd()) {
        return std::nullopt;
    }
    return *found;
}

bool isSuperseded(const CoverDecodeJob &job)
{
    return job.superseded && job.superseded->load();
}

} // namespace

std::optional<QImage> decodeCover(const QByteArray &bytes, const QByteArray &contentType, const CoverLimits &limits)
{
    const auto format = coverFormat(contentType);
    if (!format) {
        qCDebug(lcYxc) << "album art dropped: its answer declares no image type we read:" << contentType;
        return std::nullopt;
    }
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, *format);
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (!size.isValid()) {
        qCDebug(lcYxc) << "album art dropped: not a readable" << *format << "image:" << reader.errorString();
        return std::nullopt;
    }
    if (size.width() > limits.maxDeclaredSize.width() || size.height() > limits.maxDeclaredSize.height()) {
        qCDebug(lcYxc) << "album art dropped: it declares" << size << "pixels, more than" << limits.maxDeclaredSize;
        return std::nullopt;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        qCDebug(lcYxc) << "album art dropped: it does not decode as" << *format << "-" << reader.errorString();
        return std::nullopt;
    }
    // The window draws the cover at a couple of hundred points and the desktop's media controls smaller still:
    // a larger picture would only cost memory and scaling on the main thread every time it is drawn.
    if (image.width() > limits.edge || image.height() > limits.edge) {
        QSize fitted = image.size().scaled(limits.edge, limits.edge, Qt::KeepAspectRatio);
        fitted = fitted.expandedTo(QSize(1, 1));
        image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    // The formats the scene graph and the tint take without another conversion on the main thread.
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    return image;
}

QCoro::Task<std::optional<QImage>> decodeCoverInBackground(CoverDecodeJob job)
{
    const auto decode = [job]() -> std::optional<QImage> {
        if (job.beforeDecode) {
            job.beforeDecode();
        }
        if (isSuperseded(job)) {
            return std::nullopt;
        }
        return decodeCover(job.bytes, job.contentType, job.limits);
    };
    std::optional<QImage> image = co_await runInBackground(decode);
    if (isSuperseded(job)) {
        qCDebug(lcYxc) << "album art dropped: a newer cover was asked for while it was decoded";
        co_return std::nullopt;
    }
    co_return image;
}

} // namespace amplora
