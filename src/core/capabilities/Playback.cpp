#include "core/capabilities/Playback.h"

namespace amplora {

namespace Playback {

namespace {

const QString play = QStringLiteral("play");

} // namespace

bool isPlaying(const std::optional<PlayInfo> &info)
{
    if (!info || !info->playback) {
        return false;
    }
    const QString &word = *info->playback;
    return word == play || word == QStringLiteral("fast_forward") || word == QStringLiteral("fast_reverse");
}

bool isStopped(const PlayInfo &info)
{
    return info.playback == QStringLiteral("stop");
}

QString word(bool playing)
{
    return playing ? play : QStringLiteral("pause");
}

PlaybackAction toggled(const std::optional<PlayInfo> &info)
{
    return isPlaying(info) ? PlaybackAction::pause : PlaybackAction::play;
}

} // namespace Playback

namespace PlayerModes {

namespace {

const std::optional<QString> *current(Capability which, const PlayInfo &info)
{
    return which == Capability::repeat ? &info.repeat : &info.shuffle;
}

} // namespace

QStringList offered(Capability which, const std::optional<PlayInfo> &info)
{
    if (!info) {
        return {};
    }
    const auto &modes = which == Capability::repeat ? info->repeatAvailable : info->shuffleAvailable;
    return modes.value_or(QStringList());
}

std::optional<QString> next(Capability which, const std::optional<PlayInfo> &info)
{
    const QStringList modes = offered(which, info);
    if (!info || modes.isEmpty()) {
        return std::nullopt;
    }
    const std::optional<QString> &now = *current(which, *info);
    const qsizetype at = now ? modes.indexOf(*now) : -1;
    return modes.at((at + 1) % modes.size());
}

Refusable<YXCCommand> command(Capability which, Zone zone, const std::optional<PlayInfo> &info, const QString &mode)
{
    const QStringList modes = offered(which, info);
    if (modes.isEmpty()) {
        return Failure { Refusal::notSupported(zone, which) };
    }
    if (!modes.contains(mode)) {
        return Failure { Refusal::modeNotOffered(which, mode, modes) };
    }
    return which == Capability::repeat ? YXCCommand::setRepeat(mode) : YXCCommand::setShuffle(mode);
}

} // namespace PlayerModes

} // namespace amplora
