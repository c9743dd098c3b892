#include "core/capabilities/Accepted.h"

#include "core/capabilities/Playback.h"
#include "core/capabilities/Power.h"
#include "core/capabilities/Volume.h"

#include <type_traits>
#include <variant>

namespace amplora::Accepted {

bool apply(ZoneStatus &status, Zone zone, const YXCCommand &command, const std::optional<VolumeScale> &scale)
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
                status.power = Power::word(change.state == PowerState::on);
            } else if constexpr (std::is_same_v<C, YXCCommand::SetVolume>) {
                Volume::setRaw(status, change.step, scale);
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
            } else if constexpr (std::is_same_v<C, YXCCommand::RecallTunerPreset>) {
                // A tuner preset turns the zone on and switches it to the tuner.
                status.power = Power::word(true);
                status.input = QStringLiteral("tuner");
            } else {
                return false;
            }
            return true;
        },
        command.value());
}

bool apply(PlayInfo &info, const YXCCommand &command)
{
    if (const auto *playback = command.as<YXCCommand::SetPlayback>()) {
        if (playback->action != PlaybackAction::play && playback->action != PlaybackAction::pause) {
            return false; // another track, or a stop: what follows is the player's to say
        }
        info.playback = Playback::word(playback->action == PlaybackAction::play);
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

} // namespace amplora::Accepted
