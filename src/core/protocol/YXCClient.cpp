#include "core/protocol/YXCClient.h"

#include "core/Logging.h"
#include "core/protocol/SharedNetworkAccess.h"
#include "core/protocol/YXCDecoder.h"

#include <QBuffer>
#include <QCoroNetworkReply>
#include <QImageReader>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace amplora {

namespace {

const QString apiRoot = QStringLiteral("/YamahaExtendedControl/v1/");

// Everything a request needs, copied out of the client before the first suspension, so that a client destroyed
// while its requests are in flight is never touched again.
struct Settings {
    QString host;
    bool readOnly;
    YXCClient::Options options;
};

struct Transfer {
    bool cancelled = false; // abandoned on request; nothing else is set then
    std::optional<int> status; // absent when no HTTP answer arrived
    QByteArray contentType; // as the answer declared it; empty when it did not
    QByteArray body;
    std::optional<QString> failure; // the network layer's reason when the transfer did not complete
};

// The API root on the host; none when the host cannot stand in a URL as a plain host (with an optional port).
std::optional<QUrl> baseUrl(const QString &host)
{
    if (host.isEmpty() || host.contains(u'/')) {
        return std::nullopt;
    }
    const QUrl url(QStringLiteral("http://") + host + apiRoot, QUrl::StrictMode);
    // Anything that parses into more than a host and port (a user name, a query, a fragment) would send the
    // request somewhere other than where the user pointed.
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment()
        || url.path() != apiRoot) {
        return std::nullopt;
    }
    return url;
}

QUrl commandUrl(QUrl base, const YXCCommand &command)
{
    base.setPath(apiRoot + command.path());
    const auto items = command.queryItems();
    if (!items.isEmpty()) {
        QByteArray query;
        for (const auto &[name, value] : items) {
            if (!query.isEmpty()) {
                query += '&';
            }
            query += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
        }
        base.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    }
    return base;
}

// One GET through the shared network access manager, bounded in time from its start and in size, whatever the
// peer drips. A redirect is an answer like any other: following it would take the request to a host nobody chose.
// The reply is never deleted while it is awaited; it is released once it has finished, and its deadline with it.
// Once `cancel` fires the reply is aborted: the receiver sees the connection close and the answer is dropped.
QCoro::Task<Transfer> transfer(
    QNetworkRequest request, std::chrono::milliseconds deadline, qint64 maxBytes, Cancellation cancel = Cancellation())
{
    if (cancel.isCancelled()) {
        Transfer abandoned;
        abandoned.cancelled = true;
        co_return abandoned;
    }
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply *reply = sharedNetworkAccess().get(request);
    enum class Cut { none, tooLarge, timedOut, cancelled };
    auto cut = std::make_shared<Cut>(Cut::none);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, cut, maxBytes](qint64 received) {
        if (received > maxBytes && *cut == Cut::none) {
            *cut = Cut::tooLarge;
            reply->abort();
        }
    });
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, reply, [reply, cut] {
        if (!reply->isFinished() && *cut == Cut::none) {
            *cut = Cut::timedOut;
            reply->abort();
        }
    });
    timer->start(deadline);
    // abort() finishes the reply at once, which may resume this coroutine inside the callback: the callback
    // touches nothing after it.
    const QPointer<QNetworkReply> guarded(reply);
    const Cancellation::Subscription abandon = cancel.onCancel([guarded, cut] {
        if (guarded && !guarded->isFinished() && *cut == Cut::none) {
            *cut = Cut::cancelled;
            guarded->abort();
        }
    });
    if (!reply->isFinished()) {
        co_await reply;
    }

    Transfer result;
    if (*cut == Cut::cancelled) {
        result.cancelled = true;
        reply->deleteLater();
        co_return result;
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        result.status = status.toInt();
    }
    result.contentType = reply->rawHeader("Content-Type");
    if (*cut == Cut::tooLarge) {
        result.failure = QStringLiteral("The answer is larger than %1 bytes.").arg(maxBytes);
    } else if (*cut == Cut::timedOut) {
        result.failure = QStringLiteral("The request timed out.");
    } else if (reply->error() != QNetworkReply::NoError) {
        result.failure = reply->errorString();
    } else {
        result.body = reply->readAll();
    }
    reply->deleteLater();
    co_return result;
}

// Steps shared by every command: address and read-only checks before any traffic, then the GET, the status, the
// envelope and the response code. Answers the body of an accepted command.
QCoro::Task<Result<QByteArray, YXCError>> perform(
    Settings settings, YXCCommand command, std::optional<quint16> eventPort, Cancellation cancel = Cancellation())
{
    const QString path = command.path();
    const auto base = baseUrl(settings.host);
    if (!base) {
        co_return Failure { YXCError::invalidHost(settings.host) };
    }
    if (settings.readOnly && command.isMutating()) {
        qCInfo(lcYxc) << "read-only mode blocked" << path;
        co_return Failure { YXCError::readOnlyBlocked(path) };
    }

    QNetworkRequest request(commandUrl(*base, command));
    if (eventPort) {
        request.setRawHeader("X-AppName", "MusicCast/1");
        request.setRawHeader("X-AppPort", QByteArray::number(*eventPort));
    }
    const Transfer answer
        = co_await transfer(request, settings.options.requestTimeout, settings.options.maxAnswerBytes, cancel);

    if (answer.cancelled) {
        qCDebug(lcYxc) << path << "abandoned: nobody waits for it";
        co_return Failure { YXCError::cancelled(path) };
    }
    if (answer.status && (*answer.status < 200 || *answer.status > 299)) {
        qCDebug(lcYxc) << path << "answered HTTP" << *answer.status;
        co_return Failure { YXCError::http(*answer.status) };
    }
    if (answer.failure) {
        qCDebug(lcYxc) << path << "failed:" << *answer.failure;
        co_return Failure { YXCError::transport(*answer.failure) };
    }
    const auto envelope = YXCDecoder::decode<Envelope>(answer.body);
    if (!envelope) {
        qCDebug(lcYxc) << path << "sent an unreadable answer:" << envelope.error().detail();
        co_return Failure { YXCError::unreadable(path, envelope.error().detail()) };
    }
    if (envelope->responseCode != 0) {
        qCDebug(lcYxc) << path << "answered response code" << envelope->responseCode;
        co_return Failure { YXCError::responseCode(envelope->responseCode, path) };
    }
    co_return answer.body;
}

QCoro::Task<Result<YXCPayload, YXCError>> fetchWith(
    Settings settings, YXCCommand command, YXCPayloadType type, Cancellation cancel)
{
    const QString path = command.path();
    auto body = co_await perform(std::move(settings), std::move(command), std::nullopt, std::move(cancel));
    if (!body) {
        co_return Failure { std::move(body).error() };
    }
    auto decoded = YXCDecoder::decodePayload(type, body.value());
    if (!decoded) {
        qCDebug(lcYxc) << path << "did not decode:" << decoded.error().detail();
        co_return Failure { YXCError::unreadable(path, decoded.error().detail()) };
    }
    // Answers the store cannot work without, even though every field is optional on the wire.
    if (const auto *status = std::get_if<ZoneStatus>(&decoded.value()); status && !status->power) {
        co_return Failure { YXCError::unreadable(path, QStringLiteral("missing 'power'")) };
    }
    if (const auto *device = std::get_if<DeviceInfo>(&decoded.value()); device && !device->modelName) {
        co_return Failure { YXCError::unreadable(path, QStringLiteral("missing 'model_name'")) };
    }
    co_return std::move(decoded).value();
}

QCoro::Task<Result<Done, YXCError>> sendWith(Settings settings, YXCCommand command, std::optional<quint16> eventPort)
{
    auto body = co_await perform(std::move(settings), std::move(command), eventPort);
    if (!body) {
        co_return Failure { std::move(body).error() };
    }
    co_return Done {};
}

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

// Decodes a cover with the one format its answer declared, after checking the size its header declares.
std::optional<QImage> decodeCover(QByteArray bytes, const QByteArray &contentType, QSize maxSize)
{
    const auto format = coverFormat(contentType);
    if (!format) {
        qCDebug(lcYxc) << "album art dropped: its answer declares no image type we read:" << contentType;
        return std::nullopt;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, *format);
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (!size.isValid()) {
        qCDebug(lcYxc) << "album art dropped: not a readable" << *format << "image:" << reader.errorString();
        return std::nullopt;
    }
    if (size.width() > maxSize.width() || size.height() > maxSize.height()) {
        qCDebug(lcYxc) << "album art dropped: it declares" << size << "pixels, more than" << maxSize;
        return std::nullopt;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        qCDebug(lcYxc) << "album art dropped: it does not decode as" << *format << "-" << reader.errorString();
        return std::nullopt;
    }
    return image;
}

QCoro::Task<std::optional<QImage>> albumArtFrom(QUrl url, YXCClient::Options options)
{
    const Transfer answer = co_await transfer(QNetworkRequest(url), options.albumArtTimeout, options.maxImageBytes);
    if (answer.status && (*answer.status < 200 || *answer.status > 299)) {
        qCDebug(lcYxc) << "album art answered HTTP" << *answer.status;
        co_return std::nullopt;
    }
    if (answer.failure) {
        qCDebug(lcYxc) << "album art failed:" << *answer.failure;
        co_return std::nullopt;
    }
    co_return decodeCover(answer.body, answer.contentType, options.maxImageSize);
}

QCoro::Task<std::optional<QImage>> noAlbumArt()
{
    co_return std::nullopt;
}

} // namespace

YXCClient::YXCClient(const QString &host, bool readOnly)
    : YXCClient(host, readOnly, Options {})
{ }

YXCClient::YXCClient(const QString &host, bool readOnly, Options options)
    : m_readOnly(readOnly)
    , m_options(options)
{
    // Only spaces and tabs: a line break inside an address stays and makes it invalid.
    qsizetype first = 0;
    qsizetype last = host.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (first < last && blank(host.at(first))) {
        ++first;
    }
    while (last > first && blank(host.at(last - 1))) {
        --last;
    }
    m_host = host.mid(first, last - first);
}

QCoro::Task<Result<YXCPayload, YXCError>> YXCClient::fetchPayload(
    YXCCommand command, YXCPayloadType type, Cancellation cancel)
{
    return fetchWith(Settings { m_host, m_readOnly, m_options }, std::move(command), type, std::move(cancel));
}

QCoro::Task<Result<Done, YXCError>> YXCClient::send(YXCCommand command)
{
    return sendWith(Settings { m_host, m_readOnly, m_options }, std::move(command), std::nullopt);
}

QCoro::Task<Result<Done, YXCError>> YXCClient::registerForEvents(quint16 port)
{
    return sendWith(Settings { m_host, m_readOnly, m_options }, YXCCommand::getDeviceInfo(), port);
}

QCoro::Task<std::optional<QImage>> YXCClient::albumArt(QString path)
{
    const auto url = albumArtUrl(path);
    if (!url) {
        return noAlbumArt();
    }
    return albumArtFrom(*url, m_options);
}

std::optional<QUrl> YXCClient::albumArtUrl(const QString &path)
{
    if (path.isEmpty()) {
        return std::nullopt;
    }
    const auto base = baseUrl(m_host);
    if (!base) {
        return std::nullopt;
    }
    QString text;
    if (path.startsWith(QStringLiteral("http://")) || path.startsWith(QStringLiteral("https://"))) {
        text = path;
    } else {
        text = QStringLiteral("http://") + m_host + (path.startsWith(u'/') ? QString() : QStringLiteral("/")) + path;
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        qCDebug(lcYxc) << "album art path is no URL:" << path;
        return std::nullopt;
    }
    // Covers come from the receiver itself. A play info naming another host would have this machine fetch
    // whatever a stream's metadata points at; it is said once, as it recurs with every track of that source.
    if (url.host() != base->host()) {
        if (!m_reportedForeignArt) {
            m_reportedForeignArt = true;
            qCWarning(lcYxc) << "album art on another host than the receiver is not fetched:" << url.host();
        }
        return std::nullopt;
    }
    return url;
}

} // namespace amplora
