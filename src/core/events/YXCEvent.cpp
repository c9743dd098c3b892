#include "core/events/YXCEvent.h"

#include "core/Logging.h"
#include "core/protocol/LenientJson.h"

#include <nlohmann/json.hpp>

namespace amplora {

namespace {

using json = nlohmann::json;

// How a flag may be written as a number: "mute" and "extra_bass" take any number (non-zero means on), the others
// only 0 or 1.
enum class FlagNumbers { anyNonZero, zeroOrOne };

// The fields of one object of a datagram. A value that cannot be read is left out with one debug line saying
// which and why; it never costs the event.
class Fields {
public:
    Fields(const json &object, QString path)
        : m_object(object)
        , m_path(std::move(path))
    { }

    std::optional<QString> text(const char *key) const { return read<QString>(key, readText); }
    std::optional<int> wholeNumber(const char *key) const { return read<int>(key, readWholeNumber); }

    std::optional<bool> flag(const char *key, FlagNumbers numbers) const
    {
        return read<bool>(key, [numbers](const json &value) -> Result<bool, Unreadable> {
            if (value.is_boolean()) {
                return value.get<bool>();
            }
            if (!value.is_number()) {
                return Failure { wrongType(value, "a boolean or a number") };
            }
            auto number = readNumber(value);
            if (!number) {
                return Failure { std::move(number).error() };
            }
            if (numbers == FlagNumbers::zeroOrOne && *number != 0.0 && *number != 1.0) {
                return Failure { Unreadable {
                    DecodingError::Kind::typeMismatch, QStringLiteral("a number other than 0 or 1") } };
            }
            return *number != 0.0;
        });
    }

    // The object under `key`; none when there is none or it is no object.
    std::optional<Fields> object(const char *key) const
    {
        const json *value = member(key);
        if (!value) {
            return std::nullopt;
        }
        if (!value->is_object()) {
            leftOut(key, wrongType(*value, "an object").why);
            return std::nullopt;
        }
        return Fields(*value, pathTo(key));
    }

private:
    const json &m_object;
    QString m_path;

    const json *member(const char *key) const
    {
        const auto it = m_object.find(key);
        return it == m_object.end() || it->is_null() ? nullptr : &*it;
    }

    QString pathTo(const char *key) const
    {
        const QString name = QString::fromUtf8(key);
        return m_path.isEmpty() ? name : m_path + u'.' + name;
    }

    void leftOut(const char *key, const QString &why) const
    {
        qCDebug(lcEvents).noquote().nospace() << "Push event: left out '" << pathTo(key) << "' (" << why << ')';
    }

    template<class V, class Read> std::optional<V> read(const char *key, Read readValue) const
    {
        const json *value = member(key);
        if (!value) {
            return std::optional<V>();
        }
        auto result = readValue(*value);
        if (!result) {
            leftOut(key, result.error().why);
            return std::optional<V>();
        }
        return std::optional<V>(std::move(result).value());
    }
};

YXCEvent::ZoneChange zoneChange(const Fields &object)
{
    YXCEvent::ZoneChange change;
    change.power = object.text("power");
    change.input = object.text("input");
    change.volume = object.wholeNumber("volume");
    change.mute = object.flag("mute", FlagNumbers::anyNonZero);
    change.soundProgram = object.text("sound_program");
    change.extraBass = object.flag("extra_bass", FlagNumbers::anyNonZero);
    change.surroundAi = object.flag("surround_ai", FlagNumbers::zeroOrOne);
    change.statusUpdated = object.flag("status_updated", FlagNumbers::zeroOrOne).value_or(false);
    change.sleep = object.wholeNumber("sleep");
    change.pureDirect = object.flag("pure_direct", FlagNumbers::zeroOrOne);
    change.direct = object.flag("direct", FlagNumbers::zeroOrOne);
    change.enhancer = object.flag("enhancer", FlagNumbers::zeroOrOne);
    change.dialogueLevel = object.wholeNumber("dialogue_level");
    return change;
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

    const Fields top(root, {});
    YXCEvent event;
    event.deviceID = top.text("device_id");
    for (const Zone zone : allZones) {
        if (const auto object = top.object(rawValue(zone).toUtf8().constData())) {
            event.zones.emplace(zone, zoneChange(*object));
        }
    }
    if (const auto netusb = top.object("netusb")) {
        event.netusb = NetUSBChange { netusb->wholeNumber("play_time"),
            netusb->flag("play_info_updated", FlagNumbers::zeroOrOne).value_or(false),
            netusb->flag("preset_info_updated", FlagNumbers::zeroOrOne).value_or(false) };
    }
    if (const auto tuner = top.object("tuner")) {
        event.tuner = TunerChange { tuner->flag("play_info_updated", FlagNumbers::zeroOrOne).value_or(false),
            tuner->flag("preset_info_updated", FlagNumbers::zeroOrOne).value_or(false) };
    }
    if (const auto system = top.object("system")) {
        event.nameTextUpdated = system->flag("name_text_updated", FlagNumbers::zeroOrOne).value_or(false);
    }
    if (const auto dist = top.object("dist")) {
        event.distInfoUpdated = dist->flag("dist_info_updated", FlagNumbers::zeroOrOne).value_or(false);
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
    if (tuner && tuner->playInfoUpdated) {
        result.insert(Refresh::tunerPlayInfo());
    }
    if (tuner && tuner->presetInfoUpdated) {
        result.insert(Refresh::tunerPresets());
    }
    if (nameTextUpdated) {
        result.insert(Refresh::names());
    }
    if (distInfoUpdated) {
        result.insert(Refresh::distribution());
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
    case YXCEvent::Refresh::Kind::features:
        return QStringLiteral("features");
    case YXCEvent::Refresh::Kind::distribution:
        return QStringLiteral("distribution");
    case YXCEvent::Refresh::Kind::tunerPlayInfo:
        return QStringLiteral("tunerPlayInfo");
    case YXCEvent::Refresh::Kind::tunerPresets:
        return QStringLiteral("tunerPresets");
    }
    return {};
}

} // namespace amplora
