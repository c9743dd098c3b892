#include "core/store/ZoneRules.h"

#include "core/protocol/Features.h"

#include <algorithm>
#include <iterator>
#include <type_traits>
#include <variant>

namespace amplora::ZoneRules {

namespace {

const QString on = QStringLiteral("on");
const QString play = QStringLiteral("play");

} // namespace

std::optional<double> volumeDB(const ZoneStatus &status, const std::optional<VolumeScale> &scale)
{
    if (status.actualVolume && status.actualVolume->mode == QStringLiteral("db") && status.actualVolume->value) {
        return *status.actualVolume->value;
    }
    if (status.volume && scale) {
        return scale->dB(*status.volume);
    }
    return std::nullopt;
}

void setRawVolume(ZoneStatus &status, int raw, const std::optional<VolumeScale> &scale)
{
    status.volume = raw;
    if (scale) {
        status.actualVolume = ActualVolume { QStringLiteral("db"), scale->dB(raw), QStringLiteral("dB") };
    }
}

bool applyAccepted(ZoneStatus &status, Zone zone, const YXCCommand &command, const std::optional<VolumeScale> &scale)
{
    if (command.zone() != zone) {
        return false;
    }
    return std::visit(
        [&status, &scale](const auto &change) {
            using C = std::decay_t<decltype(change)>;
            if constexpr (std::is_same_v<C, YXCCommand::SetPower>) {
                if (change.state == PowerState::toggle) {
                    return false;
                }
                status.power = powerWord(change.state == PowerState::on);
            } else if constexpr (std::is_same_v<C, YXCCommand::SetVolume>) {
                setRawVolume(status, change.step, scale);
            } else if constexpr (std::is_same_v<C, YXCCommand::SetActualVolume>) {
                status.actualVolume = ActualVolume { QStringLiteral("db"), change.dB, QStringLiteral("dB") };
                if (scale) {
                    status.volume = scale->raw(change.dB);
                }
            } else if constexpr (std::is_same_v<C, YXCCommand::SetMute>) {
                status.mute = change.enable;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetInput>) {
                status.input = change.input;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetSoundProgram>) {
                status.soundProgram = change.program;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetToneControl>) {
                ToneControl tone = status.toneControl.value_or(ToneControl {});
                if (change.mode) {
                    tone.mode = change.mode;
                }
                if (change.bass) {
                    tone.bass = change.bass;
                }
                if (change.treble) {
                    tone.treble = change.treble;
                }
                status.toneControl = tone;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetSubwooferVolume>) {
                status.subwooferVolume = change.level;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetExtraBass>) {
                status.extraBass = change.enable;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetSurroundAI>) {
                status.surroundAi = change.enable;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetSleep>) {
                status.sleep = change.minutes;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetPureDirect>) {
                status.pureDirect = change.enable;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetDirect>) {
                status.direct = change.enable;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetEnhancer>) {
                status.enhancer = change.enable;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetDialogueLevel>) {
                status.dialogueLevel = change.level;
            } else {
                return false;
            }
            return true;
        },
        command.value());
}

bool applyAccepted(PlayInfo &info, const YXCCommand &command)
{
    if (const auto *playback = command.as<YXCCommand::SetPlayback>()) {
        if (playback->action != PlaybackAction::play && playback->action != PlaybackAction::pause) {
            return false; // another track, or a stop: what follows is the player's to say
        }
        info.playback = playbackWord(playback->action == PlaybackAction::play);
        return true;
    }
    if (const auto *repeat = command.as<YXCCommand::SetRepeat>()) {
        info.repeat = repeat->mode;
        return true;
    }
    if (const auto *shuffle = command.as<YXCCommand::SetShuffle>()) {
        info.shuffle = shuffle->mode;
        return true;
    }
    return false;
}

bool takesDecibels(const ZoneFeatures *features)
{
    return features && features->funcList.contains(QStringLiteral("actual_volume"));
}

std::optional<YXCCommand> volumeCommand(Zone zone, bool decibels, const std::optional<VolumeScale> &scale, double dB)
{
    if (decibels) {
        return YXCCommand::setActualVolume(zone, dB);
    }
    if (scale) {
        return YXCCommand::setVolume(zone, scale->raw(dB));
    }
    return std::nullopt;
}

double steppedVolume(double currentDB, const std::optional<VolumeScale> &scale, VolumeStep direction)
{
    const double step = scale ? scale->stepDB : 0.5;
    return currentDB + (direction == VolumeStep::up ? step : -step);
}

std::optional<QString> manualToneMode(const ZoneFeatures *features)
{
    const QString manual = QStringLiteral("manual");
    if (features && features->toneControlModeList && features->toneControlModeList->contains(manual)) {
        return manual;
    }
    return std::nullopt;
}

bool announces(const ZoneFeatures *features, const QString &function)
{
    return features && features->funcList.contains(function);
}

int sleepMinutes(int minutes)
{
    for (const int step : sleepSteps) {
        if (minutes <= step) {
            return step;
        }
    }
    return std::end(sleepSteps)[-1];
}

int nextSleepMinutes(int minutes)
{
    // A timer counting down (45 left of 60) moves on to the next setting above what is left.
    for (const int step : sleepSteps) {
        if (step > std::max(minutes, 0)) {
            return step;
        }
    }
    return sleepSteps[0];
}

std::optional<YXCCommand> directCommand(Zone zone, const ZoneFeatures *features, bool enable)
{
    if (announces(features, QStringLiteral("pure_direct"))) {
        return YXCCommand::setPureDirect(zone, enable);
    }
    if (announces(features, QStringLiteral("direct"))) {
        return YXCCommand::setDirect(zone, enable);
    }
    return std::nullopt;
}

std::optional<bool> directState(const ZoneStatus &status, const ZoneFeatures *features)
{
    if (announces(features, QStringLiteral("pure_direct"))) {
        return status.pureDirect;
    }
    if (announces(features, QStringLiteral("direct"))) {
        return status.direct;
    }
    return std::nullopt;
}

const RangeStep *dialogueRange(const ZoneFeatures *features)
{
    const QString dialogue = QStringLiteral("dialogue_level");
    return announces(features, dialogue) ? features->range(dialogue) : nullptr;
}

int sceneCount(const ZoneFeatures *features)
{
    return announces(features, QStringLiteral("scene")) ? std::max(0, features->sceneNum.value_or(0)) : 0;
}

bool isOn(const ZoneStatus &status)
{
    return status.power == on;
}

bool isOn(const std::optional<ZoneStatus> &status)
{
    return status && isOn(*status);
}

QString powerWord(bool isOn)
{
    return isOn ? on : QStringLiteral("standby");
}

bool isPlaying(const std::optional<PlayInfo> &info)
{
    return info && info->playback == play;
}

bool isStopped(const PlayInfo &info)
{
    return info.playback == QStringLiteral("stop");
}

QString playbackWord(bool playing)
{
    return playing ? play : QStringLiteral("pause");
}

} // namespace amplora::ZoneRules
