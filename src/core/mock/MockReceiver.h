#pragma once

#include "base/Result.h"
#include "core/protocol/ReceiverTransport.h"

#include <QList>
#include <QString>

#include <map>
#include <memory>
#include <optional>

namespace amplora {

struct LaunchOptions;

// A fixture file of the mock receiver that is missing or does not decode: a packaging fault of the application.
struct MockFixtureError {
    QString message;

    QString description() const { return message; }
    friend bool operator==(const MockFixtureError &, const MockFixtureError &) = default;
};

// A receiver without a network: answers the read commands from models loaded from the fixtures, applies the
// changing commands to them and records what it was asked. A fixture directory may add main_getSignalInfo.json
// (without it the receiver reports a PCM signal), netusb_getPresetInfo.json (without it, no favourites) and
// tuner_getPlayInfo.json with tuner_getPresetInfo.json (without them, a tuner that answers nothing). It
// accepts every command, also in read-only mode. Once a port is registered, each command it takes is announced
// as a push event through the event sink, as a receiver announces it on the network. Main thread only.
class MockReceiver final : public ReceiverTransport {
public:
    static constexpr auto coverPath = "/YamahaRemoteControl/AlbumART/mock.png";
    static constexpr int coverSize = 400;

    // The fixtures built into the application.
    static QString defaultFixtureDirectory() { return QStringLiteral(":/fixtures"); }
    // A second receiver built in, for previews and the window's tests: two named zones, network sources playing
    // a long title, tone controls, Extra Bass, Surround AI and a Dolby Atmos signal. Load it without the seed.
    static QString previewFixtureDirectory() { return QStringLiteral(":/fixtures/preview"); }

    // Loads the fixtures of the directory; `seedDemo` then sets the demonstration state (playing Spotify).
    static Result<std::unique_ptr<MockReceiver>, MockFixtureError> load(
        bool seedDemo = true, const QString &fixtureDirectory = defaultFixtureDirectory());

    // The adjustments the launch options ask for, applied right after loading.
    Result<Done, MockFixtureError> applyLaunchOptions(const LaunchOptions &options);

    bool isReadOnly() const override { return false; }
    // Answers at once, so there is never anything to abandon.
    QCoro::Task<Result<YXCPayload, YXCError>> fetchPayload(
        YXCCommand command, YXCPayloadType type, Cancellation cancel) override;
    QCoro::Task<Result<Done, YXCError>> send(YXCCommand command) override;
    QCoro::Task<Result<Done, YXCError>> registerForEvents(quint16 port) override;
    QCoro::Task<std::optional<QImage>> albumArt(QString path) override;
    void setEventSink(const EventSink &sink) override { m_eventSink = sink; }

    const QList<YXCCommand> &performed() const { return m_performed; }
    const QList<quint16> &registeredPorts() const { return m_registeredPorts; }

    const DeviceInfo &deviceInfo() const { return m_deviceInfo; }
    const Features &features() const { return m_features; }
    const NameText &names() const { return m_names; }
    std::optional<ZoneStatus> status(Zone zone) const;
    const PlayInfo &playInfo() const { return m_playInfo; }
    const SignalInfo &signalInfo() const { return m_signalInfo; }
    const NetworkStatus &networkStatus() const { return m_networkStatus; }
    const PresetInfo &presetInfo() const { return m_presetInfo; }
    const DistributionInfo &distributionInfo() const { return m_distributionInfo; }

    // The models the answers come from, for previews and tests that put the receiver in a given state; the next
    // read answers with what they hold.
    Features &features() { return m_features; }
    NameText &names() { return m_names; }
    std::map<Zone, ZoneStatus> &statuses() { return m_status; }
    PlayInfo &playInfo() { return m_playInfo; }
    PresetInfo &presetInfo() { return m_presetInfo; }
    // Linked with no other receiver unless a test or preview says so.
    DistributionInfo &distributionInfo() { return m_distributionInfo; }

    // The answer to a read command, before it passes the encoder and decoder; none for other commands.
    std::optional<YXCPayload> answer(const YXCCommand &command) const;
    // Applies a command to the models without recording it.
    void apply(const YXCCommand &command);

    // The cover of the demonstration track, drawn once.
    static const QImage &cover();

private:
    explicit MockReceiver(QString fixtureDirectory);

    Result<Done, MockFixtureError> loadAll();
    void seedDemo();
    ZoneStatus *zoneStatus(Zone zone);
    void setActualVolume(Zone zone, double dB);
    // The push event a receiver sends after `command`: the zone's status, or what is playing, changed.
    QByteArray eventAfter(const YXCCommand &command) const;
    void recallPreset(Zone zone, int number);
    void recallScene(Zone zone, int number);
    void recallTunerPreset(int number);

    QString m_fixtureDirectory;
    QList<YXCCommand> m_performed;
    QList<quint16> m_registeredPorts;
    EventSink m_eventSink;
    DeviceInfo m_deviceInfo;
    Features m_features;
    NameText m_names;
    std::map<Zone, ZoneStatus> m_status;
    PlayInfo m_playInfo;
    SignalInfo m_signalInfo;
    NetworkStatus m_networkStatus;
    PresetInfo m_presetInfo;
    DistributionInfo m_distributionInfo { 0, std::nullopt, std::nullopt, QStringLiteral("none"), std::nullopt, {} };
    std::optional<TunerPlayInfo> m_tunerPlayInfo;
    std::optional<TunerPresetInfo> m_tunerPresetInfo;
    // The last answer to each read, before and after the encoder and decoder. An idle window reads the same
    // answers every second and a half; passing them through JSON again each time was a quarter of what it
    // spent. A model that changed in any way goes through both again.
    struct Answered {
        YXCPayloadType type;
        YXCPayload model;
        YXCPayload decoded;
    };
    std::map<QString, Answered> m_answered;
};

} // namespace amplora
