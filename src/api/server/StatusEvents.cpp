#include "api/server/StatusEvents.h"

#include "api/Logging.h"
#include "api/http/HTTPResponse.h"

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

StatusEvents::StatusEvents(Clock &clock)
    : StatusEvents(Settings {}, clock)
{ }

StatusEvents::StatusEvents(Settings settings, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_clock(clock)
{
    for (ZoneState &zoneState : m_zones) {
        zoneState.interval = m_settings.minimumInterval;
    }
}

StatusEvents::~StatusEvents()
{
    endAll();
}

QByteArray StatusEvents::statusJSON(const ReceiverStatus &status)
{
    return HTTPResponse::json(200, status.toJSON()).body;
}

std::shared_ptr<ResponseStream> StatusEvents::subscribe()
{
    if (subscriberCount() >= m_settings.maxSubscribers) {
        return nullptr;
    }
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
    if (found == m_subscribers.end()) {
        return;
    }
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
    // JSON every subscriber has is no event, so it must not hold back the next change; a waiting one is replaced
    // all the same, as the latest wins.
    if (!zoneState.pending && !isNews(zone, json)) {
        return;
    }
    const auto decision = zoneState.offer(json, m_clock.now());
    if (const auto *now = std::get_if<ZoneState::SendNow>(&decision)) {
        send(zone, now->value);
    } else if (const auto *later = std::get_if<ZoneState::FlushAfter>(&decision)) {
        m_clock.callAfter(later->delay, this, [this, zone, generation = m_generation] {
            if (generation == m_generation) {
                flushPending(zone);
            }
        });
    }
}

void StatusEvents::flushPending(Zone zone)
{
    ZoneState &zoneState = state(zone);
    if (!zoneState.pending) {
        return;
    }
    const QByteArray json = std::move(*zoneState.pending);
    zoneState.pending.reset();
    // The interval runs from the last event that went out, not from JSON that turned out to be no news.
    if (send(zone, json)) {
        zoneState.lastSentAt = m_clock.now();
    }
}

bool StatusEvents::isNews(Zone zone, const QByteArray &json) const
{
    return std::ranges::any_of(m_subscribers, [zone, &json](const std::shared_ptr<Subscriber> &subscriber) {
        const std::optional<QByteArray> &has = subscriber->sent.at(indexOf(zone));
        return has && *has != json;
    });
}

bool StatusEvents::send(Zone zone, const QByteArray &json)
{
    bool sent = false;
    QByteArray event; // written once, shared by every subscriber that gets it
    for (const std::shared_ptr<Subscriber> &subscriber : snapshot()) {
        std::optional<QByteArray> &has = subscriber->sent.at(indexOf(zone));
        if (!has || *has == json) {
            continue;
        }
        if (event.isEmpty()) {
            event = statusEvent(json);
        }
        has = json;
        subscriber->stream->write(event);
        sent = true;
    }
    return sent;
}

void StatusEvents::remove(const ResponseStream *stream)
{
    std::erase_if(
        m_subscribers, [stream](const std::shared_ptr<Subscriber> &each) { return each->stream.get() == stream; });
}

void StatusEvents::armKeepAlive()
{
    if (m_keepAliveArmed) {
        return;
    }
    m_keepAliveArmed = true;
    m_clock.callAfter(m_settings.keepAliveInterval, this, [this, generation = m_generation] {
        if (generation == m_generation) {
            keepAlive();
        }
    });
}

void StatusEvents::keepAlive()
{
    m_keepAliveArmed = false;
    for (const std::shared_ptr<Subscriber> &subscriber : snapshot()) {
        subscriber->stream->write(keepAliveComment());
    }
    if (!m_subscribers.empty()) {
        armKeepAlive();
    }
}

void StatusEvents::endAll()
{
    ++m_generation;
    m_keepAliveArmed = false;
    // Their flushes will not run: a waiting JSON would otherwise hold back every later one.
    for (ZoneState &zoneState : m_zones) {
        zoneState.pending.reset();
    }
    std::vector<std::shared_ptr<Subscriber>> ended;
    ended.swap(m_subscribers);
    for (const std::shared_ptr<Subscriber> &subscriber : ended) {
        disconnect(subscriber->stream.get(), nullptr, this, nullptr);
        subscriber->stream->end();
    }
    if (!ended.empty()) {
        qCInfo(lcApi) << "Ended" << ended.size() << "event stream(s)";
    }
}

} // namespace amplora::api
