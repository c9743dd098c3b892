#include "core/protocol/YXCDecoder.h"

#include "core/Logging.h"
#include "core/protocol/LenientJson.h"
#include "core/protocol/WireFields.h"

#include <nlohmann/json.hpp>

#include <QSet>

#include <type_traits>

namespace amplora {

namespace {

using json = nlohmann::json;
using Kind = DecodingError::Kind;

// Where a value sits: the answer it belongs to, for the log line of a value left out, and its wire path.
struct At {
    const char *answer;
    QString path;

    At operator/(const char *key) const
    {
        const QString name = QString::fromUtf8(key);
        return { answer, path.isEmpty() ? name : path + u'.' + name };
    }
};

// Unwinds a decode to the nearest point that may recover (a value left out, a lossy list element, a substituted
// object) or to the entry point. It never leaves this file.
struct Abort {
    DecodingError error;
    QString why;
};

[[noreturn]] void fail(const At &at, Unreadable unreadable)
{
    throw Abort { DecodingError { unreadable.kind, at.path }, std::move(unreadable.why) };
}

// The one log line of a value that could not be read and was left out, or of a list element that was skipped.
void leftOut(const At &at, const QString &why, const char *what = "")
{
    qCDebug(lcYxc).noquote().nospace() << at.answer << ": left out " << what << '\'' << at.path << "' (" << why << ')';
}

// The same for one element of the list at `at`.
void leftOutElement(const At &at, const QString &why)
{
    leftOut(at, why, "an element of ");
}

// What made a list element unreadable, such as "missing 'zone.id'" or "invalid 'zone.range_step.min': a string
// where a number is expected".
QString reasonOf(const Abort &abort)
{
    return abort.why.isEmpty() ? abort.error.detail() : abort.error.detail() + QStringLiteral(": ") + abort.why;
}

const json *memberOf(const json &object, const char *key)
{
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

void requireObject(const json &value, const At &at)
{
    if (!value.is_object()) {
        fail(at, wrongType(value, "an object"));
    }
}

template<class T> struct IsOptional : std::false_type { };
template<class T> struct IsOptional<std::optional<T>> : std::true_type {
    using Value = T;
};

template<class T> T decodeModel(const json &value, const At &at);

template<class V> V valueOrFail(Result<V, Unreadable> result, const At &at)
{
    if (!result) {
        fail(at, std::move(result).error());
    }
    return std::move(result).value();
}

// A list of words the receiver offers: an element that is not a string is left out.
QStringList readWords(const json &value, const At &at)
{
    if (!value.is_array()) {
        fail(at, wrongType(value, "a list"));
    }
    QStringList words;
    for (const json &element : value) {
        if (auto word = readText(element)) {
            words.append(std::move(word).value());
        } else {
            leftOutElement(at, word.error().why);
        }
    }
    return words;
}

// One JSON value as a scalar or a nested model.
template<class V> V readValue(const json &value, const At &at)
{
    if constexpr (std::is_same_v<V, bool>) {
        return valueOrFail(readBoolean(value), at);
    } else if constexpr (std::is_same_v<V, int>) {
        return valueOrFail(readWholeNumber(value), at);
    } else if constexpr (std::is_same_v<V, double>) {
        return valueOrFail(readNumber(value), at);
    } else if constexpr (std::is_same_v<V, QString>) {
        return valueOrFail(readText(value), at);
    } else if constexpr (std::is_same_v<V, QStringList>) {
        return readWords(value, at);
    } else {
        return decodeModel<V>(value, at);
    }
}

// What a value that cannot be read costs: the model that holds it, or only itself.
enum class IfUnreadable { fail, leaveOut };

// A field that may be missing or null.
template<class V>
std::optional<V> readOptional(const json &object, const char *key, const At &parent, IfUnreadable ifUnreadable)
{
    const json *value = memberOf(object, key);
    if (!value || value->is_null()) {
        return std::nullopt;
    }
    if (ifUnreadable == IfUnreadable::fail) {
        return readValue<V>(*value, parent / key);
    }
    const At at = parent / key;
    try {
        return readValue<V>(*value, at);
    } catch (const Abort &abort) {
        leftOut(at, abort.error.path == at.path ? abort.why : reasonOf(abort));
        return std::nullopt;
    }
}

template<class V> V readRequired(const json &object, const char *key, const At &parent)
{
    const json *value = memberOf(object, key);
    if (!value) {
        throw Abort { DecodingError { Kind::keyNotFound, (parent / key).path }, {} };
    }
    if (value->is_null()) {
        throw Abort { DecodingError { Kind::valueNotFound, (parent / key).path }, {} };
    }
    return readValue<V>(*value, parent / key);
}

// A model whose fields are all optional, read through its wire table: only an essential field fails it.
template<class T> T decodeModel(const json &value, const At &at)
{
    requireObject(value, at);
    T model {};
    wire::forEachField<T>([&](const auto &field) {
        using Member = std::remove_cvref_t<decltype(model.*field.member)>;
        static_assert(IsOptional<Member>::value, "only models of optional fields are read through the table");
        model.*field.member = readOptional<typename IsOptional<Member>::Value>(
            value, field.key, at, field.essential ? IfUnreadable::fail : IfUnreadable::leaveOut);
    });
    return model;
}

// A list whose malformed elements are skipped; none when the value is not a list at all.
template<class E, class DecodeElement>
std::optional<QList<E>> lossyList(const json *value, const At &at, DecodeElement decodeElement)
{
    if (!value || value->is_null()) {
        return std::nullopt;
    }
    if (!value->is_array()) {
        leftOut(at, wrongType(*value, "a list").why);
        return std::nullopt;
    }
    QList<E> result;
    result.reserve(static_cast<qsizetype>(value->size()));
    for (const json &element : *value) {
        try {
            result.append(decodeElement(element, at));
        } catch (const Abort &abort) {
            // A malformed element is dropped; the rest of the list still counts.
            leftOutElement(at, reasonOf(abort));
        }
    }
    return result;
}

QStringList lossyStrings(const json *value, const At &at)
{
    if (!value || value->is_null()) {
        return {};
    }
    try {
        return readWords(*value, at);
    } catch (const Abort &abort) {
        leftOut(at, abort.why);
        return {};
    }
}

// A list that is absent when its key is, and empty when it is present but unusable (null, or not a list).
std::optional<QStringList> optionalLossyStrings(const json &object, const char *key, const At &parent)
{
    const json *value = memberOf(object, key);
    if (!value) {
        return std::nullopt;
    }
    return lossyStrings(value, parent / key);
}

InputFeature decodeInputFeature(const json &value, const At &at)
{
    requireObject(value, at);
    InputFeature input;
    input.id = readRequired<QString>(value, "id", at);
    input.distributionEnable = readOptional<bool>(value, "distribution_enable", at, IfUnreadable::leaveOut);
    input.renameEnable = readOptional<bool>(value, "rename_enable", at, IfUnreadable::leaveOut);
    input.accountEnable = readOptional<bool>(value, "account_enable", at, IfUnreadable::leaveOut);
    input.playInfoType = readOptional<QString>(value, "play_info_type", at, IfUnreadable::leaveOut);
    return input;
}

SystemFeatures decodeSystemFeatures(const json &value, const At &at)
{
    requireObject(value, at);
    SystemFeatures system;
    system.funcList = lossyStrings(memberOf(value, "func_list"), at / "func_list");
    system.zoneNum = readOptional<int>(value, "zone_num", at, IfUnreadable::leaveOut);
    system.inputList = lossyList<InputFeature>(memberOf(value, "input_list"), at / "input_list", decodeInputFeature)
                           .value_or(QList<InputFeature> {});
    return system;
}

// A range is of no use with a bound or step that cannot be read: such an entry is skipped whole.
RangeStep decodeRangeStep(const json &value, const At &at)
{
    requireObject(value, at);
    RangeStep range;
    range.id = readRequired<QString>(value, "id", at);
    const auto min = readOptional<double>(value, "min", at, IfUnreadable::fail);
    const auto max = readOptional<double>(value, "max", at, IfUnreadable::fail);
    const auto step = readOptional<double>(value, "step", at, IfUnreadable::fail);
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

ZoneFeatures decodeZoneFeatures(const json &value, const At &at)
{
    requireObject(value, at);
    ZoneFeatures zone;
    zone.id = readRequired<QString>(value, "id", at);
    zone.funcList = lossyStrings(memberOf(value, "func_list"), at / "func_list");
    zone.inputList = lossyStrings(memberOf(value, "input_list"), at / "input_list");
    zone.soundProgramList = optionalLossyStrings(value, "sound_program_list", at);
    zone.toneControlModeList = optionalLossyStrings(value, "tone_control_mode_list", at);
    zone.sceneNum = readOptional<int>(value, "scene_num", at, IfUnreadable::leaveOut);
    const auto ranges = lossyList<RangeStep>(memberOf(value, "range_step"), at / "range_step", decodeRangeStep)
                            .value_or(QList<RangeStep> {});
    for (const RangeStep &range : ranges) {
        if (isUsedRange(range.id)) {
            zone.rangeStep.append(range);
        }
    }
    return zone;
}

// The tuner's ranges are all kept: each band's range gives the precision its frequencies are shown with.
TunerFeatures decodeTunerFeatures(const json &value, const At &at)
{
    requireObject(value, at);
    TunerFeatures tuner;
    tuner.funcList = lossyStrings(memberOf(value, "func_list"), at / "func_list");
    tuner.rangeStep = lossyList<RangeStep>(memberOf(value, "range_step"), at / "range_step", decodeRangeStep)
                          .value_or(QList<RangeStep> {});
    tuner.preset = readOptional<TunerPresetFeature>(value, "preset", at, IfUnreadable::leaveOut);
    return tuner;
}

Features decodeFeatures(const json &value, const At &at)
{
    requireObject(value, at);
    Features features;
    features.responseCode = readOptional<int>(value, "response_code", at, IfUnreadable::fail);
    if (const json *system = memberOf(value, "system"); system && !system->is_null()) {
        // The system part is read field by field; only one that is no object at all is left out whole.
        try {
            features.system = decodeSystemFeatures(*system, at / "system");
        } catch (const Abort &abort) {
            leftOut(at / "system", abort.why);
            features.system = SystemFeatures {};
        }
    }
    features.netusb = readOptional<NetUSBFeatures>(value, "netusb", at, IfUnreadable::leaveOut);
    features.distribution = readOptional<DistributionFeatures>(value, "distribution", at, IfUnreadable::leaveOut);
    if (const json *tuner = memberOf(value, "tuner"); tuner && !tuner->is_null()) {
        try {
            features.tuner = decodeTunerFeatures(*tuner, at / "tuner");
        } catch (const Abort &abort) {
            leftOut(at / "tuner", abort.why);
        }
    }
    const auto zones = lossyList<ZoneFeatures>(memberOf(value, "zone"), at / "zone", decodeZoneFeatures)
                           .value_or(QList<ZoneFeatures> {});
    // Only the two zones this application knows, each once: a third zone or a repeated entry is dropped.
    for (const ZoneFeatures &zone : zones) {
        const std::optional<Zone> known = zoneFromRawValue(zone.id);
        if (known && !features.zoneFeatures(*known)) {
            features.zone.append(zone);
        }
    }
    return features;
}

IDText decodeIDText(const json &value, const At &at)
{
    requireObject(value, at);
    IDText entry;
    entry.id = readRequired<QString>(value, "id", at);
    entry.text = readOptional<QString>(value, "text", at, IfUnreadable::leaveOut).value_or(entry.id);
    return entry;
}

NameText decodeNameText(const json &value, const At &at)
{
    requireObject(value, at);
    NameText names;
    names.responseCode = readOptional<int>(value, "response_code", at, IfUnreadable::fail);
    const auto list = [&](const char *key) {
        return lossyList<IDText>(memberOf(value, key), at / key, decodeIDText).value_or(QList<IDText> {});
    };
    names.zoneList = list("zone_list");
    names.inputList = list("input_list");
    names.soundProgramList = list("sound_program_list");
    return names;
}

// A list of preset slots in order, each read from its object by `readSlot`. A slot that cannot be read is an
// empty slot, not a missing one: the slots are numbered by position.
template<class Info, class ReadSlot> Info decodePresetSlots(const json &value, const At &at, ReadSlot readSlot)
{
    requireObject(value, at);
    Info info;
    info.responseCode = readOptional<int>(value, "response_code", at, IfUnreadable::fail);
    const At slotsAt = at / "preset_info";
    const json *slots = memberOf(value, "preset_info");
    if (!slots || slots->is_null()) {
        return info;
    }
    if (!slots->is_array()) {
        leftOut(slotsAt, wrongType(*slots, "a list").why);
        return info;
    }
    for (const json &slot : *slots) {
        typename decltype(Info::presets)::value_type preset;
        if (slot.is_object()) {
            preset = readSlot(slot, slotsAt);
        } else {
            leftOutElement(slotsAt, wrongType(slot, "an object").why);
        }
        info.presets.append(preset);
    }
    return info;
}

PresetInfo decodePresetInfo(const json &value, const At &at)
{
    return decodePresetSlots<PresetInfo>(value, at, [](const json &slot, const At &slotsAt) {
        return Preset {
            .input = readOptional<QString>(slot, "input", slotsAt, IfUnreadable::leaveOut).value_or(QString()),
            .text = readOptional<QString>(slot, "text", slotsAt, IfUnreadable::leaveOut).value_or(QString()),
        };
    });
}

DistributionClient decodeDistributionClient(const json &value, const At &at)
{
    return decodeModel<DistributionClient>(value, at);
}

// Only the response code is needed; a client that cannot be read is skipped, the group stands without it.
DistributionInfo decodeDistributionInfo(const json &value, const At &at)
{
    requireObject(value, at);
    DistributionInfo info;
    info.responseCode = readOptional<int>(value, "response_code", at, IfUnreadable::fail);
    info.groupId = readOptional<QString>(value, "group_id", at, IfUnreadable::leaveOut);
    info.groupName = readOptional<QString>(value, "group_name", at, IfUnreadable::leaveOut);
    info.role = readOptional<QString>(value, "role", at, IfUnreadable::leaveOut);
    info.serverZone = readOptional<QString>(value, "server_zone", at, IfUnreadable::leaveOut);
    info.clientList
        = lossyList<DistributionClient>(memberOf(value, "client_list"), at / "client_list", decodeDistributionClient)
              .value_or(QList<DistributionClient> {});
    return info;
}

// The tuner's slots hold a band and a frequency.
TunerPresetInfo decodeTunerPresetInfo(const json &value, const At &at)
{
    return decodePresetSlots<TunerPresetInfo>(value, at, [](const json &slot, const At &slotsAt) {
        return TunerPreset {
            .band = readOptional<QString>(slot, "band", slotsAt, IfUnreadable::leaveOut).value_or(QString()),
            .number = readOptional<int>(slot, "number", slotsAt, IfUnreadable::leaveOut).value_or(0),
        };
    });
}

// The answer's name in log lines.
template<class T> constexpr const char *answerName()
{
    if constexpr (std::is_same_v<T, Envelope>) {
        return "Answer";
    } else if constexpr (std::is_same_v<T, DeviceInfo>) {
        return "Device info";
    } else if constexpr (std::is_same_v<T, Features>) {
        return "Features";
    } else if constexpr (std::is_same_v<T, NameText>) {
        return "Name text";
    } else if constexpr (std::is_same_v<T, ZoneStatus>) {
        return "Zone status";
    } else if constexpr (std::is_same_v<T, PlayInfo>) {
        return "Play info";
    } else if constexpr (std::is_same_v<T, NetworkStatus>) {
        return "Network status";
    } else if constexpr (std::is_same_v<T, SignalInfo>) {
        return "Signal info";
    } else if constexpr (std::is_same_v<T, TunerPlayInfo>) {
        return "Tuner play info";
    } else if constexpr (std::is_same_v<T, TunerPresetInfo>) {
        return "Tuner preset info";
    } else if constexpr (std::is_same_v<T, PresetInfo>) {
        return "Preset info";
    } else {
        static_assert(std::is_same_v<T, DistributionInfo>);
        return "Distribution info";
    }
}

template<class T> T decodeRoot(const json &root)
{
    const At at { answerName<T>(), {} };
    if constexpr (std::is_same_v<T, Envelope>) {
        requireObject(root, at);
        return Envelope { readRequired<int>(root, "response_code", at) };
    } else if constexpr (std::is_same_v<T, Features>) {
        return decodeFeatures(root, at);
    } else if constexpr (std::is_same_v<T, NameText>) {
        return decodeNameText(root, at);
    } else if constexpr (std::is_same_v<T, PresetInfo>) {
        return decodePresetInfo(root, at);
    } else if constexpr (std::is_same_v<T, DistributionInfo>) {
        return decodeDistributionInfo(root, at);
    } else if constexpr (std::is_same_v<T, TunerPresetInfo>) {
        return decodeTunerPresetInfo(root, at);
    } else {
        return decodeModel<T>(root, at);
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
template Result<DistributionInfo, DecodingError> decode<DistributionInfo>(const QByteArray &bytes);
template Result<TunerPlayInfo, DecodingError> decode<TunerPlayInfo>(const QByteArray &bytes);
template Result<TunerPresetInfo, DecodingError> decode<TunerPresetInfo>(const QByteArray &bytes);

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
    case YXCPayloadType::distributionInfo:
        return widen(decodeBytes<DistributionInfo>(bytes));
    case YXCPayloadType::tunerPlayInfo:
        return widen(decodeBytes<TunerPlayInfo>(bytes));
    case YXCPayloadType::tunerPresetInfo:
        return widen(decodeBytes<TunerPresetInfo>(bytes));
    }
    return Failure { DecodingError { Kind::dataCorrupted, {} } };
}

} // namespace YXCDecoder

} // namespace amplora
