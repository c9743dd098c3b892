#pragma once

#include "api/control/ReceiverControl.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <coroutine>
#include <functional>
#include <vector>

namespace amplora::test {

// A receiver behind the API's control contract that records every call. Its answers come from the public
// fields, which tests edit freely; state-changing calls also update the statuses, so a later status() sees
// them. Every task completes at once (unless `hold` is set), so a caller can drive it without an event loop.
class FakeReceiverControl : public api::ReceiverControl {
public:
    FakeReceiverControl();
    ~FakeReceiverControl() override;

    // Per zone, indexed by api::Zone.
    std::array<api::ReceiverStatus, 2> statuses;
    QList<api::Zone> zoneList { api::Zone::main, api::Zone::zone2 };
    std::array<QStringList, 2> inputNames;
    std::array<QStringList, 2> soundModeNames;
    double capDb = 0;
    double stepDb = 0.5; // the zones' volume step
    api::ReceiverHealth healthReport;
    QList<api::Favourite> favouriteList { { 1, QStringLiteral("Harbour FM"), QStringLiteral("net_radio") },
        { 2, QStringLiteral("Morning Jazz"), QStringLiteral("spotify") },
        { 4, QStringLiteral("Vinyl Rips"), QStringLiteral("server") } };
    QList<api::TunerPreset> tunerPresetList { { 1, QStringLiteral("fm"), QStringLiteral("98.10 MHz"), std::nullopt },
        { 3, QStringLiteral("am"), QStringLiteral("531 kHz"), std::nullopt } };
    std::chrono::milliseconds pushEventLatency { 40 }; // what checkPushEvents() measures
    // While set, every call is recorded and then waits until releaseHeld(), so a test can act while requests
    // are in flight (stop a server, drop a connection, send a second request).
    bool hold = false;
    qsizetype heldCount() const { return static_cast<qsizetype>(m_held.size()); }
    // Lets the calls waiting now go on, oldest first.
    void releaseHeld();

    // State-changing calls in order, written like "setVolume main -30" or "setTone main bass=-2 treble=-";
    // these are what would have reached the receiver.
    QStringList commands;
    // Read calls in order: "status main", "zones", "inputs zone2", "soundModes main", "volumeCapDb", "health",
    // "checkPushEvents".
    QStringList reads;

    // Makes every later call of `operation` (a method name such as "setInput" or "inputs") fail.
    void failOn(const QString &operation, api::ControlError error) { m_failures.insert(operation, error); }
    void failOnReceiver(const QString &operation, const QString &description)
    {
        failOn(operation, api::ControlError::receiverFailure(description));
    }

    api::ReceiverStatus &zoneStatus(api::Zone zone) { return statuses.at(static_cast<std::size_t>(zone)); }

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
    api::ControlTask<Done> recallReceiverScene(api::Zone zone, int number, Cancellation cancel) override;
    api::ControlTask<QList<api::TunerPreset>> tunerPresets(api::Zone zone, Cancellation cancel) override;
    api::ControlTask<api::TunerPreset> recallTunerPreset(api::Zone zone, int number, Cancellation cancel) override;

private:
    struct Held {
        FakeReceiverControl &fake;
        bool await_ready() const noexcept { return !fake.hold; }
        void await_suspend(std::coroutine_handle<> handle) { fake.m_held.push_back(handle); }
        void await_resume() const noexcept { }
    };

    // A command that changes one field of the zone's status when it is sent.
    template<class F, class T>
    api::ControlTask<Done> setField(
        QString operation, api::Zone zone, QString argument, F api::ReceiverStatus::*field, T value);
    QCoro::Task<std::optional<api::ControlError>> begin(QString operation, QString record, bool isCommand);
    // Records the call, waits while held, then fails as told or gives `answer()` (a copy, never a reference).
    template<class T>
    api::ControlTask<T> call(QString operation, QStringList arguments, bool isCommand, std::function<T()> answer);

    QHash<QString, api::ControlError> m_failures;
    std::vector<std::coroutine_handle<>> m_held;
};

} // namespace amplora::test
