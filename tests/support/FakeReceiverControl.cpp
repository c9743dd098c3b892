#include "support/FakeReceiverControl.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace amplora::test {

using namespace api;

namespace {

QString number(std::optional<double> value)
{
    return value ? QString::number(*value) : QStringLiteral("-");
}

QString word(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
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

template<class T>
ControlTask<T> FakeReceiverControl::call(
    QString operation, QStringList arguments, bool isCommand, std::function<T()> answer)
{
    const QString record = (QStringList { operation } + arguments).join(u' ');
    if (auto failure = co_await begin(operation, record, isCommand))
        co_return Failure { *failure };
    co_return answer();
}

template<class F, class T>
ControlTask<Done> FakeReceiverControl::setField(
    QString operation, Zone zone, QString argument, F ReceiverStatus::*field, T value)
{
    return call<Done>(std::move(operation), { enumName(zone), std::move(argument) }, true, [this, zone, field, value] {
        zoneStatus(zone).*field = value;
        return Done {};
    });
}

ControlTask<ReceiverStatus> FakeReceiverControl::status(Zone zone, Cancellation)
{
    return call<ReceiverStatus>(
        QStringLiteral("status"), { enumName(zone) }, false, [this, zone] { return zoneStatus(zone); });
}

ControlTask<QList<Zone>> FakeReceiverControl::zones(Cancellation)
{
    return call<QList<Zone>>(QStringLiteral("zones"), {}, false, [this] { return zoneList; });
}

ControlTask<Done> FakeReceiverControl::setPower(Zone zone, PowerState state, Cancellation)
{
    return setField(QStringLiteral("setPower"), zone, enumName(state), &ReceiverStatus::power, state);
}

ControlTask<Done> FakeReceiverControl::setVolume(Zone zone, double db, Cancellation)
{
    return setField(QStringLiteral("setVolume"), zone, number(db), &ReceiverStatus::volumeDb, db);
}

ControlTask<double> FakeReceiverControl::stepVolume(Zone zone, VolumeStepDirection direction, Cancellation)
{
    // Like the real control: a step up past the cap is refused before anything reaches the receiver.
    const bool up = direction == VolumeStepDirection::up;
    const double target = zoneStatus(zone).volumeDb + (up ? stepDb : -stepDb);
    if (up && target > capDb)
        co_return Failure { ControlError::volumeAboveCap(target, capDb) };
    const QStringList arguments { enumName(zone), enumName(direction) };
    co_return co_await call<double>(QStringLiteral("stepVolume"), arguments, true, [this, zone, target] {
        zoneStatus(zone).volumeDb = std::min(target, capDb);
        return zoneStatus(zone).volumeDb;
    });
}

ControlTask<Done> FakeReceiverControl::rampVolume(
    Zone zone, double db, std::chrono::milliseconds duration, Cancellation)
{
    // Recorded with its seconds as a door sends them; the fade itself is the real control's, so it lands at once.
    const QStringList arguments { enumName(zone), number(db), number(double(duration.count()) / 1000) };
    return call<Done>(QStringLiteral("rampVolume"), arguments, true, [this, zone, db] {
        zoneStatus(zone).volumeDb = db;
        return Done {};
    });
}

ControlTask<Done> FakeReceiverControl::setMute(Zone zone, bool mute, Cancellation)
{
    return setField(QStringLiteral("setMute"), zone, word(mute), &ReceiverStatus::mute, mute);
}

ControlTask<Done> FakeReceiverControl::setInput(Zone zone, QString name, Cancellation)
{
    return setField(QStringLiteral("setInput"), zone, name, &ReceiverStatus::input, name);
}

ControlTask<Done> FakeReceiverControl::setSoundMode(Zone zone, QString name, Cancellation)
{
    return setField(QStringLiteral("setSoundMode"), zone, name, &ReceiverStatus::soundMode, name);
}

ControlTask<Done> FakeReceiverControl::setTone(
    Zone zone, std::optional<double> bass, std::optional<double> treble, Cancellation)
{
    const QStringList arguments { enumName(zone), QStringLiteral("bass=") + number(bass),
        QStringLiteral("treble=") + number(treble) };
    return call<Done>(QStringLiteral("setTone"), arguments, true, [this, zone, bass, treble] {
        if (bass)
            zoneStatus(zone).bass = bass;
        if (treble)
            zoneStatus(zone).treble = treble;
        return Done {};
    });
}

ControlTask<Done> FakeReceiverControl::setSubwoofer(Zone zone, double db, Cancellation)
{
    return setField(QStringLiteral("setSubwoofer"), zone, number(db), &ReceiverStatus::subwoofer, db);
}

ControlTask<Done> FakeReceiverControl::playback(PlaybackAction action, Cancellation)
{
    return call<Done>(QStringLiteral("playback"), { enumName(action) }, true, [] { return Done {}; });
}

ControlTask<QStringList> FakeReceiverControl::inputs(Zone zone, Cancellation)
{
    return call<QStringList>(QStringLiteral("inputs"), { enumName(zone) }, false,
        [this, zone] { return inputNames.at(static_cast<std::size_t>(zone)); });
}

ControlTask<QStringList> FakeReceiverControl::soundModes(Zone zone, Cancellation)
{
    return call<QStringList>(QStringLiteral("soundModes"), { enumName(zone) }, false,
        [this, zone] { return soundModeNames.at(static_cast<std::size_t>(zone)); });
}

ControlTask<double> FakeReceiverControl::volumeCapDb()
{
    return call<double>(QStringLiteral("volumeCapDb"), {}, false, [this] { return capDb; });
}

ControlTask<ReceiverHealth> FakeReceiverControl::health()
{
    return call<ReceiverHealth>(QStringLiteral("health"), {}, false, [this] { return healthReport; });
}

ControlTask<std::chrono::milliseconds> FakeReceiverControl::checkPushEvents()
{
    return call<std::chrono::milliseconds>(
        QStringLiteral("checkPushEvents"), {}, false, [this] { return pushEventLatency; });
}

ControlTask<int> FakeReceiverControl::setSleep(Zone zone, int minutes, Cancellation)
{
    int sent = 120;
    for (const int step : { 0, 30, 60, 90, 120 }) {
        if (minutes <= step) {
            sent = step;
            break;
        }
    }
    const auto done
        = co_await setField(QStringLiteral("setSleep"), zone, QString::number(sent), &ReceiverStatus::sleep, sent);
    if (!done)
        co_return Failure { done.error() };
    co_return sent;
}

ControlTask<Done> FakeReceiverControl::setDirect(Zone zone, bool enabled, Cancellation)
{
    return setField(QStringLiteral("setDirect"), zone, word(enabled), &ReceiverStatus::direct, enabled);
}

ControlTask<Done> FakeReceiverControl::setEnhancer(Zone zone, bool enabled, Cancellation)
{
    return setField(QStringLiteral("setEnhancer"), zone, word(enabled), &ReceiverStatus::enhancer, enabled);
}

ControlTask<Done> FakeReceiverControl::setDialogueLevel(Zone zone, int level, Cancellation)
{
    return setField(
        QStringLiteral("setDialogueLevel"), zone, QString::number(level), &ReceiverStatus::dialogueLevel, level);
}

ControlTask<Done> FakeReceiverControl::setRepeat(Zone zone, RepeatMode mode, Cancellation)
{
    return setField(QStringLiteral("setRepeat"), zone, enumName(mode), &ReceiverStatus::repeat, mode);
}

ControlTask<Done> FakeReceiverControl::setShuffle(Zone zone, ShuffleMode mode, Cancellation)
{
    return setField(QStringLiteral("setShuffle"), zone, enumName(mode), &ReceiverStatus::shuffle, mode);
}

ControlTask<QList<Favourite>> FakeReceiverControl::favourites(Zone zone, Cancellation)
{
    return call<QList<Favourite>>(
        QStringLiteral("favourites"), { enumName(zone) }, false, [this] { return favouriteList; });
}

ControlTask<Favourite> FakeReceiverControl::recallFavourite(Zone zone, int number, Cancellation)
{
    const auto found = std::find_if(favouriteList.cbegin(), favouriteList.cend(),
        [number](const Favourite &favourite) { return favourite.number == number; });
    if (found == favouriteList.cend())
        co_return Failure { ControlError::unknownFavourite(number) };
    const Favourite favourite = *found;
    // Named: the closure holds a favourite, and g++ 12 destroys a closure in a co_await expression twice.
    const QStringList arguments { enumName(zone), QString::number(number) };
    const std::function<Favourite()> answer = [favourite] { return favourite; };
    co_return co_await call<Favourite>(QStringLiteral("recallFavourite"), arguments, true, answer);
}

ControlTask<Done> FakeReceiverControl::recallReceiverScene(Zone zone, int number, Cancellation)
{
    return call<Done>(QStringLiteral("recallReceiverScene"), { enumName(zone), QString::number(number) }, true,
        [] { return Done {}; });
}

ControlTask<QList<TunerPreset>> FakeReceiverControl::tunerPresets(Zone zone, Cancellation)
{
    return call<QList<TunerPreset>>(
        QStringLiteral("tunerPresets"), { enumName(zone) }, false, [this] { return tunerPresetList; });
}

ControlTask<TunerPreset> FakeReceiverControl::recallTunerPreset(Zone zone, int number, Cancellation)
{
    const auto found = std::find_if(tunerPresetList.cbegin(), tunerPresetList.cend(),
        [number](const TunerPreset &preset) { return preset.number == number; });
    if (found == tunerPresetList.cend())
        co_return Failure { ControlError::refused(
            ControlError::Kind::unknownFavourite, QStringLiteral("No tuner preset number %1.").arg(number)) };
    const TunerPreset preset = *found;
    const QStringList arguments { enumName(zone), QString::number(number) };
    const std::function<TunerPreset()> answer = [preset] { return preset; };
    co_return co_await call<TunerPreset>(QStringLiteral("recallTunerPreset"), arguments, true, answer);
}

} // namespace amplora::test
