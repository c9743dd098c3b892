#include "core/protocol/YXCDecoder.h"

#include "core/protocol/LenientJson.h"
#include "core/protocol/WireFields.h"

#include <nlohmann/json.hpp>

#include <QSet>

#include <cmath>
#include <limits>
#include <type_traits>

namespace amplora {

namespace {

using json = nlohmann::json;
using Kind = DecodingError::Kind;

// Unwinds a decode to the nearest point that may recover (a lossy list element, a substituted object) or to the
// entry point. It never leaves this file.
struct Abort {
    DecodingError error;
};

[[noreturn]] void fail(Kind kind, const QString &path)
{
    throw Abort { DecodingError { kind, path } };
}

QString pathTo(const QString &parent, const char *key)
{
    const QString name = QString::fromUtf8(key);
    return parent.isEmpty() ? name : parent + u'.' + name;
}

const json *memberOf(const json &object, const char *key)
{
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

void requireObject(const json &value, const QString &path)
{
    if (!value.is_object()) {
        fail(Kind::typeMismatch, path);
    }
}

template<class T> struct IsOptional : std::false_type { };
template<class T> struct IsOptional<std::optional<T>> : std::true_type {
    using Value = T;
};

// Strict policy: every field is optional, a present field of the wrong type fails the whole model.
// Lenient policy: a field of the wrong type is absent.
enum class Policy { strict, lenient };

template<class T> T decodeModel(const json &value, const QString &path, Policy policy);

// One JSON value as a scalar or a nested model. JSON integers are accepted where decimals are expected (receivers
// send -40 for -40.0), and a whole decimal where an integer is expected (80.0 for 80, as some firmware and
// formatters print them); a fraction where an integer is expected is the wrong type.
template<class V> V readValue(const json &value, const QString &path, Policy policy)
{
    if constexpr (std::is_same_v<V, bool>) {
        if (!value.is_boolean()) {
            fail(Kind::typeMismatch, path);
        }
        return value.get<bool>();
    } else if constexpr (std::is_same_v<V, int>) {
        constexpr auto lowest = std::numeric_limits<int>::min();
        constexpr auto highest = std::numeric_limits<int>::max();
        if (value.is_number_unsigned()) {
            const auto number = value.get<std::uint64_t>();
            if (number > static_cast<std::uint64_t>(highest)) {
                fail(Kind::dataCorrupted, path);
            }
            return static_cast<int>(number);
        }
        if (value.is_number_integer()) {
            const auto number = value.get<std::int64_t>();
            if (number < lowest || number > highest) {
                fail(Kind::dataCorrupted, path);
            }
            return static_cast<int>(number);
        }
        if (value.is_number_float()) {
            const double number = value.get<double>();
            if (!std::isfinite(number) || std::trunc(number) != number) {
                fail(Kind::typeMismatch, path);
            }
            if (number < lowest || number > highest) {
                fail(Kind::dataCorrupted, path);
            }
            return static_cast<int>(number);
        }
        fail(Kind::typeMismatch, path);
    } else if constexpr (std::is_same_v<V, double>) {
        if (!value.is_number()) {
            fail(Kind::typeMismatch, path);
        }
        const double number = value.get<double>();
        if (!std::isfinite(number)) {
            fail(Kind::dataCorrupted, path); // beyond the range of a double
        }
        return number;
    } else if constexpr (std::is_same_v<V, QString>) {
        if (!value.is_string()) {
            fail(Kind::typeMismatch, path);
        }
        return QString::fromStdString(value.get_ref<const std::string &>());
    } else if constexpr (std::is_same_v<V, QStringList>) {
        // A list of words the receiver offers: an element that is not a string is left out.
        if (!value.is_array()) {
            fail(Kind::typeMismatch, path);
        }
        QStringList words;
        for (const json &element : value) {
            if (element.is_string()) {
                words.append(QString::fromStdString(element.get_ref<const std::string &>()));
            }
        }
        return words;
    } else {
        return decodeModel<V>(value, path, policy);
    }
}

// A field that may be missing or null.
template<class V>
std::optional<V> readOptional(const json &object, const char *key, const QString &parent, Policy policy)
{
    const json *value = memberOf(object, key);
    if (!value || value->is_null()) {
        return std::nullopt;
    }
    if (policy == Policy::lenient) {
        try {
            return readValue<V>(*value, pathTo(parent, key), policy);
        } catch (const Abort &) {
            return std::nullopt;
        }
    }
    return readValue<V>(*value, pathTo(parent, key), policy);
}

template<class V> V readRequired(const json &object, const char *key, const QString &parent)
{
    const json *value = memberOf(object, key);
    if (!value) {
        fail(Kind::keyNotFound, pathTo(parent, key));
    }
    if (value->is_null()) {
        fail(Kind::valueNotFound, pathTo(parent, key));
    }
    return readValue<V>(*value, pathTo(parent, key), Policy::strict);
}

// A model whose fields are all optional, read through its wire table.
template<class T> T decodeModel(const json &value, const QString &path, Policy policy)
{
    requireObject(value, path);
    T model {};
    wire::forEachField<T>([&](const auto &field) {
        using Member = std::remove_cvref_t<decltype(model.*field.member)>;
        static_assert(IsOptional<Member>::value, "only models of optional fields are read through the table");
        model.*field.member = readOptional<typename IsOptional<Member>::Value>(
            value, field.key, path, field.lenient ? Policy::lenient : policy);
    });
    return model;
}

// A list whose malformed elements are skipped; none when the value is not a list at all.
template<class E, class DecodeElement>
std::optional<QList<E>> lossyList(const json *value, const QString &path, DecodeElement decodeElement)
{
    if (!value || !value->is_array()) {
        return std::nullopt;
    }
    QList<E> result;
    result.reserve(static_cast<qsizetype>(value->size()));
    for (const json &element : *value) {
        try {
            result.append(decodeElement(element, path));
        } catch (const Abort &) {
            // A malformed element is dropped; the rest of the list still counts.
        }
    }
    return result;
}

QStringList lossyStrings(const json *value, const QString &path)
{
    const auto strings = lossyList<QString>(value, path,
        [](const json &element, const QString &at) { return readValue<QString>(element, at, Policy::strict); });
    return strings.value_or(QStringList {});
}

// A list that is absent when its key is, and empty when it is present but unusable (null, or not a list).
std::optional<QStringList> optionalLossyStrings(const json &object, const char *key, const QString &parent)
{
    const json *value = memberOf(object, key);
    if (!value) {
        return std::nullopt;
    }
    return lossyStrings(value, pathTo(parent, key));
}

InputFeature decodeInputFeature(const json &value, const QString &path)
{
    requireObject(value, path);
    InputFeature input;
    input.id = readRequired<QString>(value, "id", path);
    input.distributionEnable = readOptional<bool>(value, "distribution_enable", path, Policy::strict);
    input.renameEnable = readOptional<bool>(value, "rename_enable", path, Policy::strict);
    input.accountEnable = readOptional<bool>(value, "account_enable", path, Policy::strict);
    input.playInfoType = readOptional<QString>(value, "play_info_type", path, Policy::strict);
    return input;
}

SystemFeatures decodeSystemFeatures(const json &value, const QString &path)
{
    requireObject(value, path);
    SystemFeatures system;
    system.funcList = lossyStrings(memberOf(value, "func_list"), pathTo(path, "func_list"));
    system.zoneNum = readOptional<int>(value, "zone_num", path, Policy::strict);
    system.inputList
        = lossyList<InputFeature>(memberOf(value, "input_list"), pathTo(path, "input_list"), decodeInputFeature)
              .value_or(QList<InputFeature> {});
    return system;
}

RangeStep decodeRangeStep(const json &value, const QString &path)
{
    requireObject(value, path);
    RangeStep range;
    range.id = readRequired<QString>(value, "id", path);
    const auto min = readOptional<double>(value, "min", path, Policy::strict);
    const auto max = readOptional<double>(value, "max", path, Policy::strict);
    const auto step = readOptional<double>(value, "step", path, Policy::strict);
    // A range without both ends is kept as an empty one rather than guessed.
    if (min && max) {
        range.min = *min;
        range.max = *max;
    }
    range.step = step.value_or(1.0);
    return range;
}

bool isUsedRange(const QString &id)
{
    static const QSet<QString> used { QStringLiteral("volume"), QStringLiteral("actual_volume_db"),
        QStringLiteral("actual_volume_numeric"), QStringLiteral("tone_control"), QStringLiteral("subwoofer_volume"),
        QStringLiteral("dialogue_level"), QStringLiteral("dialogue_lift"), QStringLiteral("balance"),
        QStringLiteral("dts_dialogue_control") };
    return used.contains(id);
}

ZoneFeatures decodeZoneFeatures(const json &value, const QString &path)
{
    requireObject(value, path);
    ZoneFeatures zone;
    zone.id = readRequired<QString>(value, "id", path);
    zone.funcList = lossyStrings(memberOf(value, "func_list"), pathTo(path, "func_list"));
    zone.inputList = lossyStrings(memberOf(value, "input_list"), pathTo(path, "input_list"));
    zone.soundProgramList = optionalLossyStrings(value, "sound_program_list", path);
    zone.toneControlModeList = optionalLossyStrings(value, "tone_control_mode_list", path);
    zone.sceneNum = readOptional<int>(value, "scene_num", path, Policy::lenient);
    const auto ranges = lossyList<RangeStep>(memberOf(value, "range_step"), pathTo(path, "range_step"), decodeRangeStep)
                            .value_or(QList<RangeStep> {});
    for (const RangeStep &range : ranges) {
        if (isUsedRange(range.id)) {
            zone.rangeStep.append(range);
        }
    }
    return zone;
}

Features decodeFeatures(const json &value)
{
    requireObject(value, {});
    Features features;
    features.responseCode = readOptional<int>(value, "response_code", {}, Policy::strict);
    if (const json *system = memberOf(value, "system")) {
        try {
            features.system = decodeSystemFeatures(*system, QStringLiteral("system"));
        } catch (const Abort &) {
            features.system = SystemFeatures {};
        }
    }
    features.netusb = readOptional<NetUSBFeatures>(value, "netusb", {}, Policy::lenient);
    const auto zones = lossyList<ZoneFeatures>(memberOf(value, "zone"), QStringLiteral("zone"), decodeZoneFeatures)
                           .value_or(QList<ZoneFeatures> {});
    // Only the two zones this application knows, each once: a third zone or a repeated entry is dropped.
    for (const ZoneFeatures &zone : zones) {
        const bool known = zoneFromRawValue(zone.id).has_value();
        if (known && !features.zoneFeatures(*zoneFromRawValue(zone.id))) {
            features.zone.append(zone);
        }
    }
    return features;
}

IDText decodeIDText(const json &value, const QString &path)
{
    requireObject(value, path);
    IDText entry;
    entry.id = readRequired<QString>(value, "id", path);
    entry.text = readOptional<QString>(value, "text", path, Policy::strict).value_or(entry.id);
    return entry;
}

NameText decodeNameText(const json &value)
{
    requireObject(value, {});
    NameText names;
    names.responseCode = readOptional<int>(value, "response_code", {}, Policy::strict);
    const auto list = [&](const char *key) {
        return lossyList<IDText>(memberOf(value, key), QString::fromUtf8(key), decodeIDText).value_or(QList<IDText> {});
    };
    names.zoneList = list("zone_list");
    names.inputList = list("input_list");
    names.soundProgramList = list("sound_program_list");
    return names;
}

// A slot that cannot be read is an empty slot, not a missing one: the slots are numbered by position.
PresetInfo decodePresetInfo(const json &value)
{
    requireObject(value, {});
    PresetInfo info;
    info.responseCode = readOptional<int>(value, "response_code", {}, Policy::strict);
    const json *slots = memberOf(value, "preset_info");
    if (!slots || !slots->is_array()) {
        return info;
    }
    for (const json &slot : *slots) {
        Preset preset;
        if (slot.is_object()) {
            preset.input = readOptional<QString>(slot, "input", {}, Policy::lenient).value_or(QString());
            preset.text = readOptional<QString>(slot, "text", {}, Policy::lenient).value_or(QString());
        }
        info.presets.append(preset);
    }
    return info;
}

template<class T> T decodeRoot(const json &root)
{
    if constexpr (std::is_same_v<T, Envelope>) {
        requireObject(root, {});
        return Envelope { readRequired<int>(root, "response_code", {}) };
    } else if constexpr (std::is_same_v<T, Features>) {
        return decodeFeatures(root);
    } else if constexpr (std::is_same_v<T, NameText>) {
        return decodeNameText(root);
    } else if constexpr (std::is_same_v<T, PresetInfo>) {
        return decodePresetInfo(root);
    } else if constexpr (std::is_same_v<T, SignalInfo>) {
        return decodeModel<SignalInfo>(root, {}, Policy::lenient);
    } else {
        return decodeModel<T>(root, {}, Policy::strict);
    }
}

template<class T> Result<T, DecodingError> decodeBytes(const QByteArray &bytes)
{
    auto root = parseLenientJson(bytes);
    if (!root) {
        return Failure { std::move(root).error() };
    }
    try {
        return decodeRoot<T>(root.value());
    } catch (const Abort &abort) {
        return Failure { abort.error };
    } catch (const std::exception &) {
        // A JSON library error on an input no check above foresaw; still only a malformed answer.
        return Failure { DecodingError { Kind::dataCorrupted, {} } };
    }
}

} // namespace

namespace YXCDecoder {

template<class T> Result<T, DecodingError> decode(const QByteArray &bytes)
{
    return decodeBytes<T>(bytes);
}

template Result<Envelope, DecodingError> decode<Envelope>(const QByteArray &bytes);
template Result<DeviceInfo, DecodingError> decode<DeviceInfo>(const QByteArray &bytes);
template Result<Features, DecodingError> decode<Features>(const QByteArray &bytes);
template Result<NameText, DecodingError> decode<NameText>(const QByteArray &bytes);
template Result<ZoneStatus, DecodingError> decode<ZoneStatus>(const QByteArray &bytes);
template Result<PlayInfo, DecodingError> decode<PlayInfo>(const QByteArray &bytes);
template Result<NetworkStatus, DecodingError> decode<NetworkStatus>(const QByteArray &bytes);
template Result<SignalInfo, DecodingError> decode<SignalInfo>(const QByteArray &bytes);
template Result<PresetInfo, DecodingError> decode<PresetInfo>(const QByteArray &bytes);

Result<YXCPayload, DecodingError> decodePayload(YXCPayloadType type, const QByteArray &bytes)
{
    const auto widen = [](auto result) -> Result<YXCPayload, DecodingError> {
        if (!result) {
            return Failure { std::move(result).error() };
        }
        return YXCPayload { std::move(result).value() };
    };
    switch (type) {
    case YXCPayloadType::deviceInfo:
        return widen(decodeBytes<DeviceInfo>(bytes));
    case YXCPayloadType::features:
        return widen(decodeBytes<Features>(bytes));
    case YXCPayloadType::nameText:
        return widen(decodeBytes<NameText>(bytes));
    case YXCPayloadType::zoneStatus:
        return widen(decodeBytes<ZoneStatus>(bytes));
    case YXCPayloadType::playInfo:
        return widen(decodeBytes<PlayInfo>(bytes));
    case YXCPayloadType::networkStatus:
        return widen(decodeBytes<NetworkStatus>(bytes));
    case YXCPayloadType::signalInfo:
        return widen(decodeBytes<SignalInfo>(bytes));
    case YXCPayloadType::presetInfo:
        return widen(decodeBytes<PresetInfo>(bytes));
    }
    return Failure { DecodingError { Kind::dataCorrupted, {} } };
}

} // namespace YXCDecoder

} // namespace amplora
