#include "core/protocol/PlaybackAction.h"

#include "core/protocol/RawValueTable.h"

namespace amplora {

namespace {

using namespace Qt::StringLiterals;

constexpr RawValueTable<PlaybackAction, 5> names { { { PlaybackAction::play, "play"_L1 },
    { PlaybackAction::pause, "pause"_L1 }, { PlaybackAction::stop, "stop"_L1 },
    { PlaybackAction::previous, "previous"_L1 }, { PlaybackAction::next, "next"_L1 } } };

} // namespace

QString rawValue(PlaybackAction value)
{
    return rawValueIn(names, value);
}

std::optional<PlaybackAction> playbackActionFromRawValue(QStringView raw)
{
    return valueIn(names, raw);
}

} // namespace amplora
