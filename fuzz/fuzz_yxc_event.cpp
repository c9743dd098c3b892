// libFuzzer target: push-event datagrams. Whatever arrives, parsing must not crash, and an event's refreshes must
// only name the zones it carries, and the favourites only when it says they changed.

#include "core/events/YXCEvent.h"

#include <QLoggingCategory>

#include <cstdint>
#include <cstdlib>

using namespace amplora;

// A value left out is worth a debug line in use; thousands a second would only slow the search down.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("amplora.*.debug=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray datagram(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const auto event = YXCEvent::parse(datagram);
    if (!event) {
        return 0;
    }
    for (const auto &refresh : event->refreshes()) {
        if (refresh.kind == YXCEvent::Refresh::Kind::status && !event->zones.contains(refresh.zone)) {
            std::abort();
        }
        if (refresh.kind == YXCEvent::Refresh::Kind::presets && !(event->netusb && event->netusb->presetInfoUpdated)) {
            std::abort();
        }
    }
    return 0;
}
