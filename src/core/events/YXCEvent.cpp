#include "core/events/YXCEvent.h"

#include "core/Logging.h"
#include "core/protocol/LenientJson.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

namespace amplora {

namespace {

using json = nlohmann::json;

const json *member(const json &object, const char *key)
{
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

std::optional<QString> stringField(const json &object, const char *key)
{
    const json *value = member(object, key);
    if (!value || !value->is_string()) {
        return std::nullopt;
    }
    return QString::fromStdString(value->get_ref<const std::string &>());
}

// A JSON number that is a whole value within int's range; a fraction or an overflow is no integer.
std::optional<int> integerField(const json &object, const char *key)
{
    const json *value = member(object, key);
    if (!value) {
        return std::nullopt;
    }
    if (value->is_number_integer()) {
        if (value->is_number_unsigned()) {
            const auto number = value->get<std::uint64_t>();
            return number <= std::uint64_t(std::numeric_limits<int>::max()) ? std::optional<int>(int(number))
                                                                            : std::nullopt;
        }
        const auto number = value->get<std::int64_t>();
        if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) {
            return std::nullopt;
        }
        return int(number);
    }
    if (value->is_number_float()) {
        const double number = value->get<double>();
        if (!std::isfinite(number) || number != std::trunc(number) || number < std::numeric_limits<int>::min()
            || number > std::numeric_limits<int>::max()) {
            return std::nullopt;
        }
        return int(number);
    }
    return std::nullopt;
}

// How a flag may be written as a number: "mute" and "extra_bass" take any number (non-zero means on), the others
// only 0 or 1.
enum class FlagNumbers { anyNonZero, zeroOrOne };

std::optional<bool> flagField(const json &object, const char *key, FlagNumbers numbers)
{
    const json *value = member(object, key);
    if (!value) {
        return std::nullopt;
    }
    if (value->is_boolean()) {
        return value->get<bool>();
    }
    if (!value->is_number()) {
        return std::nullopt;
    }
    const double number = value->get<double>();
    if (numbers == FlagNumbers::zeroOrOne && number != 0.0 && number != 1.0) {
        return std::nullopt;
    }
    return number != 0.0;
}

YXCEvent::ZoneChange zoneChange(const json &object)
{
    YXCEvent::ZoneChange change;
    change.power = stringField(object, "power");
    change.input = stringField(object, "input");
    change.volume = integerField(object, "volume");
    change.mute = flagField(object, "mute", FlagNumbers::anyNonZero);
    change.soundProgram = stringField(object, "sound_program");
    change.extraBass = flagField(object, "extra_bass", FlagNumbers::anyNonZero);
    change.surroundAi = flagField(object, "surround_ai", FlagNumbers::zeroOrOne);
    change.statusUpdated = flagField(object, "status_updated", FlagNumbers::zeroOrOne).value_or(false);
    change.sleep = integerField(object, "sleep");
    change.pureDirect = flagField(object, "pure_direct", FlagNumbers::zeroOrOne);
    change.direct = flagField(object, "direct", FlagNumbers::zeroOrOne);
    change.enhancer = flagField(object, "enhancer", FlagNumbers::zeroOrOne);
    change.dialogueLevel = integerField(object, "dialogue_level");
    return change;
}

const json *objectMember(const json &object, const char *key)
{
    const json *value = member(object, key);
    return value && value->is_object() ? value : nullptr;
}

} // namespace

std::optional<YXCEvent> YXCEvent::parse(const QByteArray &bytes)
{
    // Receivers pass tag bytes through unchecked: a bad byte in a title costs that character, not the event.
    const auto parsed = parseLenientJson(bytes);
    if (!parsed) {
        qCDebug(lcEvents).noquote() << "Dropped a push event of" << bytes.size() << "bytes:" << parsed.error().detail();
        return std::nullopt;
    }
    const json &root = parsed.value();
    if (!root.is_object()) {
        qCDebug(lcEvents) << "Dropped a push event whose top level is not an object";
        return std::nullopt;
    }

    YXCEvent event;
    event.deviceID = stringField(root, "device_id");
    for (const Zone zone : allZones) {
        if (const json *object = objectMember(root, rawValue(zone).toStdString().c_str())) {
            event.zones.emplace(zone, zoneChange(*object));
        }
    }
    if (const json *netusb = objectMember(root, "netusb")) {
        event.netusb = NetUSBChange { integerField(*netusb, "play_time"),
            flagField(*netusb, "play_info_updated", FlagNumbers::zeroOrOne).value_or(false),
            flagField(*netusb, "preset_info_updated", FlagNumbers::zeroOrOne).value_or(false) };
    }
    if (const json *system = objectMember(root, "system")) {
        event.nameTextUpdated = flagField(*system, "name_text_updated", FlagNumbers::zeroOrOne).value_or(false);
    }
    return event;
}

std::set<YXCEvent::Refresh> YXCEvent::refreshes() const
{
    std::set<Refresh> result;
    for (const auto &[zone, change] : zones) {
        // A value the event carries is applied at once; the status read confirms it and brings what depends on it.
        const bool extraSetting
            = change.sleep || change.pureDirect || change.direct || change.enhancer || change.dialogueLevel;
        if (change.statusUpdated || change.volume || extraSetting) {
            result.insert(Refresh::status(zone));
        }
        if (change.input) {
            result.insert(Refresh::playInfo());
        }
    }
    if (netusb && netusb->playInfoUpdated) {
        result.insert(Refresh::playInfo());
    }
    if (netusb && netusb->presetInfoUpdated) {
        result.insert(Refresh::presets());
    }
    if (nameTextUpdated) {
        result.insert(Refresh::names());
    }
    return result;
}

QString toString(const YXCEvent::Refresh &refresh)
{
    switch (refresh.kind) {
    case YXCEvent::Refresh::Kind::status:
        return QStringLiteral("status(%1)").arg(rawValue(refresh.zone));
    case YXCEvent::Refresh::Kind::playInfo:
        return QStringLiteral("playInfo");
    case YXCEvent::Refresh::Kind::names:
        return QStringLiteral("names");
    case YXCEvent::Refresh::Kind::presets:
        return QStringLiteral("presets");
    }
    return {};
}

} // namespace amplora
