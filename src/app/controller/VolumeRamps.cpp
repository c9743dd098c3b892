#include "app/controller/VolumeRamps.h"

#include "api/Logging.h"
#include "app/controller/ReceiverControlAdapterParts.h"
#include "core/protocol/ZoneStatus.h"
#include "core/store/ReceiverStore.h"

#include <algorithm>
#include <cmath>

namespace amplora::app {

namespace {

// Volumes come back from the receiver on its own grid, in decimals; closer than this they are the same.
constexpr double sameVolumeDb = 0.01;

} // namespace

VolumeRamps::VolumeRamps(ReceiverStore &store)
    : m_store(&store)
{
    QObject::connect(&store.state(), &ReceiverState::zonesChanged, this, &VolumeRamps::storeChanged);
    QObject::connect(&store, &ReceiverStore::editsChanged, this, &VolumeRamps::storeChanged);
    QObject::connect(&store, &ReceiverStore::transportChanged, this, &VolumeRamps::cancelAll);
    QObject::connect(&store, &QObject::destroyed, this, &VolumeRamps::cancelAll);
}

VolumeRamps::~VolumeRamps() = default;

QCoro::Task<VolumeRamps::Sent> VolumeRamps::start(
    Zone zone, double fromDb, std::vector<Volume::RampStep> steps, Send send)
{
    cancel(zone);
    if (!m_store) {
        co_return Failure { adapterparts::storeGone() };
    }
    const quint64 id = ++m_nextId;
    Ramp &ramp = m_ramps[zone];
    ramp.id = id;
    ramp.steps = std::move(steps);
    ramp.startedAt = m_store->clock().now();
    ramp.send = send;
    ramp.own = { fromDb };
    interrupted(zone, ramp); // only notes what the zone shows now
    const double first = ramp.steps.front().db;
    ramp.own.push_back(first);
    ramp.next = 1;

    QPointer<VolumeRamps> self(this);
    QCoro::Task<Sent> task = send(first);
    Sent sent = co_await std::move(task);
    if (!self) {
        co_return sent;
    }
    const Ramp *running = find(zone, id);
    if (!running) {
        co_return sent; // stopped meanwhile by someone else's change
    }
    if (!sent || running->next >= running->steps.size()) {
        m_ramps.erase(zone);
    } else {
        schedule(zone, id);
    }
    co_return sent;
}

void VolumeRamps::cancel(Zone zone)
{
    m_ramps.erase(zone);
}

void VolumeRamps::cancelAll()
{
    m_ramps.clear();
}

VolumeRamps::Ramp *VolumeRamps::find(Zone zone, quint64 id)
{
    const auto found = m_ramps.find(zone);
    return found != m_ramps.end() && found->second.id == id ? &found->second : nullptr;
}

void VolumeRamps::schedule(Zone zone, quint64 id)
{
    const Ramp *ramp = find(zone, id);
    if (!ramp || !m_store) {
        return;
    }
    Clock &clock = m_store->clock();
    const Clock::TimePoint due = ramp->startedAt + ramp->steps[ramp->next].at;
    const Clock::Duration delay = std::max(Clock::Duration::zero(), due - clock.now());
    clock.callAfter(delay, this, [this, zone, id] { sendNext(zone, id); });
}

QCoro::Task<> VolumeRamps::sendNext(Zone zone, quint64 id)
{
    Ramp *ramp = find(zone, id);
    if (!ramp) {
        co_return;
    }
    const double db = ramp->steps[ramp->next].db;
    ++ramp->next;
    // Noted before it goes out: the store shows an accepted step before the send answers.
    ramp->own.push_back(db);
    const Send send = ramp->send;

    QPointer<VolumeRamps> self(this);
    QCoro::Task<Sent> task = send(db);
    const Sent sent = co_await std::move(task);
    if (!self) {
        co_return;
    }
    ramp = find(zone, id);
    if (!ramp) {
        co_return;
    }
    if (!sent) {
        qCWarning(lcApi).noquote() << "Volume fade in" << rawValue(zone) << "stopped at"
                                   << QString::number(ramp->own.at(ramp->own.size() - 2))
                                   << "dB:" << sent.error().description();
        m_ramps.erase(zone);
        co_return;
    }
    if (ramp->next >= ramp->steps.size()) {
        m_ramps.erase(zone);
        co_return;
    }
    schedule(zone, id);
}

bool VolumeRamps::interrupted(Zone zone, Ramp &ramp)
{
    if (!m_store) {
        return true;
    }
    bool moved = false;
    const auto &edits = m_store->edits();
    const auto edit = edits.constFind(QStringLiteral("volume.") + rawValue(zone));
    const std::optional<PendingEdits::Edit> volumeEdit
        = edit != edits.cend() ? std::optional(*edit) : std::optional<PendingEdits::Edit>();
    moved = moved || (volumeEdit && volumeEdit != ramp.volumeEdit);
    ramp.volumeEdit = volumeEdit;

    const auto found = m_store->state().status().find(zone);
    if (found == m_store->state().status().end()) {
        return moved;
    }
    const ZoneStatus &status = found->second;
    moved = moved || (status.mute == true && ramp.mute != true);
    moved = moved || (status.power && *status.power != u"on" && ramp.power != status.power);
    moved = moved || (status.input && ramp.input && *status.input != *ramp.input);
    if (const std::optional<double> db = Volume::db(status, m_store->volumeScale(zone))) {
        moved = moved || std::none_of(ramp.own.cbegin(), ramp.own.cend(), [&](double own) {
            return std::abs(own - *db) < sameVolumeDb;
        });
    }
    ramp.mute = status.mute ? status.mute : ramp.mute;
    ramp.power = status.power ? status.power : ramp.power;
    ramp.input = status.input ? status.input : ramp.input;
    return moved;
}

void VolumeRamps::storeChanged()
{
    std::vector<Zone> stopped;
    for (auto &[zone, ramp] : m_ramps) {
        if (interrupted(zone, ramp)) {
            stopped.push_back(zone);
        }
    }
    for (const Zone zone : stopped) {
        cancel(zone);
    }
}

} // namespace amplora::app
