#pragma once

#include "api/control/ControlError.h"
#include "base/Clock.h"
#include "base/Result.h"
#include "core/capabilities/Volume.h"
#include "core/protocol/Zone.h"
#include "core/store/PendingEdits.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace amplora {
class ReceiverStore;
} // namespace amplora

namespace amplora::app {

// The zones' running volume fades, one per zone. Each step goes out when the store's clock has it due, through the
// sender its fade was started with. A fade stops where it stands as soon as the store shows someone else at work
// on the zone: mute turned on, power gone off, another input, a volume the fade did not set, or the window's
// volume control moved. A new receiver (transport) ends them all.
class VolumeRamps final : public QObject {
    Q_OBJECT

public:
    using Sent = Result<Done, api::ControlError>;
    // Sends one step's volume down the same capped path as any other volume change.
    using Send = std::function<QCoro::Task<Sent>(double db)>;

    // `store` outlives nothing here: once it is gone every fade is over.
    explicit VolumeRamps(ReceiverStore &store);
    ~VolumeRamps() override;

    // Replaces the zone's fade with one over `steps`, counted from now and starting at `fromDb`, sends the first
    // step at once and answers with how that went. A first step that fails leaves no fade behind.
    QCoro::Task<Sent> start(Zone zone, double fromDb, std::vector<Volume::RampStep> steps, Send send);
    // Stops the zone's fade: no further step goes out.
    void cancel(Zone zone);
    void cancelAll();
    bool isRunning(Zone zone) const { return m_ramps.contains(zone); }

private:
    struct Ramp {
        quint64 id = 0;
        std::vector<Volume::RampStep> steps;
        std::size_t next = 0;
        Clock::TimePoint startedAt;
        Send send;
        // The volume it started from and every one it sent: the store showing any other is someone else's change.
        std::vector<double> own;
        // What the zone showed last, so only a change of it counts.
        std::optional<bool> mute;
        std::optional<QString> power;
        std::optional<QString> input;
        std::optional<PendingEdits::Edit> volumeEdit;
    };

    Ramp *find(Zone zone, quint64 id);
    void schedule(Zone zone, quint64 id);
    QCoro::Task<> sendNext(Zone zone, quint64 id);
    // Whether what the store shows of the zone now belongs to someone else; updates what the fade saw last.
    bool interrupted(Zone zone, Ramp &ramp);
    void storeChanged();

    QPointer<ReceiverStore> m_store;
    std::map<Zone, Ramp> m_ramps;
    quint64 m_nextId = 0;
};

} // namespace amplora::app
