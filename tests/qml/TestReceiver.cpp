#include "TestReceiver.h"

#include "app/settings/APISettings.h"
#include "core/discovery/MockDiscovery.h"

#include <cmath>

namespace amplora::test {

namespace {

// Two receivers on the LAN for the settings window's search, the second one saved.
std::unique_ptr<ReceiverDiscovering> twoReceivers()
{
    return std::make_unique<MockDiscovery>(
        QList<DiscoveredReceiver> { { QStringLiteral("Living Room"), QStringLiteral("RX-V481"),
                                        QStringLiteral("10.0.0.5"), QStringLiteral("AAA1") },
            { QStringLiteral("Den"), QStringLiteral("RX-A2080"), QStringLiteral("10.0.0.9"),
                QStringLiteral("AC44F2DEMO01") } });
}

} // namespace

TestReceiver::TestReceiver(QObject *parent)
    : QObject(parent)
    , m_rig(std::make_unique<PreviewRig>(
          std::make_unique<QSettings>(m_fakes.dir.filePath(QStringLiteral("app.conf")), QSettings::IniFormat),
          ReceiverStore::Parts { .discovery = twoReceivers() }))
    , m_receiver(*m_rig->receiver)
    , m_controller(m_fakes.make(std::make_shared<api::InMemoryTokenStore>(QStringLiteral("a-token-of-any-length"))))
    , m_api(std::make_unique<app::APISettings>(*m_controller, *m_rig->store))
{
    m_rig->settings->setFrontPanelDisplay(false);
    api::ReceiverStatus &main = m_fakes.control->zoneStatus(api::Zone::main);
    main.power = api::PowerState::on;
    main.input = QStringLiteral("Spotify");
    main.volumeDb = -30;
    m_fakes.control->inputNames[0] = { QStringLiteral("Spotify"), QStringLiteral("HDMI 1") };
}

TestReceiver::~TestReceiver()
{
    m_api.reset();
    m_controller.reset();
    m_rig.reset();
}

QObject *TestReceiver::api() const
{
    return m_api.get();
}

QString TestReceiver::lastSentQuery() const
{
    QStringList pairs;
    if (!m_receiver.performed().isEmpty()) {
        for (const auto &[name, value] : m_receiver.performed().last().queryItems()) {
            pairs.append(name + u'=' + value);
        }
    }
    return pairs.join(u'&');
}

void TestReceiver::setPower(const QString &zone, bool on)
{
    m_receiver.statuses()[zoneFromRawValue(zone).value_or(Zone::main)].power
        = on ? QStringLiteral("on") : QStringLiteral("standby");
}

void TestReceiver::setMute(bool on)
{
    m_receiver.statuses()[Zone::main].mute = on;
}

void TestReceiver::setInput(const QString &id)
{
    m_receiver.statuses()[Zone::main].input = id;
    m_receiver.playInfo().input = id;
}

void TestReceiver::setPlayback(const QString &playback, const QString &artist, const QString &track)
{
    m_receiver.playInfo().playback = playback;
    m_receiver.playInfo().artist = artist;
    m_receiver.playInfo().track = track;
}

void TestReceiver::setTimes(int played, int total)
{
    m_receiver.playInfo().playTime = played;
    m_receiver.playInfo().totalTime = total;
}

void TestReceiver::setFunctions(const QStringList &functions)
{
    m_receiver.features().zone[0].funcList = functions;
}

void TestReceiver::setVolumeUnknown()
{
    m_receiver.statuses()[Zone::main].actualVolume.reset();
    m_receiver.statuses()[Zone::main].volume.reset();
}

void TestReceiver::setVolume(double dB)
{
    m_receiver.statuses()[Zone::main].actualVolume = ActualVolume { QStringLiteral("db"), dB, QStringLiteral("dB") };
}

void TestReceiver::setSleep(int minutes)
{
    m_receiver.statuses()[Zone::main].sleep = minutes;
}

void TestReceiver::setTone(int bass, double min, double max, double step)
{
    auto &status = m_receiver.statuses()[Zone::main];
    const std::optional<int> treble = status.toneControl ? status.toneControl->treble : std::nullopt;
    status.toneControl = ToneControl { QStringLiteral("manual"), bass, treble };
    auto &ranges = m_receiver.features().zone[0].rangeStep;
    ranges.removeIf([](const RangeStep &range) { return range.id == QStringLiteral("tone_control"); });
    if (step > 0) {
        ranges.append({ QStringLiteral("tone_control"), min, max, step });
    }
}

void TestReceiver::setZoneCount(int count)
{
    QList<ZoneFeatures> &zones = m_receiver.features().zone;
    const auto zone2
        = std::find_if(zones.begin(), zones.end(), [](const ZoneFeatures &zone) { return zone.id == u"zone2"; });
    if (count < 2 && zone2 != zones.end()) {
        zones.erase(zone2);
    }
    if (count >= 2 && zone2 == zones.end()) {
        ZoneFeatures copy = zones.front();
        copy.id = QStringLiteral("zone2");
        zones.append(copy);
    }
}

void TestReceiver::setVolumeScale(double minimum, double maximum, double step)
{
    for (ZoneFeatures &zone : m_receiver.features().zone) {
        for (RangeStep &range : zone.rangeStep) {
            if (range.id == QStringLiteral("actual_volume")) {
                range.min = minimum;
                range.max = maximum;
                range.step = step;
            }
        }
    }
}

void TestReceiver::failScenes(const QString &message)
{
    m_fakes.scenes->failure = message.isEmpty() ? std::nullopt : std::optional(api::SceneStoreError { message });
}

void TestReceiver::setControlStatus(double volumeDb, double bass, double treble, double subwoofer)
{
    api::ReceiverStatus &main = m_fakes.control->zoneStatus(api::Zone::main);
    const auto given = [](double value) { return std::isnan(value) ? std::nullopt : std::optional(value); };
    main.volumeDb = volumeDb;
    main.bass = given(bass);
    main.treble = given(treble);
    main.subwoofer = given(subwoofer);
}

void TestReceiver::setControlExtras(int direct, int sleep)
{
    api::ReceiverStatus &main = m_fakes.control->zoneStatus(api::Zone::main);
    main.direct = direct < 0 ? std::nullopt : std::optional(direct > 0);
    main.sleep = sleep < 0 ? std::nullopt : std::optional(sleep);
}

int TestReceiver::storedSceneCount() const
{
    return static_cast<int>(m_fakes.scenes->scenes.size());
}

QVariantMap TestReceiver::storedScene(int index) const
{
    return app::APISettings::sceneMap(m_fakes.scenes->scenes.at(index));
}

} // namespace amplora::test
