#include "SettingsRig.h"

#include "app/settings/APISettings.h"
#include "core/discovery/MockDiscovery.h"

#include <cmath>

namespace amplora::test {

SettingsRig::SettingsRig(QObject *parent)
    : QObject(parent)
{
    ReceiverStore::Parts parts;
    parts.discovery = std::make_unique<MockDiscovery>(
        QList<DiscoveredReceiver> { { QStringLiteral("Living Room"), QStringLiteral("RX-V481"),
                                        QStringLiteral("10.0.0.5"), QStringLiteral("AAA1") },
            { QStringLiteral("Den"), QStringLiteral("RX-A2080"), QStringLiteral("10.0.0.9"),
                QStringLiteral("AC44F2DEMO01") } });
    m_rig = std::make_unique<PreviewRig>(
        std::make_unique<QSettings>(m_fakes.dir.filePath(QStringLiteral("app.conf")), QSettings::IniFormat),
        std::move(parts));

    m_controller = m_fakes.make(std::make_shared<api::InMemoryTokenStore>(QStringLiteral("a-token-of-any-length")));
    m_api = std::make_unique<app::APISettings>(*m_controller, *m_rig->store);

    api::ReceiverStatus &main = m_fakes.control->zoneStatus(api::Zone::main);
    main.power = api::PowerState::on;
    main.input = QStringLiteral("Spotify");
    main.volumeDb = -30;
    m_fakes.control->inputNames[0] = { QStringLiteral("Spotify"), QStringLiteral("HDMI 1") };
    refresh();
}

SettingsRig::~SettingsRig()
{
    m_api.reset();
    m_controller.reset();
    m_rig.reset();
}

QObject *SettingsRig::api() const
{
    return m_api.get();
}

void SettingsRig::setZoneCount(int count)
{
    const auto zone2 = std::find_if(m_rig->receiver->features().zone.begin(), m_rig->receiver->features().zone.end(),
        [](const ZoneFeatures &zone) { return zone.id == QStringLiteral("zone2"); });
    if (count < 2 && zone2 != m_rig->receiver->features().zone.end()) {
        m_rig->receiver->features().zone.erase(zone2);
    }
    if (count >= 2 && zone2 == m_rig->receiver->features().zone.end()) {
        ZoneFeatures copy = m_rig->receiver->features().zone.front();
        copy.id = QStringLiteral("zone2");
        m_rig->receiver->features().zone.append(copy);
    }
}

void SettingsRig::setVolumeScale(double minimum, double maximum, double step)
{
    for (ZoneFeatures &zone : m_rig->receiver->features().zone) {
        for (RangeStep &range : zone.rangeStep) {
            if (range.id == QStringLiteral("actual_volume")) {
                range.min = minimum;
                range.max = maximum;
                range.step = step;
            }
        }
    }
}

void SettingsRig::failScenes(const QString &message)
{
    m_fakes.scenes->failure = message.isEmpty() ? std::nullopt : std::optional(api::SceneStoreError { message });
}

void SettingsRig::setControlStatus(double volumeDb, double bass, double treble, double subwoofer)
{
    api::ReceiverStatus &main = m_fakes.control->zoneStatus(api::Zone::main);
    const auto given = [](double value) { return std::isnan(value) ? std::nullopt : std::optional(value); };
    main.volumeDb = volumeDb;
    main.bass = given(bass);
    main.treble = given(treble);
    main.subwoofer = given(subwoofer);
}

void SettingsRig::setControlExtras(int direct, int sleep)
{
    api::ReceiverStatus &main = m_fakes.control->zoneStatus(api::Zone::main);
    main.direct = direct < 0 ? std::nullopt : std::optional(direct > 0);
    main.sleep = sleep < 0 ? std::nullopt : std::optional(sleep);
}

int SettingsRig::storedSceneCount() const
{
    return static_cast<int>(m_fakes.scenes->scenes.size());
}

QVariantMap SettingsRig::storedScene(int index) const
{
    return app::APISettings::sceneMap(m_fakes.scenes->scenes.at(index));
}

} // namespace amplora::test
