#include "core/store/UpdatesState.h"

namespace amplora {

QString updatesStateName(UpdatesState state)
{
    switch (state) {
    case UpdatesState::push:
        return QStringLiteral("push");
    case UpdatesState::polling:
        return QStringLiteral("polling");
    case UpdatesState::stale:
        return QStringLiteral("stale");
    }
    return {};
}

} // namespace amplora
