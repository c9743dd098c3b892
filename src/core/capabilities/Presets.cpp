#include "core/capabilities/Presets.h"

#include <algorithm>

namespace amplora {

namespace Favourites {

bool supported(const std::optional<Features> &features, Zone zone)
{
    return features && features->netusb && features->netusb->preset && features->zoneFeatures(zone);
}

std::optional<int> slotCount(const std::optional<Features> &features, Zone zone)
{
    if (!features || !features->zoneFeatures(zone) || !features->netusb || !features->netusb->preset) {
        return std::nullopt;
    }
    return features->netusb->preset->num;
}

Refusable<YXCCommand> recall(
    Zone zone, const std::optional<Features> &features, const QList<ListedPreset> &listed, int number)
{
    if (!supported(features, zone)) {
        return Failure { Refusal::notSupported(zone, Capability::favourites) };
    }
    const bool filled = std::any_of(
        listed.cbegin(), listed.cend(), [number](const ListedPreset &favourite) { return favourite.number == number; });
    if (!filled) {
        return Failure { Refusal::unknownFavourite(number) };
    }
    return YXCCommand::recallPreset(zone, number);
}

} // namespace Favourites

namespace ReceiverScenes {

int count(const ZoneFeatures *zone)
{
    return announces(zone, QStringLiteral("scene")) ? std::max(0, zone->sceneNum.value_or(0)) : 0;
}

Refusable<YXCCommand> recall(Zone zone, const ZoneFeatures *features, int number)
{
    const int scenes = count(features);
    if (scenes == 0) {
        return Failure { Refusal::notSupported(zone, Capability::receiverScenes) };
    }
    if (number < 1 || number > scenes) {
        return Failure { Refusal::unknownReceiverScene(zone, number, scenes) };
    }
    return YXCCommand::recallScene(zone, number);
}

} // namespace ReceiverScenes

} // namespace amplora
