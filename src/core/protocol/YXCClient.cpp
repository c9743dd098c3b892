#include "core/protocol/YXCClient.h"

#include "core/Logging.h"
#include "core/protocol/AlbumArtUrl.h"
#include "core/protocol/CoverDecoding.h"
#include "core/protocol/SharedNetworkAccess.h"
#include "core/protocol/YXCDecoder.h"

#include <QCoroNetworkReply>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <functional>
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
    QUrl url(QStringLiteral("http://") + host + apiRoot, QUrl::StrictMode);
    // Anything that parses into more than a host and port (a user name, a query, a fragment) would send the
    // request somewhere other than where the user pointed.
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment()
        || url.path() != apiRoot) {
        return std::nullopt;
    }
    return url;
}

// One GET below the API root: a command's path and query, and whether it changes the receiver.
struct Request {
    QString path;
    YXCCommand::QueryItems query;
    bool mutating = false;

    static Request of(const YXCCommand &command)
    {
        return { command.path(), command.queryItems(), command.isMutating() };
    }
};

QUrl commandUrl(QUrl base, const Request &command)
{
    base.setPath(apiRoot + command.path);
    const auto &items = command.query;
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

// What the reply's handlers learn while it runs, shared with the coroutine that awaits it.
struct TransferState {
    enum class Cut { none, tooLarge, encoded, timedOut, cancelled };
    Cut cut = Cut::none;
    QByteArray encoding; // the refused content encoding
    QByteArray body; // taken out of the reply as it arrives, so that its size is what came over the wire
};

// Ends a transfer early for `why`. Bookkeeping first: aborting finishes the reply at once and resumes whoever
// awaits it, so nothing is read after the abort.
void cutTransfer(QNetworkReply *reply, TransferState &state, TransferState::Cut why)
{
    if (state.cut == TransferState::Cut::none && !reply->isFinished()) {
        state.cut = why;
        state.body.clear();
        reply->abort();
    }
}

// Starts one GET through the shared network access manager, bounded in time from its start and in size, whatever
// the peer drips. A redirect is an answer like any other: following it would take the request to a host nobody
// chose.
QNetworkReply *startTransfer(QNetworkRequest request, std::chrono::milliseconds deadline, qint64 maxBytes,
    const std::shared_ptr<TransferState> &state)
{
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // Unless told otherwise, Qt asks for gzip and deflate and unpacks them on its own, so that a few kilobytes on
    // the wire can become gigabytes before any size is seen. Asking for the bytes as they are keeps the cap on what
    // arrives; an answer encoded all the same is refused as soon as its header says so.
    request.setRawHeader("Accept-Encoding", "identity");
    QNetworkReply *reply = sharedNetworkAccess().get(request);
    const auto cut = [reply, state](TransferState::Cut why) { cutTransfer(reply, *state, why); };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, maxBytes, state, cut] {
        const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
        if (!encoding.isEmpty() && encoding != "identity") {
            state->encoding = encoding;
            cut(TransferState::Cut::encoded);
            return;
        }
        bool declared = false;
        const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&declared);
        if (declared && length > maxBytes) {
            cut(TransferState::Cut::tooLarge);
        }
    });
    // Every chunk is counted as it comes (the progress signal is rationed in time and would let a fast peer
    // run far past the cap).
    QObject::connect(reply, &QIODevice::readyRead, reply, [reply, maxBytes, state, cut] {
        if (state->cut != TransferState::Cut::none) {
            return;
        }
        state->body += reply->readAll();
        if (state->body.size() > maxBytes) {
            cut(TransferState::Cut::tooLarge);
        }
    });
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, reply, [cut] { cut(TransferState::Cut::timedOut); });
    timer->start(deadline);
    return reply;
}

// Awaits a started transfer and describes its outcome. The reply is never deleted while it is awaited; it is
// released once it has finished, and its deadline with it.
QCoro::Task<Transfer> finishTransfer(QNetworkReply *reply, std::shared_ptr<TransferState> state, qint64 maxBytes)
{
    if (!reply->isFinished()) {
        co_await reply;
    }

    Transfer result;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        result.status = status.toInt();
    }
    result.contentType = reply->rawHeader("Content-Type");
    if (state->cut == TransferState::Cut::none && reply->error() == QNetworkReply::NoError) {
        state->body += reply->readAll();
        if (state->body.size() > maxBytes) {
            state->cut = TransferState::Cut::tooLarge;
        }
    }
    switch (state->cut) {
    case TransferState::Cut::tooLarge:
        result.failure = QStringLiteral("The answer is larger than %1 bytes.").arg(maxBytes);
        break;
    case TransferState::Cut::encoded:
        result.failure = QStringLiteral("The answer is encoded as \u201C%1\u201D instead of being sent as it is.")
                             .arg(QString::fromLatin1(state->encoding));
        break;
    case TransferState::Cut::timedOut:
        result.failure = QStringLiteral("The request timed out.");
        break;
    case TransferState::Cut::cancelled:
        result = Transfer {};
        result.cancelled = true;
        break;
    case TransferState::Cut::none:
        if (reply->error() == QNetworkReply::HostNotFoundError) {
            // The address may be a name the system resolver does not know (a typo, or mDNS missing).
            result.failure = QStringLiteral("Could not find the receiver \"%1\": %2.")
                                 .arg(reply->url().host(), reply->errorString());
        } else if (reply->error() != QNetworkReply::NoError) {
            result.failure = reply->errorString();
        } else {
            result.body = std::move(state->body);
        }
        break;
    }
    reply->deleteLater();
    co_return result;
}

// What cancelling a transfer does, made outside the coroutine that subscribes it.
std::function<void()> cutWhenCancelled(QPointer<QNetworkReply> reply, std::shared_ptr<TransferState> state)
{
    return [reply = std::move(reply), state = std::move(state)] {
        if (reply) {
            cutTransfer(reply, *state, TransferState::Cut::cancelled);
        }
    };
}

// One GET, bounded in time and size. Once `cancel` fires the reply is aborted: the receiver sees the connection
// close and the answer is dropped.
QCoro::Task<Transfer> transfer(
    QNetworkRequest request, std::chrono::milliseconds deadline, qint64 maxBytes, Cancellation cancel = Cancellation())
{
    if (cancel.isCancelled()) {
        Transfer abandoned;
        abandoned.cancelled = true;
        co_return abandoned;
    }
    auto state = std::make_shared<TransferState>();
    QNetworkReply *reply = startTransfer(request, deadline, maxBytes, state);
    // The abort may resume this coroutine inside the callback and end the subscription: the callback touches
    // nothing after it.
    const Cancellation::Subscription abandon = cancel.onCancel(cutWhenCancelled(reply, state));
    Transfer result = co_await finishTransfer(reply, std::move(state), maxBytes);
    co_return result;
}

// Steps shared by every command: address and read-only checks before any traffic, then the GET, the status, the
// envelope and the response code. Answers the body of an accepted command.
QCoro::Task<Result<QByteArray, YXCError>> perform(
    Settings settings, Request command, std::optional<quint16> eventPort, Cancellation cancel = Cancellation())
{
    const QString path = command.path;
    const auto base = baseUrl(settings.host);
    if (!base) {
        co_return Failure { YXCError::invalidHost(settings.host) };
    }
    if (settings.readOnly && command.mutating) {
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
    auto body = co_await perform(std::move(settings), Request::of(command), std::nullopt, std::move(cancel));
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
    auto body = co_await perform(std::move(settings), Request::of(command), eventPort);
    if (!body) {
        co_return Failure { std::move(body).error() };
    }
    co_return Done {};
}

QCoro::Task<std::optional<QImage>> albumArtFrom(
    QNetworkReply *reply, std::shared_ptr<TransferState> state, qint64 maxBytes, CoverDecodeJob job)
{
    const Transfer answer = co_await finishTransfer(reply, std::move(state), maxBytes);
    if (job.superseded->load()) {
        qCDebug(lcYxc) << "album art dropped: a newer cover was asked for";
        co_return std::nullopt;
    }
    if (answer.status && (*answer.status < 200 || *answer.status > 299)) {
        qCDebug(lcYxc) << "album art answered HTTP" << *answer.status;
        co_return std::nullopt;
    }
    if (answer.failure) {
        qCDebug(lcYxc) << "album art failed:" << *answer.failure;
        co_return std::nullopt;
    }
    job.bytes = answer.body;
    job.contentType = answer.contentType;
    std::optional<QImage> image = co_await decodeCoverInBackground(std::move(job));
    co_return image;
}

QCoro::Task<Result<QByteArray, YXCError>> readRefused(QString path)
{
    co_return Failure { YXCError::readOnlyBlocked(path) };
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
    , m_options(std::move(options))
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

QCoro::Task<Result<QByteArray, YXCError>> YXCClient::fetchRaw(
    QString path, YXCCommand::QueryItems query, Cancellation cancel)
{
    // Only reads: whatever the path names, a raw request never changes the receiver.
    const QString last = path.section(u'/', -1);
    if (!last.startsWith(QLatin1String("get"))) {
        return readRefused(std::move(path));
    }
    return perform(Settings { m_host, m_readOnly, m_options }, Request { std::move(path), std::move(query), false },
        std::nullopt, std::move(cancel));
}

QCoro::Task<Result<Done, YXCError>> YXCClient::send(YXCCommand command)
{
    return sendWith(Settings { m_host, m_readOnly, m_options }, std::move(command), std::nullopt);
}

QCoro::Task<Result<Done, YXCError>> YXCClient::registerForEvents(quint16 port)
{
    return sendWith(Settings { m_host, m_readOnly, m_options }, YXCCommand::getDeviceInfo(), port);
}

YXCClient::~YXCClient()
{
    cancelAlbumArt();
}

QCoro::Task<std::optional<QImage>> YXCClient::albumArt(QString path)
{
    cancelAlbumArt(); // one cover at a time: the one asked for before is no longer wanted
    if (path.isEmpty()) {
        return noAlbumArt();
    }
    const auto base = baseUrl(m_host);
    if (!base) {
        qCInfo(lcYxc) << "album art not fetched: the receiver address is not valid";
        return noAlbumArt();
    }
    const auto url = albumArtUrl(*base, path);
    if (!url) {
        qCInfo(lcYxc) << "album art not fetched:" << url.error().description();
        return noAlbumArt();
    }
    auto superseded = std::make_shared<std::atomic_bool>(false);
    auto state = std::make_shared<TransferState>();
    QNetworkReply *reply
        = startTransfer(QNetworkRequest(url.value()), m_options.albumArtTimeout, m_options.maxImageBytes, state);
    m_cover = CoverInFlight { reply, superseded };
    CoverDecodeJob job;
    job.limits = CoverLimits { m_options.maxImageSize, m_options.coverEdge };
    job.superseded = std::move(superseded);
    job.beforeDecode = m_options.beforeDecode;
    return albumArtFrom(reply, std::move(state), m_options.maxImageBytes, std::move(job));
}

void YXCClient::cancelAlbumArt()
{
    if (m_cover.superseded) {
        m_cover.superseded->store(true);
    }
    if (m_cover.reply) {
        // Queued: aborting finishes the reply at once, which would resume the waiting coroutines (and whatever
        // awaits them) inside this call.
        QMetaObject::invokeMethod(m_cover.reply.data(), &QNetworkReply::abort, Qt::QueuedConnection);
    }
    m_cover = CoverInFlight {};
}

} // namespace amplora
