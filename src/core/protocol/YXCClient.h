#pragma once

#include "core/protocol/ReceiverTransport.h"

#include <QNetworkReply>
#include <QPointer>
#include <QSize>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

namespace amplora {

// The real transport: one HTTP GET per command to the receiver's control interface, checked and decoded. It keeps
// nothing between requests; requests may overlap, and destroying the client while requests are in flight is safe
// (they finish on their own, bounded by their deadlines). Covers are the exception: one is on its way at a time,
// and a new one, cancelAlbumArt() or the client's end aborts it.
class YXCClient final : public ReceiverTransport {
public:
    struct Options {
        // Whole-request deadlines, counted from the start however slowly the answer trickles in.
        std::chrono::milliseconds requestTimeout { 4000 };
        // Cover pictures may be large and come from a slow source; still, a picture that never comes must not
        // keep a request open for ever.
        std::chrono::milliseconds albumArtTimeout { 60000 };
        // Answers above this size, counted as they arrive over the wire, are cut off as a transport failure.
        qint64 maxAnswerBytes = qint64 { 4 } * 1024 * 1024;
        // Receivers serve covers of a few hundred pixels and kilobytes; 8 MB still holds a photograph at the
        // largest size below as a JPEG, and bounds what a hostile answer makes this process hold.
        qint64 maxImageBytes = qint64 { 8 } * 1024 * 1024;
        // A cover whose header declares more pixels than this is refused before it is decoded.
        QSize maxImageSize { 4096, 4096 };
        // Decoded covers are kept at no more than this many pixels a side: the now-playing tile is 204 points, so
        // this stays sharp up to a device pixel ratio of 2.5, and the desktop's media controls show less.
        int coverEdge = 512;
        // Run on the thread that decodes a cover, just before it does; tests watch or hold a decode there.
        std::function<void()> beforeDecode;
    };

    // The host may carry a port ("192.168.1.20", "127.0.0.1:8080"); surrounding spaces and tabs are removed.
    explicit YXCClient(const QString &host, bool readOnly = false);
    YXCClient(const QString &host, bool readOnly, Options options);
    ~YXCClient() override;
    YXCClient(const YXCClient &) = delete;
    YXCClient &operator=(const YXCClient &) = delete;

    const QString &host() const { return m_host; }
    bool isReadOnly() const override { return m_readOnly; }

    QCoro::Task<Result<YXCPayload, YXCError>> fetchPayload(
        YXCCommand command, YXCPayloadType type, Cancellation cancel) override;
    QCoro::Task<Result<Done, YXCError>> send(YXCCommand command) override;
    // The body of a read exactly as it came, once the status and the response code were checked. Only paths whose
    // last part starts with "get" are sent; any other is refused as read-only.
    QCoro::Task<Result<QByteArray, YXCError>> fetchRaw(QString path, YXCCommand::QueryItems query, Cancellation cancel);
    QCoro::Task<Result<Done, YXCError>> registerForEvents(quint16 port) override;
    // Fetched only from the receiver itself (see albumArtUrl), decoded and scaled on a worker thread.
    QCoro::Task<std::optional<QImage>> albumArt(QString path) override;
    void cancelAlbumArt() override;

private:
    struct CoverInFlight {
        QPointer<QNetworkReply> reply;
        std::shared_ptr<std::atomic_bool> superseded;
    };

    QString m_host;
    bool m_readOnly;
    Options m_options;
    CoverInFlight m_cover;
};

} // namespace amplora
