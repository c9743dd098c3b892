#pragma once

#include "core/protocol/ReceiverTransport.h"

#include <QSize>
#include <QString>
#include <QUrl>

#include <chrono>

namespace amplora {

// The real transport: one HTTP GET per command to the receiver's control interface, checked and decoded. It keeps
// nothing between requests; requests may overlap, and destroying the client while requests are in flight is safe
// (they finish on their own, bounded by their deadlines).
class YXCClient final : public ReceiverTransport {
public:
    struct Options {
        // Whole-request deadlines, counted from the start however slowly the answer trickles in.
        std::chrono::milliseconds requestTimeout { 4000 };
        // Cover pictures may be large and come from a slow source; still, a picture that never comes must not
        // keep a request open for ever.
        std::chrono::milliseconds albumArtTimeout { 60000 };
        // Answers above this size are cut off as a transport failure.
        qint64 maxAnswerBytes = 4 * 1024 * 1024;
        // Receivers serve covers of a few hundred pixels and kilobytes; 8 MB still holds a photograph at the
        // largest size below as a JPEG, and bounds what a hostile answer makes this process hold.
        qint64 maxImageBytes = 8 * 1024 * 1024;
        // A cover whose header declares more pixels than this is refused before it is decoded.
        QSize maxImageSize { 4096, 4096 };
    };

    // The host may carry a port ("192.168.1.20", "127.0.0.1:8080"); surrounding spaces and tabs are removed.
    explicit YXCClient(const QString &host, bool readOnly = false);
    YXCClient(const QString &host, bool readOnly, Options options);

    const QString &host() const { return m_host; }
    bool isReadOnly() const override { return m_readOnly; }

    QCoro::Task<Result<YXCPayload, YXCError>> fetchPayload(
        YXCCommand command, YXCPayloadType type, Cancellation cancel) override;
    QCoro::Task<Result<Done, YXCError>> send(YXCCommand command) override;
    QCoro::Task<Result<Done, YXCError>> registerForEvents(quint16 port) override;
    QCoro::Task<std::optional<QImage>> albumArt(QString path) override;

private:
    // Where the cover at `path` may be fetched from: on the receiver's host only.
    std::optional<QUrl> albumArtUrl(const QString &path);

    QString m_host;
    bool m_readOnly;
    Options m_options;
    bool m_reportedForeignArt = false;
};

} // namespace amplora
