#pragma once

#include "api/control/ReceiverStatus.h"
#include "api/control/Zone.h"
#include "api/http/ResponseStream.h"

#include "base/Clock.h"
#include "base/Throttler.h"

#include <QByteArray>
#include <QList>
#include <QObject>

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace amplora::api {

// The subscribers of GET /api/v1/events and what they are sent: each zone's status JSON as an "event: status"
// whenever it changes, at most once per `minimumInterval` per zone (the latest wins), and a comment line every
// `keepAliveInterval` so idle connections stay open through proxies and clients notice a dead server.
//
// It lives on the main thread. Whoever learns of a change publishes the zone's JSON; publishing the JSON a
// subscriber already has sends it nothing, and starts no interval. Time comes from the injected clock.
class StatusEvents final : public QObject {
    Q_OBJECT

public:
    struct Settings {
        int maxSubscribers = 16;
        std::chrono::milliseconds minimumInterval { 100 };
        std::chrono::milliseconds keepAliveInterval { 15000 };
        // Bytes that may wait unsent for one subscriber before it is dropped.
        qsizetype maxPendingBytes = qsizetype { 256 } * 1024;
    };

    // `clock` must outlive the events.
    explicit StatusEvents(Clock &clock = Clock::system());
    StatusEvents(Settings settings, Clock &clock, QObject *parent = nullptr);
    ~StatusEvents() override;

    const Settings &settings() const { return m_settings; }
    int subscriberCount() const { return static_cast<int>(m_subscribers.size()); }

    // A new subscriber's stream, or none when `maxSubscribers` are subscribed already. It is sent nothing of a
    // zone until sendFirst() gives it that zone's first event.
    std::shared_ptr<ResponseStream> subscribe();
    // Sends the subscriber the zone's first event, `json` just read; from then on it gets what is published of
    // the zone. What was published while `json` was being read is no newer and is not sent.
    void sendFirst(const std::shared_ptr<ResponseStream> &stream, Zone zone, const QByteArray &json);
    // The zone's status JSON now; sent to the subscribers that do not have it yet, once the zone's interval
    // since its last event has passed.
    void publish(Zone zone, const QByteArray &json);
    // Ends every stream; their connections close once the queued events are out.
    void endAll();

    // The status as GET /api/v1/status answers it.
    static QByteArray statusJSON(const ReceiverStatus &status);

private:
    struct Subscriber {
        std::shared_ptr<ResponseStream> stream;
        // Per zone, the JSON it has; none until its first event of the zone is out.
        std::array<std::optional<QByteArray>, 2> sent;
    };
    // A copy to walk over: a write may drop a subscriber, and its connection then removes it at once.
    std::vector<std::shared_ptr<Subscriber>> snapshot() const { return m_subscribers; }
    // The zone's pace: `pending` is the JSON waiting for the end of the interval since `lastSentAt`, the last
    // time an event of the zone went out.
    using ZoneState = ThrottleState<QByteArray>;

    void flushPending(Zone zone);
    // Sends `json` to the subscribers of the zone that have its first event and not this JSON; whether any had.
    bool send(Zone zone, const QByteArray &json);
    bool isNews(Zone zone, const QByteArray &json) const;
    ZoneState &state(Zone zone) { return m_zones.at(static_cast<std::size_t>(zone)); }
    void remove(const ResponseStream *stream);
    void armKeepAlive();
    void keepAlive();

    Settings m_settings;
    Clock &m_clock;
    std::vector<std::shared_ptr<Subscriber>> m_subscribers;
    std::array<ZoneState, 2> m_zones;
    bool m_keepAliveArmed = false;
    // Bumped by endAll(), so timers armed before it do nothing.
    quint64 m_generation = 0;
};

} // namespace amplora::api
