#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QImage>
#include <QSize>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace amplora {

struct CoverLimits {
    // A cover whose header declares more pixels than this is refused before it is decoded.
    QSize maxDeclaredSize { 4096, 4096 };
    // Decoded covers are scaled down, keeping their shape, to fit a square of this many pixels a side.
    int edge = 512;
};

// Decodes a cover with the one format its answer declared (never guessing from the bytes), after checking the size
// its header declares, and scales it down to the limits' edge. None for anything else, with one logged reason.
// Safe on any thread.
std::optional<QImage> decodeCover(const QByteArray &bytes, const QByteArray &contentType, const CoverLimits &limits);

struct CoverDecodeJob {
    QByteArray bytes;
    QByteArray contentType;
    CoverLimits limits;
    // Set on the main thread when a newer cover was asked for: the decode is skipped, or its result dropped.
    std::shared_ptr<const std::atomic_bool> superseded;
    // Run on the decoding thread just before it decodes; tests watch or hold a decode there.
    std::function<void()> beforeDecode;
};

// decodeCover on a worker thread, so that a large picture never stalls the window; the awaiting coroutine resumes
// on its own thread's event loop. A superseded job answers none.
QCoro::Task<std::optional<QImage>> decodeCoverInBackground(CoverDecodeJob job);

} // namespace amplora
