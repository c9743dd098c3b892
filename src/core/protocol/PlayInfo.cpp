#include "core/protocol/PlayInfo.h"

namespace amplora {

bool PlayInfo::hasMetadata() const
{
    if (track && !track->isEmpty()) {
        return true;
    }
    return artist && !artist->isEmpty();
}

} // namespace amplora
