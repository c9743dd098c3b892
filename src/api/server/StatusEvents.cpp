#include "api/server/StatusEvents.h"

#include "api/Logging.h"
#include "api/http/HTTPResponse.h"

#include <QTimer>

#include <algorithm>

namespace amplora::api {

namespace {

std::size_t indexOf(Zone zone)
{
    return static_cast<std::size_t>(zone);
}

QByteArray statusEvent(const QByteArray &json)
{
    return QByteArrayLiteral("event: status\ndata: ") + json + QByteArrayLiteral("\n\n");
}

// A comment line: clients ignore it, and writing it finds a connection whose client has gone.
QByteArray keepAliveComment()
{
    return QByteArrayLiteral(": keep-alive\n\n");
}

} // namespace

StatusEvents::StatusEvents()
    : StatusEvents(Settings {})
{ }

StatusEvents::StatusEvents(Settings settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_now([] { return std::chrono::steady_clock::now(); })
    , m_timer([](std::chrono::milliseconds delay, QObject *context, std::function<void()> action) {
        QTimer::singleShot(delay, context, std::move(action));
    })
{ }

StatusEvents::~StatusEvents()
{
    endAll();
}

void StatusEvents::setClock(Now now, Timer timer)
{
    m_now = std::move(now);
    m_timer = std::move(timer);
}

QByteArray StatusEvents::statusJSON(const ReceiverStatus &status)
{
    return HTTPResponse::json(200, status.toJSON()).body;
}

std::shared_ptr<ResponseStream> StatusEvents::subscribe()
{
    if (subscriberCount() >= m_settings.maxSubscribers)
        return nullptr;
    auto subscriber = std::make_shared<Subscriber>();
    subscriber->stream = std::make_shared<ResponseStream>(m_settings.maxPendingBytes);
    const ResponseStream *stream = subscriber->stream.get();
    connect(stream, &ResponseStream::finished, this, [this, stream] { remove(stream); });
    m_subscribers.push_back(subscriber);
    armKeepAlive();
    return subscriber->stream;
}

void StatusEvents::sendFirst(const std::shared_ptr<ResponseStream> &stream, Zone zone, const QByteArray &json)
{
    const auto found = std::ranges::find_if(
        m_subscribers, [&stream](const std::shared_ptr<Subscriber> &each) { return each->stream == stream; });
    if (found == m_subscribers.end())
        return;
    (*found)->sent.at(indexOf(zone)) = json;
    stream->write(statusEvent(json));
}

void StatusEvents::publish(Zone zone, const QByteArray &json)
{
    // One event carries its JSON on one data line; the encoder never writes a line break.
    if (json.contains('\n') || json.contains('\r')) {
        qCWarning(lcApi) << "Not sending a status event: its JSON holds a line break";
        return;
    }
    ZoneState &zoneState = state(zone);
    zoneState.latest = json;
    if (zoneState.flushArmed)
        return;
    const auto now = m_now();
    if (zoneState.lastSentAt && now - *zoneState.lastSentAt < m_settings.minimumInterval) {
        zoneState.flushArmed = true;
        const auto wait
            = std::chrono::ceil<std::chrono::milliseconds>(*zoneState.lastSentAt + m_settings.minimumInterval - now);
        m_timer(wait, this, [this, zone, generation = m_generation] {
            if (generation == m_generation)
                flush(zone);
        });
        return;
    }
    flush(zone);
}

void StatusEvents::flush(Zone zone)
{
    ZoneState &zoneState = state(zone);
    zoneState.flushArmed = false;
    bool sent = false;
    QByteArray event; // written once, shared by every subscriber that gets it
    for (const std::shared_ptr<Subscriber> &subscriber : snapshot()) {
        const std::optional<QByteArray> &has = subscriber->sent.at(indexOf(zone));
        if (!has || has == zoneState.latest)
            continue;
        if (event.isEmpty())
            event = statusEvent(*zoneState.latest);
        subscriber->sent.at(indexOf(zone)) = zoneState.latest;
        subscriber->stream->write(event);
        sent = true;
    }
    if (sent)
        zoneState.lastSentAt = m_now();
}

void StatusEvents::remove(const ResponseStream *stream)
{
    std::erase_if(
        m_subscribers, [stream](const std::shared_ptr<Subscriber> &each) { return each->stream.get() == stream; });
}

void StatusEvents::armKeepAlive()
{
    if (m_keepAliveArmed)
        return;
    m_keepAliveArmed = true;
    m_timer(m_settings.keepAliveInterval, this, [this, generation = m_generation] {
        if (generation == m_generation)
            keepAlive();
    });
}

void StatusEvents::keepAlive()
{
    m_keepAliveArmed = false;
    for (const std::shared_ptr<Subscriber> &subscriber : snapshot())
        subscriber->stream->write(keepAliveComment());
    if (!m_subscribers.empty())
        armKeepAlive();
}

void StatusEvents::endAll()
{
    ++m_generation;
    m_keepAliveArmed = false;
    for (ZoneState &zoneState : m_zones)
        zoneState.flushArmed = false;
    std::vector<std::shared_ptr<Subscriber>> ended;
    ended.swap(m_subscribers);
    for (const std::shared_ptr<Subscriber> &subscriber : ended) {
        disconnect(subscriber->stream.get(), nullptr, this, nullptr);
        subscriber->stream->end();
    }
    if (!ended.empty())
        qCInfo(lcApi) << "Ended" << ended.size() << "event stream(s)";
}

} // namespace amplora::api
