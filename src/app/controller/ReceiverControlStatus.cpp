#include "app/controller/ReceiverControlAdapter.h"

#include "app/controller/ReceiverControlAdapterParts.h"
#include "core/capabilities/Link.h"
#include "core/capabilities/Playback.h"
#include "core/capabilities/Power.h"
#include "core/capabilities/Switches.h"
#include "core/capabilities/Tone.h"
#include "core/capabilities/Tuner.h"
#include "core/capabilities/Volume.h"
#include "core/protocol/VolumeScale.h"
#include "core/store/ReceiverStore.h"

namespace amplora::app {

using adapterparts::inputEntries;
using adapterparts::programEntries;
using adapterparts::storeGone;

namespace {

QString nameOfId(const QList<FriendlyNames::Entry> &entries, const QString &id)
{
    for (const auto &entry : entries) {
        if (entry.id == id) {
            return entry.name;
        }
    }
    return id;
}

std::optional<api::NowPlaying> nowPlayingOf(const std::optional<PlayInfo> &info)
{
    if (!info) {
        return std::nullopt;
    }
    return api::NowPlaying { info->playback, info->artist, info->album, info->track, {}, {}, {}, {} };
}

std::optional<api::NowPlaying> nowPlayingOf(const std::optional<TunerPlayInfo> &info, const Features &features)
{
    const std::optional<Tuner::Reading> reading
        = info ? Tuner::reading(*info, features.tuner ? &*features.tuner : nullptr) : std::nullopt;
    if (!reading) {
        return std::nullopt;
    }
    api::NowPlaying playing;
    playing.band = reading->band;
    if (!reading->frequency.isEmpty()) {
        playing.frequency = reading->frequency;
    }
    playing.station = reading->station;
    playing.text = reading->text;
    return playing;
}

// Whether the zone listens to the network/USB player, whose play information the status then shows.
bool playsFromPlayer(const Features &features, const ZoneStatus &status)
{
    const InputFeature *input = features.system.input(status.input.value_or(QString()));
    return input && input->playInfoType == QStringLiteral("netusb");
}

} // namespace

Result<api::ReceiverStatus, api::ControlError> ReceiverControlAdapter::statusOf(api::Zone zone, const Context &context,
    const ZoneStatus &zoneStatus, const std::optional<PlayInfo> &playing, const std::optional<TunerPlayInfo> &tuned)
{
    const ZoneFeatures *features = context.zone(zone);
    const std::optional<double> volumeDb = Volume::db(zoneStatus, context.volumeScale(zone));
    if (!features || !volumeDb) {
        return Failure { api::ControlError::noVolumeRange(zone) };
    }

    api::ReceiverStatus status;
    status.zone = zone;
    status.power = Power::isOn(zoneStatus) ? api::PowerState::on : api::PowerState::standby;
    status.volumeDb = *volumeDb;
    status.mute = zoneStatus.mute.value_or(false);
    const QString inputId = zoneStatus.input.value_or(QString());
    status.input = nameOfId(inputEntries(m_names, features, context.names, context.distribution), inputId);
    if (zoneStatus.soundProgram) {
        status.soundMode = nameOfId(programEntries(m_names, features, context.names), *zoneStatus.soundProgram);
    }
    status.bass = Tone::bassDb(zoneStatus);
    status.treble = Tone::trebleDb(zoneStatus);
    if (Subwoofer::supported(features)) {
        status.subwoofer = Subwoofer::db(zoneStatus);
    }
    if (Sleep::supported(features)) {
        status.sleep = zoneStatus.sleep;
    }
    status.direct = Direct::state(zoneStatus, features);
    if (Switch::supported(Capability::enhancer, features)) {
        status.enhancer = Switch::state(Capability::enhancer, zoneStatus);
    }
    if (announces(features, QStringLiteral("dialogue_level"))) {
        status.dialogueLevel = zoneStatus.dialogueLevel;
    }
    if (playsFromPlayer(context.features, zoneStatus)) {
        status.nowPlaying = nowPlayingOf(playing);
        const std::optional<QString> repeat = playing ? playing->repeat : std::nullopt;
        if (repeat && !PlayerModes::offered(Capability::repeat, playing).isEmpty()) {
            status.repeat = api::enumFromName<api::RepeatMode>(*repeat);
        }
        const std::optional<QString> shuffle = playing ? playing->shuffle : std::nullopt;
        if (shuffle && !PlayerModes::offered(Capability::shuffle, playing).isEmpty()) {
            status.shuffle = api::enumFromName<api::ShuffleMode>(*shuffle);
        }
    } else if (Tuner::supported(context.features) && Tuner::isPlaying(zoneStatus)) {
        status.nowPlaying = nowPlayingOf(tuned, context.features);
    }
    if (const std::optional<Link::ZoneLink> link = Link::of(context.distribution, coreZone(zone))) {
        status.link = api::ZoneLink { link->role == Link::Role::server ? api::LinkRole::server : api::LinkRole::client,
            link->group };
    }
    return status;
}

api::ControlTask<api::ReceiverStatus> ReceiverControlAdapter::status(api::Zone zone, Cancellation cancel)
{
    const auto fresh = co_await freshStatus(zone, cancel);
    if (!fresh) {
        co_return Failure { fresh.error() };
    }
    if (playsFromPlayer(fresh->context.features, fresh->status)) {
        // What is playing is a detail of the status: a failed refresh keeps the last known player state.
        const auto played = co_await freshRead(YXCEvent::Refresh::playInfo(), cancel);
        if (!played && played.error().kind() == api::ControlError::Kind::abandoned) {
            co_return Failure { played.error() };
        }
        if (!m_store) {
            co_return Failure { storeGone() };
        }
    } else if (Tuner::supported(fresh->context.features) && Tuner::isPlaying(fresh->status)) {
        const auto tuned = co_await freshRead(YXCEvent::Refresh::tunerPlayInfo(), cancel);
        if (!tuned && tuned.error().kind() == api::ControlError::Kind::abandoned) {
            co_return Failure { tuned.error() };
        }
        if (!m_store) {
            co_return Failure { storeGone() };
        }
    }
    co_return statusOf(
        zone, fresh->context, fresh->status, m_store->state().playInfo(), m_store->state().tunerPlayInfo());
}

std::optional<api::ReceiverStatus> ReceiverControlAdapter::storedStatus(api::Zone zone)
{
    if (!m_store) {
        return std::nullopt;
    }
    const std::optional<Features> &features = m_store->state().features();
    if (!features) {
        return std::nullopt;
    }
    const auto found = m_store->state().status().find(coreZone(zone));
    if (found == m_store->state().status().end()) {
        return std::nullopt;
    }
    const Context context { m_store->transport(), *features, m_store->state().names(),
        m_store->state().distribution() };
    auto status = statusOf(zone, context, found->second, m_store->state().playInfo(), m_store->state().tunerPlayInfo());
    if (!status) {
        return std::nullopt;
    }
    return std::move(status).value();
}

} // namespace amplora::app
