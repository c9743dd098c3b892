#pragma once

// The receiver's wire key of every model field, written once. The decoder reads the state answers through these
// tables and the encoder writes every model through them, so a key cannot be spelled two ways. Internal to the
// protocol folder.

#include "core/protocol/YXCPayload.h"

#include <tuple>

namespace amplora::wire {

template<class S, class M> struct Field {
    const char *key;
    M S::*member;
    // A value that cannot be read fails the answer only where the answer is of no use without it; any other one
    // is left out on its own, and the rest of the answer still counts.
    bool essential = false;
};

template<class S, class M> Field(const char *, M S::*) -> Field<S, M>;
template<class S, class M> Field(const char *, M S::*, bool) -> Field<S, M>;

// The third argument of an essential field.
inline constexpr bool essential = true;

// Specialised below for every model; the primary template has no fields.
template<class T> struct Fields;

template<class T>
concept Model = requires
{
    Fields<T>::all;
};

template<> struct Fields<DeviceInfo> {
    static constexpr std::tuple all { Field { "response_code", &DeviceInfo::responseCode, essential },
        Field { "model_name", &DeviceInfo::modelName, essential }, Field { "device_id", &DeviceInfo::deviceId },
        Field { "system_version", &DeviceInfo::systemVersion }, Field { "api_version", &DeviceInfo::apiVersion } };
};

template<> struct Fields<NetworkStatus> {
    static constexpr std::tuple all { Field { "response_code", &NetworkStatus::responseCode, essential },
        Field { "network_name", &NetworkStatus::networkName } };
};

template<> struct Fields<PlayInfo> {
    static constexpr std::tuple all { Field { "response_code", &PlayInfo::responseCode, essential },
        Field { "input", &PlayInfo::input }, Field { "playback", &PlayInfo::playback },
        Field { "play_time", &PlayInfo::playTime }, Field { "total_time", &PlayInfo::totalTime },
        Field { "artist", &PlayInfo::artist }, Field { "album", &PlayInfo::album }, Field { "track", &PlayInfo::track },
        Field { "albumart_url", &PlayInfo::albumartUrl }, Field { "albumart_id", &PlayInfo::albumartId },
        Field { "repeat", &PlayInfo::repeat }, Field { "shuffle", &PlayInfo::shuffle },
        Field { "repeat_available", &PlayInfo::repeatAvailable },
        Field { "shuffle_available", &PlayInfo::shuffleAvailable } };
};

template<> struct Fields<ToneControl> {
    static constexpr std::tuple all { Field { "mode", &ToneControl::mode }, Field { "bass", &ToneControl::bass },
        Field { "treble", &ToneControl::treble } };
};

template<> struct Fields<ActualVolume> {
    static constexpr std::tuple all { Field { "mode", &ActualVolume::mode }, Field { "value", &ActualVolume::value },
        Field { "unit", &ActualVolume::unit } };
};

template<> struct Fields<ZoneStatus> {
    static constexpr std::tuple all { Field { "response_code", &ZoneStatus::responseCode, essential },
        Field { "power", &ZoneStatus::power, essential }, Field { "volume", &ZoneStatus::volume },
        Field { "mute", &ZoneStatus::mute }, Field { "max_volume", &ZoneStatus::maxVolume },
        Field { "input", &ZoneStatus::input }, Field { "input_text", &ZoneStatus::inputText },
        Field { "sound_program", &ZoneStatus::soundProgram }, Field { "pure_direct", &ZoneStatus::pureDirect },
        Field { "direct", &ZoneStatus::direct }, Field { "enhancer", &ZoneStatus::enhancer },
        Field { "tone_control", &ZoneStatus::toneControl }, Field { "dialogue_level", &ZoneStatus::dialogueLevel },
        Field { "subwoofer_volume", &ZoneStatus::subwooferVolume },
        Field { "actual_volume", &ZoneStatus::actualVolume }, Field { "extra_bass", &ZoneStatus::extraBass },
        Field { "surround_ai", &ZoneStatus::surroundAi }, Field { "sleep", &ZoneStatus::sleep } };
};

template<> struct Fields<InputFeature> {
    static constexpr std::tuple all { Field { "id", &InputFeature::id },
        Field { "distribution_enable", &InputFeature::distributionEnable },
        Field { "rename_enable", &InputFeature::renameEnable },
        Field { "account_enable", &InputFeature::accountEnable },
        Field { "play_info_type", &InputFeature::playInfoType } };
};

template<> struct Fields<SystemFeatures> {
    static constexpr std::tuple all { Field { "func_list", &SystemFeatures::funcList },
        Field { "zone_num", &SystemFeatures::zoneNum }, Field { "input_list", &SystemFeatures::inputList } };
};

template<> struct Fields<RangeStep> {
    static constexpr std::tuple all { Field { "id", &RangeStep::id }, Field { "min", &RangeStep::min },
        Field { "max", &RangeStep::max }, Field { "step", &RangeStep::step } };
};

template<> struct Fields<ZoneFeatures> {
    static constexpr std::tuple all { Field { "id", &ZoneFeatures::id }, Field { "func_list", &ZoneFeatures::funcList },
        Field { "input_list", &ZoneFeatures::inputList },
        Field { "sound_program_list", &ZoneFeatures::soundProgramList },
        Field { "tone_control_mode_list", &ZoneFeatures::toneControlModeList },
        Field { "range_step", &ZoneFeatures::rangeStep }, Field { "scene_num", &ZoneFeatures::sceneNum } };
};

template<> struct Fields<PresetFeature> {
    static constexpr std::tuple all { Field { "num", &PresetFeature::num } };
};

template<> struct Fields<NetUSBFeatures> {
    static constexpr std::tuple all { Field { "preset", &NetUSBFeatures::preset } };
};

template<> struct Fields<DistributionFeatures> {
    static constexpr std::tuple all { Field { "version", &DistributionFeatures::version },
        Field { "client_max", &DistributionFeatures::clientMax },
        Field { "server_zone_list", &DistributionFeatures::serverZoneList } };
};

template<> struct Fields<TunerPresetFeature> {
    static constexpr std::tuple all { Field { "type", &TunerPresetFeature::type },
        Field { "num", &TunerPresetFeature::num } };
};

template<> struct Fields<TunerFeatures> {
    static constexpr std::tuple all { Field { "func_list", &TunerFeatures::funcList },
        Field { "range_step", &TunerFeatures::rangeStep }, Field { "preset", &TunerFeatures::preset } };
};

template<> struct Fields<Features> {
    static constexpr std::tuple all { Field { "response_code", &Features::responseCode, essential },
        Field { "system", &Features::system }, Field { "zone", &Features::zone }, Field { "netusb", &Features::netusb },
        Field { "distribution", &Features::distribution }, Field { "tuner", &Features::tuner } };
};

template<> struct Fields<Preset> {
    static constexpr std::tuple all { Field { "input", &Preset::input }, Field { "text", &Preset::text } };
};

template<> struct Fields<PresetInfo> {
    static constexpr std::tuple all { Field { "response_code", &PresetInfo::responseCode, essential },
        Field { "preset_info", &PresetInfo::presets } };
};

template<> struct Fields<IDText> {
    static constexpr std::tuple all { Field { "id", &IDText::id }, Field { "text", &IDText::text } };
};

template<> struct Fields<NameText> {
    static constexpr std::tuple all { Field { "response_code", &NameText::responseCode, essential },
        Field { "zone_list", &NameText::zoneList }, Field { "input_list", &NameText::inputList },
        Field { "sound_program_list", &NameText::soundProgramList } };
};

template<> struct Fields<SignalInfo::Audio> {
    static constexpr std::tuple all { Field { "error", &SignalInfo::Audio::error },
        Field { "format", &SignalInfo::Audio::format }, Field { "fs", &SignalInfo::Audio::fs },
        Field { "bit", &SignalInfo::Audio::bit }, Field { "bitrate", &SignalInfo::Audio::bitrate } };
};

template<> struct Fields<SignalInfo> {
    static constexpr std::tuple all { Field { "response_code", &SignalInfo::responseCode },
        Field { "audio", &SignalInfo::audio } };
};

template<> struct Fields<DistributionClient> {
    static constexpr std::tuple all { Field { "ip_address", &DistributionClient::ipAddress },
        Field { "data_type", &DistributionClient::dataType } };
};

template<> struct Fields<DistributionInfo> {
    static constexpr std::tuple all { Field { "response_code", &DistributionInfo::responseCode, essential },
        Field { "group_id", &DistributionInfo::groupId }, Field { "group_name", &DistributionInfo::groupName },
        Field { "role", &DistributionInfo::role }, Field { "server_zone", &DistributionInfo::serverZone },
        Field { "client_list", &DistributionInfo::clientList } };
};

template<> struct Fields<TunerBand> {
    static constexpr std::tuple all { Field { "preset", &TunerBand::preset }, Field { "freq", &TunerBand::freq },
        Field { "tuned", &TunerBand::tuned }, Field { "audio_mode", &TunerBand::audioMode } };
};

template<> struct Fields<TunerRds> {
    static constexpr std::tuple all { Field { "program_type", &TunerRds::programType },
        Field { "program_service", &TunerRds::programService }, Field { "radio_text_a", &TunerRds::radioTextA },
        Field { "radio_text_b", &TunerRds::radioTextB } };
};

template<> struct Fields<TunerDab> {
    static constexpr std::tuple all { Field { "preset", &TunerDab::preset }, Field { "status", &TunerDab::status },
        Field { "freq", &TunerDab::freq }, Field { "service_label", &TunerDab::serviceLabel },
        Field { "dls", &TunerDab::dls }, Field { "ensemble_label", &TunerDab::ensembleLabel },
        Field { "ch_label", &TunerDab::chLabel } };
};

template<> struct Fields<TunerPlayInfo> {
    static constexpr std::tuple all { Field { "response_code", &TunerPlayInfo::responseCode, essential },
        Field { "band", &TunerPlayInfo::band }, Field { "am", &TunerPlayInfo::am }, Field { "fm", &TunerPlayInfo::fm },
        Field { "rds", &TunerPlayInfo::rds }, Field { "dab", &TunerPlayInfo::dab } };
};

template<> struct Fields<TunerPreset> {
    static constexpr std::tuple all { Field { "band", &TunerPreset::band }, Field { "number", &TunerPreset::number } };
};

template<> struct Fields<TunerPresetInfo> {
    static constexpr std::tuple all { Field { "response_code", &TunerPresetInfo::responseCode, essential },
        Field { "preset_info", &TunerPresetInfo::presets } };
};

// Calls visit(field) for every field of T, in table order.
template<Model T, class Visit> constexpr void forEachField(Visit &&visit)
{
    std::apply([&](const auto &...field) { (visit(field), ...); }, Fields<T>::all);
}

} // namespace amplora::wire
