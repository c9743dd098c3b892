#include "qml/VolumeModel.h"

#include "core/capabilities/Levels.h"
#include "core/capabilities/Volume.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"
#include "qml/StoreReadings.h"
#include "qml/UiContext.h"

namespace amplora {

VolumeModel::VolumeModel(ReceiverStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    using S = ReceiverStore;
    m_watch.watch(&store, &S::displayedVolumeDBChanged, { "volumeDB" });
    // The scale's four values change together; one of them stands for all.
    m_watch.watch(&store.state(), &ReceiverState::receiverChanged, { "minDB", "maxDB", "stepDB", "scaleKnown" });
    m_watch.watch(&store, &S::selectedZoneChanged, { "minDB", "maxDB", "stepDB", "scaleKnown" });
    m_watch.watch(&store.settings(), &AppSettings::maxVolumeDBChanged, { "capDB" });
    m_watch.watch(&store, &S::currentStatusChanged, { "muted" });
}

VolumeModel *VolumeModel::create(QQmlEngine *engine, QJSEngine *)
{
    return UiContext::model(engine, &ViewModels::volume);
}

QVariant VolumeModel::volumeDB() const
{
    return StoreReadings::optional(m_store.displayedVolumeDB());
}

double VolumeModel::minDB() const
{
    const auto scale = m_store.volumeScale(m_store.selectedZone());
    return scale ? scale->minDB : Levels::lowestVolumeDb;
}

double VolumeModel::maxDB() const
{
    const auto scale = m_store.volumeScale(m_store.selectedZone());
    return scale ? scale->maxDB : Levels::highestVolumeDb;
}

double VolumeModel::stepDB() const
{
    const auto scale = m_store.volumeScale(m_store.selectedZone());
    // Every receiver's volume moves in half decibels.
    return scale ? scale->stepDB : 0.5;
}

bool VolumeModel::scaleKnown() const
{
    return m_store.volumeScale(m_store.selectedZone()).has_value();
}

double VolumeModel::capDB() const
{
    return m_store.settings().maxVolumeDB();
}

bool VolumeModel::muted() const
{
    const auto status = m_store.currentStatus();
    return status && status->mute.value_or(false);
}

void VolumeModel::setVolume(double dB)
{
    m_store.setVolume(dB);
}

void VolumeModel::stepVolume(bool up)
{
    const auto scale = m_store.volumeScale(m_store.selectedZone());
    const std::optional<double> shown = m_store.displayedVolumeDB();
    if (!scale || !shown) {
        return;
    }
    const double stepped = Volume::stepped(*shown, scale, up ? Volume::Step::up : Volume::Step::down);
    const double target = scale->limit(stepped, m_store.settings().maxVolumeDB());
    // A level already above the cap (set on the receiver itself) is not pulled down by a step up.
    if (up ? target > *shown : target < *shown) {
        m_store.setVolume(target);
    }
}

void VolumeModel::toggleMute()
{
    m_store.toggleMute();
}

} // namespace amplora
