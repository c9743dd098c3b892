#pragma once

// A ReceiverStore wired to a scripted transport, a manual clock, a scripted discovery and a throw-away settings
// file, with a small healthy receiver scripted by default.

#include "core/discovery/MockDiscovery.h"
#include "core/handoff/SpotifyOpening.h"
#include "core/protocol/Features.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"
#include "support/ManualClock.h"
#include "support/ScriptedTransport.h"

#include <QSettings>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace amplora::test {

// Counts what the hand-off would open instead of opening it.
class CountingOpener final : public SpotifyOpening {
public:
    explicit CountingOpener(int *opened)
        : m_opened(opened)
    { }
    std::optional<QUrl> applicationURL(const QStringList &) const override { return std::nullopt; }
    void open(const SpotifyTarget &) override { ++*m_opened; }

private:
    int *m_opened;
};

// Discovery whose answer the test sets, and which counts its runs.
class ScriptedDiscovery final : public ReceiverDiscovering {
public:
    ScriptedDiscovery(Receivers *answer, int *runs)
        : m_answer(answer)
        , m_runs(runs)
    { }
    QCoro::Task<Receivers> discover() override
    {
        ++*m_runs;
        const Receivers &answer = *m_answer; // const: QCoro 0.8 moves from a non-const lvalue given to co_return
        co_return answer;
    }
    // Every probed host answers what `discover()` would; `whileProbing` runs before the answer comes.
    QCoro::Task<QList<ProbeResult>> probe(QStringList hosts) override
    {
        if (whileProbing) {
            whileProbing();
        }
        QList<ProbeResult> results;
        for (const QString &host : hosts) {
            results.append({ host, *m_answer });
        }
        co_return results;
    }

    std::function<void()> whileProbing;

private:
    Receivers *m_answer;
    int *m_runs;
};

inline Features sampleFeatures(
    QStringList mainFunctions = { QStringLiteral("actual_volume"), QStringLiteral("extra_bass"),
        QStringLiteral("surround_ai"), QStringLiteral("signal_info") })
{
    Features features;
    features.system.inputList = {
        { QStringLiteral("hdmi1"), {}, {}, {}, QStringLiteral("none") },
        { QStringLiteral("spotify"), {}, {}, {}, QStringLiteral("netusb") },
    };
    ZoneFeatures main;
    main.id = QStringLiteral("main");
    main.funcList = mainFunctions;
    main.toneControlModeList = QStringList { QStringLiteral("manual"), QStringLiteral("auto") };
    main.rangeStep
        = { { QStringLiteral("volume"), 0, 194, 1 }, { QStringLiteral("actual_volume_db"), -80.5, 16.5, 0.5 } };
    ZoneFeatures zone2 = main;
    zone2.id = QStringLiteral("zone2");
    zone2.funcList = QStringList {};
    features.zone = { main, zone2 };
    return features;
}

inline ZoneStatus sampleStatus(double dB = -40.0)
{
    ZoneStatus status;
    status.power = QStringLiteral("on");
    status.volume = int((dB + 80.5) / 0.5);
    status.mute = false;
    status.input = QStringLiteral("hdmi1");
    status.soundProgram = QStringLiteral("straight");
    status.toneControl = ToneControl { QStringLiteral("manual"), 2, -1 };
    status.subwooferVolume = 0;
    status.actualVolume = ActualVolume { QStringLiteral("db"), dB, QStringLiteral("dB") };
    status.extraBass = false;
    status.surroundAi = false;
    return status;
}

inline DeviceInfo sampleDevice()
{
    DeviceInfo info;
    info.responseCode = 0;
    info.modelName = QStringLiteral("RX-V481");
    info.deviceId = QStringLiteral("AC44F2000001");
    return info;
}

inline PlayInfo samplePlayInfo()
{
    PlayInfo info;
    info.input = QStringLiteral("spotify");
    info.playback = QStringLiteral("play");
    info.playTime = 30;
    info.totalTime = 200;
    info.artist = QStringLiteral("Artist");
    info.track = QStringLiteral("Track");
    info.albumartUrl = QStringLiteral("/YamahaRemoteControl/AlbumART/AlbumART1.jpg");
    return info;
}

struct StoreRig {
    QTemporaryDir dir;
    ManualClock clock;
    std::shared_ptr<ScriptedTransport> transport = std::make_shared<ScriptedTransport>();
    QList<std::shared_ptr<ScriptedTransport>> madeTransports; // by the factory, in order
    QStringList factoryHosts;
    ReceiverDiscovering::Receivers discovered = QList<DiscoveredReceiver> {};
    int discoveryRuns = 0;
    ScriptedDiscovery *discovery = nullptr; // owned by the store
    int spotifyOpened = 0;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<ReceiverStore> store;

    explicit StoreRig(const QString &host = QStringLiteral("192.168.1.20"), LaunchOptions launch = {})
    {
        settings = std::make_unique<AppSettings>(
            std::make_unique<QSettings>(dir.filePath(QStringLiteral("settings.conf")), QSettings::IniFormat));
        settings->setHost(host);
        scriptHealthy(*transport);

        ReceiverStore::Parts parts;
        parts.transport = transport;
        auto scripted = std::make_unique<ScriptedDiscovery>(&discovered, &discoveryRuns);
        discovery = scripted.get();
        parts.discovery = std::move(scripted);
        parts.transportFactory = [this](const QString &asked) {
            factoryHosts.append(asked);
            auto made = std::make_shared<ScriptedTransport>();
            scriptHealthy(*made);
            madeTransports.append(made);
            return made;
        };
        parts.spotifyOpener = std::make_unique<CountingOpener>(&spotifyOpened);
        parts.clock = &clock;
        parts.eventBindAddress = QHostAddress(QHostAddress::LocalHost);
        parts.eventPort = 0;
        store = std::make_unique<ReceiverStore>(*settings, launch, std::move(parts));
    }

    ~StoreRig()
    {
        store.reset();
        transport->releaseAll();
        for (const auto &made : madeTransports) {
            made->releaseAll();
        }
    }

    static void scriptHealthy(ScriptedTransport &t)
    {
        t.answer(QStringLiteral("system/getDeviceInfo"), sampleDevice());
        t.answer(QStringLiteral("system/getFeatures"), sampleFeatures());
        t.answer(QStringLiteral("system/getNameText"),
            NameText { 0, { { QStringLiteral("main"), QStringLiteral("Den") } }, {}, {} });
        t.answer(QStringLiteral("main/getStatus"), sampleStatus());
        t.answer(QStringLiteral("zone2/getStatus"), sampleStatus(-50));
        t.answer(QStringLiteral("system/getNetworkStatus"), NetworkStatus { 0, QStringLiteral("Den Receiver") });
        t.answer(QStringLiteral("netusb/getPlayInfo"), samplePlayInfo());
    }

    // The current transport as the scripted one (the rig's own, or the newest made by the factory).
    ScriptedTransport &current() const { return static_cast<ScriptedTransport &>(*store->transport()); }

    // start() over immediate answers completes before it returns.
    void startConnected() { store->start(); }

    // Another store, over the demo receiver, on the rig's clock and settings; it listens on loopback.
    std::unique_ptr<ReceiverStore> mockStore(LaunchOptions launch = { .mock = true })
    {
        ReceiverStore::Parts parts;
        parts.clock = &clock;
        parts.eventBindAddress = QHostAddress(QHostAddress::LocalHost);
        parts.eventPort = 0;
        return std::make_unique<ReceiverStore>(*settings, launch, std::move(parts));
    }
};

using ReadOutcome = std::optional<Result<Done, StoreError>>;

// Starts a fresh read of the zone's status and leaves its outcome in `into` once it lands (at once when nothing
// is held).
inline void startRead(
    ReceiverStore &store, YXCEvent::Refresh what, ReadOutcome *into, Cancellation cancel = Cancellation())
{
    const auto drive = [](QCoro::Task<Result<Done, StoreError>> read, ReadOutcome *out) -> QCoro::Task<> {
        out->emplace(co_await read);
    };
    drive(store.freshRead(what, std::move(cancel)), into);
}

inline void startRead(ReceiverStore &store, Zone zone, ReadOutcome *into, Cancellation cancel = Cancellation())
{
    startRead(store, YXCEvent::Refresh::status(zone), into, std::move(cancel));
}

} // namespace amplora::test
