#include "TestReceiver.h"

#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"
#include "qml/PanelModel.h"

#include "support/PreviewReceiver.h"
#include "support/WaitFor.h"
#include <QSettings>
#include <QTemporaryDir>

namespace amplora {

namespace {

ZoneStatus &zoneStatus(MockReceiver &receiver, const QString &zone)
{
    return receiver.statuses()[zoneFromRawValue(zone).value_or(Zone::main)];
}

} // namespace

TestReceiver::TestReceiver(QObject *parent)
    : QObject(parent)
    , m_settings(std::make_unique<AppSettings>(std::make_unique<QSettings>()))
    , m_receiver(test::previewReceiver())
{
    m_settings->setHost(QStringLiteral("demo.invalid"));
    m_settings->setFrontPanelDisplay(false);
    ReceiverStore::Parts parts;
    parts.transport = m_receiver;
    parts.clock = &m_clock;
    parts.eventBindAddress = QHostAddress(QHostAddress::LocalHost);
    parts.eventPort = 0;
    m_store = std::make_unique<ReceiverStore>(*m_settings, LaunchOptions {}, std::move(parts));
    m_panel = std::make_unique<PanelModel>(*m_store);
}

TestReceiver::~TestReceiver()
{
    m_panel.reset();
    m_store.reset();
}

void TestReceiver::refresh()
{
    // Connecting again reads the features and names; the poll after it marks the connection live.
    (void)test::waitFor(m_store->connect(m_clock.now()));
    (void)test::waitFor(m_store->poll(m_clock.now()));
}

void TestReceiver::setPower(const QString &zone, bool on)
{
    zoneStatus(*m_receiver, zone).power = on ? QStringLiteral("on") : QStringLiteral("standby");
}

void TestReceiver::setMute(bool on)
{
    m_receiver->statuses()[Zone::main].mute = on;
}

void TestReceiver::setInput(const QString &id)
{
    m_receiver->statuses()[Zone::main].input = id;
    m_receiver->playInfo().input = id;
}

void TestReceiver::setPlayback(const QString &playback, const QString &artist, const QString &track)
{
    m_receiver->playInfo().playback = playback;
    m_receiver->playInfo().artist = artist;
    m_receiver->playInfo().track = track;
}

void TestReceiver::setTimes(int played, int total)
{
    m_receiver->playInfo().playTime = played;
    m_receiver->playInfo().totalTime = total;
}

void TestReceiver::setFunctions(const QStringList &functions)
{
    m_receiver->features().zone[0].funcList = functions;
}

void TestReceiver::setVolumeUnknown()
{
    m_receiver->statuses()[Zone::main].actualVolume.reset();
    m_receiver->statuses()[Zone::main].volume.reset();
}

QString TestReceiver::lastSent() const
{
    return m_receiver->performed().isEmpty() ? QString() : m_receiver->performed().last().path();
}

} // namespace amplora
