#include "TestReceiver.h"

namespace amplora {

TestReceiver::TestReceiver(QObject *parent)
    : QObject(parent)
{
    m_rig.settings->setFrontPanelDisplay(false);
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

QString TestReceiver::lastSent() const
{
    return m_rig.lastSent();
}

} // namespace amplora
