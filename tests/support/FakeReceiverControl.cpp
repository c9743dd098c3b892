#include "support/FakeReceiverControl.h"

#include <utility>

namespace amplora::test {

using namespace api;

namespace {

QString number(std::optional<double> value)
{
    return value ? QString::number(*value) : QStringLiteral("-");
}

} // namespace

FakeReceiverControl::FakeReceiverControl()
{
    for (const Zone zone : { Zone::main, Zone::zone2 }) {
        ReceiverStatus &s = zoneStatus(zone);
        s.zone = zone;
        s.power = PowerState::on;
        s.volumeDb = -40;
        s.input = QStringLiteral("HDMI 1");
    }
}

FakeReceiverControl::~FakeReceiverControl()
{
    // A call left waiting would never finish and its caller would leak; let them all complete.
    hold = false;
    releaseHeld();
}

void FakeReceiverControl::releaseHeld()
{
    // Only the calls waiting now: a call made by a resumed caller waits for the next release.
    const std::vector<std::coroutine_handle<>> waiting = std::exchange(m_held, {});
    for (const std::coroutine_handle<> handle : waiting)
        handle.resume();
}

QCoro::Task<std::optional<ControlError>> FakeReceiverControl::begin(QString operation, QString record, bool isCommand)
{
    (isCommand ? commands : reads).append(record);
    co_await Held { *this };
    if (const auto found = m_failures.constFind(operation); found != m_failures.constEnd())
        co_return ControlError(*found);
    co_return std::nullopt;
}

ControlTask<ReceiverStatus> FakeReceiverControl::status(Zone zone)
{
    if (auto failure = co_await begin(QStringLiteral("status"), QStringLiteral("status ") + enumName(zone), false))
        co_return Failure { *failure };
    // Copies throughout: QCoro moves from an lvalue handed to co_return when it converts it to the result.
    co_return ReceiverStatus(zoneStatus(zone));
}

ControlTask<Done> FakeReceiverControl::setPower(Zone zone, PowerState state)
{
    if (auto failure = co_await begin(
            QStringLiteral("setPower"), QStringLiteral("setPower %1 %2").arg(enumName(zone), enumName(state)), true))
        co_return Failure { *failure };
    zoneStatus(zone).power = state;
    co_return Done {};
}

ControlTask<Done> FakeReceiverControl::setVolume(Zone zone, double db)
{
    if (auto failure = co_await begin(
            QStringLiteral("setVolume"), QStringLiteral("setVolume %1 %2").arg(enumName(zone), number(db)), true))
        co_return Failure { *failure };
    zoneStatus(zone).volumeDb = db;
    co_return Done {};
}

ControlTask<Done> FakeReceiverControl::stepVolume(Zone zone, VolumeStepDirection direction)
{
    if (auto failure = co_await begin(QStringLiteral("stepVolume"),
            QStringLiteral("stepVolume %1 %2").arg(enumName(zone), enumName(direction)), true))
        co_return Failure { *failure };
    zoneStatus(zone).volumeDb += direction == VolumeStepDirection::up ? stepDb : -stepDb;
    co_return Done {};
}

ControlTask<Done> FakeReceiverControl::setMute(Zone zone, bool mute)
{
    if (auto failure = co_await begin(QStringLiteral("setMute"),
            QStringLiteral("setMute %1 %2")
                .arg(enumName(zone), mute ? QStringLiteral("true") : QStringLiteral("false")),
            true))
        co_return Failure { *failure };
    zoneStatus(zone).mute = mute;
    co_return Done {};
}

ControlTask<Done> FakeReceiverControl::setInput(Zone zone, QString name)
{
    if (auto failure
        = co_await begin(QStringLiteral("setInput"), QStringLiteral("setInput %1 %2").arg(enumName(zone), name), true))
        co_return Failure { *failure };
    zoneStatus(zone).input = name;
    co_return Done {};
}

ControlTask<Done> FakeReceiverControl::setSoundMode(Zone zone, QString name)
{
    if (auto failure = co_await begin(
            QStringLiteral("setSoundMode"), QStringLiteral("setSoundMode %1 %2").arg(enumName(zone), name), true))
        co_return Failure { *failure };
    zoneStatus(zone).soundMode = name;
    co_return Done {};
}

ControlTask<Done> FakeReceiverControl::setTone(Zone zone, std::optional<double> bass, std::optional<double> treble)
{
    if (auto failure = co_await begin(QStringLiteral("setTone"),
            QStringLiteral("setTone %1 bass=%2 treble=%3").arg(enumName(zone), number(bass), number(treble)), true))
        co_return Failure { *failure };
    if (bass)
        zoneStatus(zone).bass = bass;
    if (treble)
        zoneStatus(zone).treble = treble;
    co_return Done {};
}

ControlTask<Done> FakeReceiverControl::setSubwoofer(Zone zone, double db)
{
    if (auto failure = co_await begin(
            QStringLiteral("setSubwoofer"), QStringLiteral("setSubwoofer %1 %2").arg(enumName(zone), number(db)), true))
        co_return Failure { *failure };
    zoneStatus(zone).subwoofer = db;
    co_return Done {};
}

ControlTask<Done> FakeReceiverControl::playback(PlaybackAction action)
{
    if (auto failure = co_await begin(QStringLiteral("playback"), QStringLiteral("playback ") + enumName(action), true))
        co_return Failure { *failure };
    co_return Done {};
}

ControlTask<QStringList> FakeReceiverControl::inputs(Zone zone)
{
    if (auto failure = co_await begin(QStringLiteral("inputs"), QStringLiteral("inputs ") + enumName(zone), false))
        co_return Failure { *failure };
    co_return QStringList(inputNames.at(static_cast<std::size_t>(zone)));
}

ControlTask<QStringList> FakeReceiverControl::soundModes(Zone zone)
{
    if (auto failure
        = co_await begin(QStringLiteral("soundModes"), QStringLiteral("soundModes ") + enumName(zone), false))
        co_return Failure { *failure };
    co_return QStringList(soundModeNames.at(static_cast<std::size_t>(zone)));
}

ControlTask<double> FakeReceiverControl::volumeCapDb()
{
    if (auto failure = co_await begin(QStringLiteral("volumeCapDb"), QStringLiteral("volumeCapDb"), false))
        co_return Failure { *failure };
    co_return capDb;
}

} // namespace amplora::test
