#include "app/controller/StatusEventFeed.h"

#include "api/server/StatusEvents.h"
#include "app/controller/ReceiverControlAdapter.h"
#include "core/capabilities/Tuner.h"
#include "core/protocol/Features.h"
#include "core/store/ReceiverStore.h"

namespace amplora::app {

namespace {

// The part of what is playing that a status shows; the play time moves every second and shows nowhere.
std::optional<PlayInfo> shownPart(const std::optional<PlayInfo> &info)
{
    if (!info) {
        return std::nullopt;
    }
    PlayInfo shown;
    shown.playback = info->playback;
    shown.artist = info->artist;
    shown.album = info->album;
    shown.track = info->track;
    shown.repeat = info->repeat;
    shown.shuffle = info->shuffle;
    shown.repeatAvailable = info->repeatAvailable;
    shown.shuffleAvailable = info->shuffleAvailable;
    return shown;
}

} // namespace

StatusEventFeed::StatusEventFeed(ReceiverStore &store, api::StatusEvents &events)
    : m_store(&store)
    , m_control(std::make_shared<ReceiverControlAdapter>(store))
    , m_events(events)
    , m_seen(store.state().status())
    , m_seenPlaying(shownPart(store.state().playInfo()))
    , m_seenFeatures(store.state().features())
    , m_seenNames(store.state().names())
{
    connect(&store.state(), &ReceiverState::zonesChanged, this, &StatusEventFeed::statusChanged);
    connect(&store.state(), &ReceiverState::playbackChanged, this, &StatusEventFeed::playInfoChanged);
    connect(&store.state(), &ReceiverState::receiverChanged, this, &StatusEventFeed::receiverChanged);
    connect(&store.state(), &ReceiverState::linkChanged, this, &StatusEventFeed::linkChanged);
}

void StatusEventFeed::statusChanged()
{
    const std::map<Zone, ZoneStatus> &now = m_store->state().status();
    for (const auto &[zone, status] : now) {
        const auto seen = m_seen.find(zone);
        if (seen == m_seen.end() || seen->second != status) {
            request(ReceiverControlAdapter::apiZone(zone));
        }
    }
    m_seen = now;
}

void StatusEventFeed::playInfoChanged()
{
    if (m_store->state().tunerPlayInfo() != m_seenTuner) {
        m_seenTuner = m_store->state().tunerPlayInfo();
        // Only a zone listening to the tuner shows it.
        for (const auto &[zone, status] : m_store->state().status()) {
            if (Tuner::isPlaying(status)) {
                request(ReceiverControlAdapter::apiZone(zone));
            }
        }
    }
    std::optional<PlayInfo> shown = shownPart(m_store->state().playInfo());
    if (shown == m_seenPlaying) {
        return;
    }
    m_seenPlaying = std::move(shown);
    // Only a zone listening to the player shows it.
    const std::optional<Features> &features = m_store->state().features();
    for (const auto &[zone, status] : m_store->state().status()) {
        const InputFeature *input = features && status.input ? features->system.input(*status.input) : nullptr;
        if (input && input->playInfoType == QStringLiteral("netusb")) {
            request(ReceiverControlAdapter::apiZone(zone));
        }
    }
}

void StatusEventFeed::receiverChanged()
{
    const ReceiverState &state = m_store->state();
    if (state.features() == m_seenFeatures && state.names() == m_seenNames) {
        return;
    }
    m_seenFeatures = state.features();
    m_seenNames = state.names();
    for (const auto &[zone, status] : m_store->state().status()) {
        request(ReceiverControlAdapter::apiZone(zone));
    }
}

void StatusEventFeed::linkChanged()
{
    for (const auto &[zone, status] : m_store->state().status()) {
        request(ReceiverControlAdapter::apiZone(zone));
    }
}

void StatusEventFeed::request(api::Zone zone)
{
    if (m_events.subscriberCount() == 0) {
        return;
    }
    // What the store holds now goes out at once; the read below only confirms or corrects it.
    if (const std::optional<api::ReceiverStatus> stored = m_control->storedStatus(zone)) {
        m_events.publish(zone, api::StatusEvents::statusJSON(*stored));
    }
    read(zone);
}

QCoro::Task<> StatusEventFeed::read(api::Zone zone)
{
    QPointer<StatusEventFeed> self(this);
    const std::shared_ptr<ReceiverControlAdapter> control = m_control;
    SingleFlight &reading = m_reading.at(static_cast<std::size_t>(zone));
    if (!reading.begin()) {
        co_return;
    }
    do {
        const auto status = co_await control->status(zone, Cancellation());
        if (!self) {
            co_return;
        }
        // A failed read publishes nothing: subscribers keep the last status they had.
        if (status) {
            m_events.publish(zone, api::StatusEvents::statusJSON(status.value()));
        }
        if (m_events.subscriberCount() == 0) {
            reading.stop();
        }
    } while (reading.another());
}

} // namespace amplora::app
