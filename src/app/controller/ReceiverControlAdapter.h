#pragma once

#include "api/control/ReceiverControl.h"
#include "core/capabilities/Capability.h"
#include "core/events/YXCEvent.h"
#include "core/protocol/Features.h"
#include "core/protocol/NameText.h"
#include "core/protocol/PlayInfo.h"
#include "core/protocol/VolumeScale.h"
#include "core/protocol/YXCCommand.h"
#include "core/protocol/YXCError.h"
#include "core/protocol/ZoneStatus.h"
#include "core/store/FriendlyNames.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

namespace amplora {
class ReceiverStore;
class ReceiverTransport;
} // namespace amplora

namespace amplora::app {

class VolumeRamps;

// The API's control contract on top of the receiver store. It does not use the store's optimistic controls:
// every change becomes one receiver command, capped by the user's volume cap and awaited on the store's current
// transport, so the caller learns whether the receiver took it. Read-only mode and the cap therefore hold for
// API clients and the session-bus actions exactly as they do for the window.
class ReceiverControlAdapter final : public api::ReceiverControl {
public:
    explicit ReceiverControlAdapter(ReceiverStore &store);
    ~ReceiverControlAdapter() override;

    api::ControlTask<api::ReceiverStatus> status(api::Zone zone, Cancellation cancel) override;
    api::ControlTask<QList<api::Zone>> zones(Cancellation cancel) override;
    api::ControlTask<Done> setPower(api::Zone zone, api::PowerState state, Cancellation cancel) override;
    api::ControlTask<Done> setVolume(api::Zone zone, double db, Cancellation cancel) override;
    api::ControlTask<double> stepVolume(
        api::Zone zone, api::VolumeStepDirection direction, Cancellation cancel) override;
    api::ControlTask<Done> rampVolume(
        api::Zone zone, double db, std::chrono::milliseconds duration, Cancellation cancel) override;
    api::ControlTask<Done> setMute(api::Zone zone, bool mute, Cancellation cancel) override;
    api::ControlTask<Done> setInput(api::Zone zone, QString name, Cancellation cancel) override;
    api::ControlTask<Done> setSoundMode(api::Zone zone, QString name, Cancellation cancel) override;
    api::ControlTask<Done> setTone(
        api::Zone zone, std::optional<double> bass, std::optional<double> treble, Cancellation cancel) override;
    api::ControlTask<Done> setSubwoofer(api::Zone zone, double db, Cancellation cancel) override;
    api::ControlTask<Done> playback(api::PlaybackAction action, Cancellation cancel) override;
    api::ControlTask<QStringList> inputs(api::Zone zone, Cancellation cancel) override;
    api::ControlTask<QStringList> soundModes(api::Zone zone, Cancellation cancel) override;
    api::ControlTask<double> volumeCapDb() override;
    api::ControlTask<api::ReceiverHealth> health() override;
    api::ControlTask<std::chrono::milliseconds> checkPushEvents() override;
    api::ControlTask<int> setSleep(api::Zone zone, int minutes, Cancellation cancel) override;
    api::ControlTask<Done> setDirect(api::Zone zone, bool enabled, Cancellation cancel) override;
    api::ControlTask<Done> setEnhancer(api::Zone zone, bool enabled, Cancellation cancel) override;
    api::ControlTask<Done> setDialogueLevel(api::Zone zone, int level, Cancellation cancel) override;
    api::ControlTask<Done> setRepeat(api::Zone zone, api::RepeatMode mode, Cancellation cancel) override;
    api::ControlTask<Done> setShuffle(api::Zone zone, api::ShuffleMode mode, Cancellation cancel) override;
    api::ControlTask<QList<api::Favourite>> favourites(api::Zone zone, Cancellation cancel) override;
    api::ControlTask<api::Favourite> recallFavourite(api::Zone zone, int number, Cancellation cancel) override;
    api::ControlTask<QList<api::TunerPreset>> tunerPresets(api::Zone zone, Cancellation cancel) override;
    api::ControlTask<api::TunerPreset> recallTunerPreset(api::Zone zone, int number, Cancellation cancel) override;
    api::ControlTask<Done> recallReceiverScene(api::Zone zone, int number, Cancellation cancel) override;

    // The zone's status as the store holds it now, without asking the receiver: for publishing a change the
    // store learned (an accepted command, a push event) at once. None while the store lacks the zone or its
    // features.
    std::optional<api::ReceiverStatus> storedStatus(api::Zone zone);

    // A receiver failure in the control's terms: the read-only refusal naming the blocked path as its own kind,
    // everything else as a plain receiver failure.
    static api::ControlError controlError(const YXCError &error);
    // A refusal of the receiver's own rules as the control's error of the same kind and words.
    static api::ControlError controlError(const Refusal &refusal);
    // The API's zones and the receiver's, one to one.
    static Zone coreZone(api::Zone zone);
    static api::Zone apiZone(Zone zone);

private:
    // What one operation works with: the transport it started on, the features (the store's, or fetched
    // through that transport when the store does not hold them yet) and the names when they could be read.
    struct Context {
        std::shared_ptr<ReceiverTransport> transport;
        Features features;
        std::optional<NameText> names;
        std::optional<DistributionInfo> distribution; // the receiver's link, when it was read
        const ZoneFeatures *zone(api::Zone zone) const;
        std::optional<VolumeScale> volumeScale(api::Zone zone) const;
    };

    // Every step below checks `cancel` after each wait: a caller that has gone gets ControlError::abandoned, and
    // no change of its goes out after that.
    QCoro::Task<Result<Context, api::ControlError>> prepare(Cancellation cancel);
    // Repeat or shuffle: sends `mode` when what is playing now (read afresh) offers it.
    QCoro::Task<Result<Done, api::ControlError>> sendPlayerMode(
        api::Zone zone, Capability which, QString mode, Cancellation cancel);
    // What a capability makes of a request for the zone, from the zone's announced features.
    using ZoneCommand = std::function<Refusable<YXCCommand>(Zone zone, const ZoneFeatures *features)>;
    // The command `make` makes, sent on the transport the features were read through; or its refusal.
    QCoro::Task<Result<Done, api::ControlError>> sendForZone(api::Zone zone, ZoneCommand make, Cancellation cancel);
    // A command a capability made, or its refusal in the control's terms.
    QCoro::Task<Result<Done, api::ControlError>> sendChecked(
        Refusable<YXCCommand> command, std::shared_ptr<ReceiverTransport> transport, Cancellation cancel);
    QCoro::Task<Result<Done, api::ControlError>> send(YXCCommand command, std::shared_ptr<ReceiverTransport> transport,
        std::optional<VolumeScale> scale, Cancellation cancel);
    QCoro::Task<Result<Done, api::ControlError>> sendVolume(
        api::Zone zone, double db, Context context, Cancellation cancel);
    // `what` read through the store's fresh reads (shared with every other caller, served from the store while
    // fresh), in the control's terms. A failure of an answer that came too late to count is no failure: the
    // store then holds what is newer.
    QCoro::Task<Result<Done, api::ControlError>> freshRead(YXCEvent::Refresh what, Cancellation cancel);
    // The zone's status refreshed from the receiver (never the last known one), with what it was read under.
    struct FreshStatus {
        Context context;
        ZoneStatus status;
    };
    QCoro::Task<Result<FreshStatus, api::ControlError>> freshStatus(api::Zone zone, Cancellation cancel);
    // The zone's volume read afresh, for a change made from it (a step, a fade); fails as noVolumeRange when the
    // zone gives none.
    struct FreshVolume {
        Context context;
        std::optional<VolumeScale> scale;
        double db = 0;
        double capDb = 0;
    };
    QCoro::Task<Result<FreshVolume, api::ControlError>> freshVolume(api::Zone zone, Cancellation cancel);
    // The API's status from what the store holds; fails as noVolumeRange when the zone gives no volume.
    Result<api::ReceiverStatus, api::ControlError> statusOf(api::Zone zone, const Context &context,
        const ZoneStatus &zoneStatus, const std::optional<PlayInfo> &playing,
        const std::optional<TunerPlayInfo> &tuned);

    QPointer<ReceiverStore> m_store;
    FriendlyNames::Memo m_names;
    // Every other change of a zone's volume, mute, power or input made here stops the zone's fade first.
    std::unique_ptr<VolumeRamps> m_ramps;
};

} // namespace amplora::app
