#pragma once

#include "core/protocol/PlaybackAction.h"
#include "core/protocol/PowerState.h"
#include "core/protocol/YXCPayload.h"
#include "core/protocol/Zone.h"

#include <QList>
#include <QPair>
#include <QString>

#include <optional>
#include <variant>

namespace amplora {

struct VolumeScale;

// One receiver command with its arguments. Every read and every change goes through this one value, so the
// request path, the query and whether it changes the receiver are decided in one place.
class YXCCommand {
public:
    struct GetStatus {
        Zone zone;
        friend bool operator==(const GetStatus &, const GetStatus &) = default;
    };
    struct GetSignalInfo {
        Zone zone;
        friend bool operator==(const GetSignalInfo &, const GetSignalInfo &) = default;
    };
    struct SetPower {
        Zone zone;
        PowerState state;
        friend bool operator==(const SetPower &, const SetPower &) = default;
    };
    struct SetVolume {
        Zone zone;
        int step; // raw receiver steps
        friend bool operator==(const SetVolume &, const SetVolume &) = default;
    };
    struct SetActualVolume {
        Zone zone;
        double dB;
        friend bool operator==(const SetActualVolume &, const SetActualVolume &) = default;
    };
    struct SetMute {
        Zone zone;
        bool enable;
        friend bool operator==(const SetMute &, const SetMute &) = default;
    };
    struct SetInput {
        Zone zone;
        QString input;
        friend bool operator==(const SetInput &, const SetInput &) = default;
    };
    struct SetSoundProgram {
        Zone zone;
        QString program;
        friend bool operator==(const SetSoundProgram &, const SetSoundProgram &) = default;
    };
    struct SetToneControl {
        Zone zone;
        std::optional<QString> mode;
        std::optional<int> bass;
        std::optional<int> treble;
        friend bool operator==(const SetToneControl &, const SetToneControl &) = default;
    };
    struct SetSubwooferVolume {
        Zone zone;
        int level;
        friend bool operator==(const SetSubwooferVolume &, const SetSubwooferVolume &) = default;
    };
    struct SetExtraBass {
        Zone zone;
        bool enable;
        friend bool operator==(const SetExtraBass &, const SetExtraBass &) = default;
    };
    struct SetSurroundAI {
        Zone zone;
        bool enable;
        friend bool operator==(const SetSurroundAI &, const SetSurroundAI &) = default;
    };
    struct SetPlayback {
        PlaybackAction action;
        friend bool operator==(const SetPlayback &, const SetPlayback &) = default;
    };
    struct GetDeviceInfo {
        friend bool operator==(const GetDeviceInfo &, const GetDeviceInfo &) = default;
    };
    struct GetFeatures {
        friend bool operator==(const GetFeatures &, const GetFeatures &) = default;
    };
    struct GetNameText {
        friend bool operator==(const GetNameText &, const GetNameText &) = default;
    };
    struct GetPlayInfo {
        friend bool operator==(const GetPlayInfo &, const GetPlayInfo &) = default;
    };
    struct GetNetworkStatus {
        friend bool operator==(const GetNetworkStatus &, const GetNetworkStatus &) = default;
    };
    struct SetSleep {
        Zone zone;
        int minutes; // 0, 30, 60, 90 or 120
        friend bool operator==(const SetSleep &, const SetSleep &) = default;
    };
    struct SetPureDirect {
        Zone zone;
        bool enable;
        friend bool operator==(const SetPureDirect &, const SetPureDirect &) = default;
    };
    struct SetDirect {
        Zone zone;
        bool enable;
        friend bool operator==(const SetDirect &, const SetDirect &) = default;
    };
    struct SetEnhancer {
        Zone zone;
        bool enable;
        friend bool operator==(const SetEnhancer &, const SetEnhancer &) = default;
    };
    struct SetDialogueLevel {
        Zone zone;
        int level;
        friend bool operator==(const SetDialogueLevel &, const SetDialogueLevel &) = default;
    };
    struct SetRepeat {
        QString mode; // "off", "one", "all"
        friend bool operator==(const SetRepeat &, const SetRepeat &) = default;
    };
    struct SetShuffle {
        QString mode; // "off", "on", "songs", "albums"
        friend bool operator==(const SetShuffle &, const SetShuffle &) = default;
    };
    struct GetPresetInfo {
        friend bool operator==(const GetPresetInfo &, const GetPresetInfo &) = default;
    };
    // Plays a favourite of the network/USB player in the zone.
    struct RecallPreset {
        Zone zone;
        int number; // from 1
        friend bool operator==(const RecallPreset &, const RecallPreset &) = default;
    };
    // Presses one of the zone's own scene buttons.
    struct RecallScene {
        Zone zone;
        int number; // from 1
        friend bool operator==(const RecallScene &, const RecallScene &) = default;
    };
    // Reads whether the receiver is linked with others. Only reads: Amplora never builds a link or leaves one.
    struct GetDistributionInfo {
        friend bool operator==(const GetDistributionInfo &, const GetDistributionInfo &) = default;
    };
    // What the tuner plays.
    struct GetTunerPlayInfo {
        friend bool operator==(const GetTunerPlayInfo &, const GetTunerPlayInfo &) = default;
    };
    // The tuner's presets: "common" for the one list a receiver keeps across bands, else the band's own list.
    struct GetTunerPresetInfo {
        QString band;
        friend bool operator==(const GetTunerPresetInfo &, const GetTunerPresetInfo &) = default;
    };
    // Tunes the zone to one of the tuner's presets.
    struct RecallTunerPreset {
        Zone zone;
        QString band; // "common" or the band whose list holds the preset
        int number; // from 1
        friend bool operator==(const RecallTunerPreset &, const RecallTunerPreset &) = default;
    };

    // The cases in their fixed order.
    using Case = std::variant<GetStatus, GetSignalInfo, SetPower, SetVolume, SetActualVolume, SetMute, SetInput,
        SetSoundProgram, SetToneControl, SetSubwooferVolume, SetExtraBass, SetSurroundAI, SetPlayback, GetDeviceInfo,
        GetFeatures, GetNameText, GetPlayInfo, GetNetworkStatus, SetSleep, SetPureDirect, SetDirect, SetEnhancer,
        SetDialogueLevel, SetRepeat, SetShuffle, GetPresetInfo, RecallPreset, RecallScene, GetDistributionInfo,
        GetTunerPlayInfo, GetTunerPresetInfo, RecallTunerPreset>;

    using QueryItems = QList<QPair<QString, QString>>;

    YXCCommand(Case value)
        : m_case(std::move(value))
    { }

    static YXCCommand getStatus(Zone zone) { return Case { GetStatus { zone } }; }
    static YXCCommand getSignalInfo(Zone zone) { return Case { GetSignalInfo { zone } }; }
    static YXCCommand setPower(Zone zone, PowerState state) { return Case { SetPower { zone, state } }; }
    static YXCCommand setVolume(Zone zone, int step) { return Case { SetVolume { zone, step } }; }
    static YXCCommand setActualVolume(Zone zone, double dB) { return Case { SetActualVolume { zone, dB } }; }
    static YXCCommand setMute(Zone zone, bool enable) { return Case { SetMute { zone, enable } }; }
    static YXCCommand setInput(Zone zone, QString input) { return Case { SetInput { zone, std::move(input) } }; }
    static YXCCommand setSoundProgram(Zone zone, QString program)
    {
        return Case { SetSoundProgram { zone, std::move(program) } };
    }
    static YXCCommand setToneControl(
        Zone zone, std::optional<QString> mode, std::optional<int> bass, std::optional<int> treble)
    {
        return Case { SetToneControl { zone, std::move(mode), bass, treble } };
    }
    static YXCCommand setSubwooferVolume(Zone zone, int level) { return Case { SetSubwooferVolume { zone, level } }; }
    static YXCCommand setExtraBass(Zone zone, bool enable) { return Case { SetExtraBass { zone, enable } }; }
    static YXCCommand setSurroundAI(Zone zone, bool enable) { return Case { SetSurroundAI { zone, enable } }; }
    static YXCCommand setPlayback(PlaybackAction action) { return Case { SetPlayback { action } }; }
    static YXCCommand getDeviceInfo() { return Case { GetDeviceInfo {} }; }
    static YXCCommand getFeatures() { return Case { GetFeatures {} }; }
    static YXCCommand getNameText() { return Case { GetNameText {} }; }
    static YXCCommand getPlayInfo() { return Case { GetPlayInfo {} }; }
    static YXCCommand getNetworkStatus() { return Case { GetNetworkStatus {} }; }
    static YXCCommand setSleep(Zone zone, int minutes) { return Case { SetSleep { zone, minutes } }; }
    static YXCCommand setPureDirect(Zone zone, bool enable) { return Case { SetPureDirect { zone, enable } }; }
    static YXCCommand setDirect(Zone zone, bool enable) { return Case { SetDirect { zone, enable } }; }
    static YXCCommand setEnhancer(Zone zone, bool enable) { return Case { SetEnhancer { zone, enable } }; }
    static YXCCommand setDialogueLevel(Zone zone, int level) { return Case { SetDialogueLevel { zone, level } }; }
    static YXCCommand setRepeat(QString mode) { return Case { SetRepeat { std::move(mode) } }; }
    static YXCCommand setShuffle(QString mode) { return Case { SetShuffle { std::move(mode) } }; }
    static YXCCommand getPresetInfo() { return Case { GetPresetInfo {} }; }
    static YXCCommand recallPreset(Zone zone, int number) { return Case { RecallPreset { zone, number } }; }
    static YXCCommand recallScene(Zone zone, int number) { return Case { RecallScene { zone, number } }; }
    static YXCCommand getDistributionInfo() { return Case { GetDistributionInfo {} }; }
    static YXCCommand getTunerPlayInfo() { return Case { GetTunerPlayInfo {} }; }
    static YXCCommand getTunerPresetInfo(QString band) { return Case { GetTunerPresetInfo { std::move(band) } }; }
    static YXCCommand recallTunerPreset(Zone zone, QString band, int number)
    {
        return Case { RecallTunerPreset { zone, std::move(band), number } };
    }

    const Case &value() const { return m_case; }
    template<class C> const C *as() const { return std::get_if<C>(&m_case); }

    // The case name, such as "setActualVolume".
    QString name() const;
    // The zone the command addresses (also a favourite recalled into a zone); none for the system and
    // network/USB commands.
    std::optional<Zone> zone() const;
    // The request path below the API root, such as "main/setVolume" or "system/getFeatures".
    QString path() const;
    // The query in order; empty means no query string at all.
    QueryItems queryItems() const;
    // Whether the command changes the receiver (its last path component starts with "set" or "recall").
    bool isMutating() const;
    // The model a read command answers with; none for changes.
    std::optional<YXCPayloadType> answerType() const;

    // The command limited by a volume cap in decibels: volume commands are lowered to the cap (on the zone's scale
    // when one is known), every other command is returned unchanged.
    YXCCommand capped(const std::optional<VolumeScale> &scale, double capDB) const;

    friend bool operator==(const YXCCommand &, const YXCCommand &) = default;

private:
    Case m_case;
};

} // namespace amplora
