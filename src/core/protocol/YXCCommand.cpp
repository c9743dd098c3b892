#include "core/protocol/YXCCommand.h"

#include "core/protocol/VolumeScale.h"

#include <algorithm>
#include <cstdio>

namespace amplora {

namespace {

template<class... F> struct Overloaded : F... {
    using F::operator()...;
};
template<class... F> Overloaded(F...) -> Overloaded<F...>;

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// The wire form of a decibel value: snapped to 0.5 dB and printed with one decimal ("-35.5", "-40.0", "-0.0").
QString decibelText(double dB)
{
    // The C library's printf, because Qt's own formatting drops the sign of a negative zero.
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", snapToHalfDecibel(dB));
    return QString::fromLatin1(text);
}

} // namespace

QString YXCCommand::name() const
{
    static const char *const names[] = { "getStatus", "getSignalInfo", "setPower", "setVolume", "setActualVolume",
        "setMute", "setInput", "setSoundProgram", "setToneControl", "setSubwooferVolume", "setExtraBass",
        "setSurroundAI", "setPlayback", "getDeviceInfo", "getFeatures", "getNameText", "getPlayInfo",
        "getNetworkStatus", "setSleep", "setPureDirect", "setDirect", "setEnhancer", "setDialogueLevel", "setRepeat",
        "setShuffle", "getPresetInfo", "recallPreset", "recallScene", "getDistributionInfo", "getTunerPlayInfo",
        "getTunerPresetInfo", "recallTunerPreset" };
    static_assert(std::size(names) == std::variant_size_v<Case>);
    return QString::fromLatin1(names[m_case.index()]);
}

std::optional<Zone> YXCCommand::zone() const
{
    return std::visit(
        [](const auto &c) -> std::optional<Zone> {
            if constexpr (requires { c.zone; }) {
                return c.zone;
            } else {
                return std::nullopt;
            }
        },
        m_case);
}

QString YXCCommand::path() const
{
    return std::visit(Overloaded {
                          [this](const SetPlayback &) { return QStringLiteral("netusb/") + name(); },
                          [this](const GetPlayInfo &) { return QStringLiteral("netusb/") + name(); },
                          [this](const SetRepeat &) { return QStringLiteral("netusb/") + name(); },
                          [this](const SetShuffle &) { return QStringLiteral("netusb/") + name(); },
                          [this](const GetPresetInfo &) { return QStringLiteral("netusb/") + name(); },
                          // The player belongs to no zone; the zone it plays in is a query item.
                          [this](const RecallPreset &) { return QStringLiteral("netusb/") + name(); },
                          [this](const GetDistributionInfo &) { return QStringLiteral("dist/") + name(); },
                          // The tuner, like the player, belongs to no zone; its paths drop the "Tuner" of the name.
                          [](const GetTunerPlayInfo &) { return QStringLiteral("tuner/getPlayInfo"); },
                          [](const GetTunerPresetInfo &) { return QStringLiteral("tuner/getPresetInfo"); },
                          [](const RecallTunerPreset &) { return QStringLiteral("tuner/recallPreset"); },
                          [this](const auto &c) {
                              if constexpr (requires { c.zone; }) {
                                  return rawValue(c.zone) + u'/' + name();
                              } else {
                                  return QStringLiteral("system/") + name();
                              }
                          },
                      },
        m_case);
}

YXCCommand::QueryItems YXCCommand::queryItems() const
{
    using Item = QPair<QString, QString>;
    return std::visit(Overloaded {
                          [](const SetPower &c) {
                              return QueryItems { Item { QStringLiteral("power"), rawValue(c.state) } };
                          },
                          [](const SetVolume &c) {
                              return QueryItems { Item { QStringLiteral("volume"), QString::number(c.step) } };
                          },
                          [](const SetActualVolume &c) {
                              return QueryItems {
                                  Item { QStringLiteral("mode"), QStringLiteral("db") },
                                  Item { QStringLiteral("value"), decibelText(c.dB) },
                              };
                          },
                          [](const SetMute &c) {
                              return QueryItems { Item { QStringLiteral("enable"), boolText(c.enable) } };
                          },
                          [](const SetInput &c) {
                              return QueryItems { Item { QStringLiteral("input"), c.input } };
                          },
                          [](const SetSoundProgram &c) {
                              return QueryItems { Item { QStringLiteral("program"), c.program } };
                          },
                          [](const SetToneControl &c) {
                              QueryItems items;
                              if (c.mode) {
                                  items.append(Item { QStringLiteral("mode"), *c.mode });
                              }
                              if (c.bass) {
                                  items.append(Item { QStringLiteral("bass"), QString::number(*c.bass) });
                              }
                              if (c.treble) {
                                  items.append(Item { QStringLiteral("treble"), QString::number(*c.treble) });
                              }
                              return items;
                          },
                          [](const SetSubwooferVolume &c) {
                              return QueryItems { Item { QStringLiteral("volume"), QString::number(c.level) } };
                          },
                          [](const SetExtraBass &c) {
                              return QueryItems { Item { QStringLiteral("enable"), boolText(c.enable) } };
                          },
                          [](const SetSurroundAI &c) {
                              return QueryItems { Item { QStringLiteral("enable"), boolText(c.enable) } };
                          },
                          [](const SetPlayback &c) {
                              return QueryItems { Item { QStringLiteral("playback"), rawValue(c.action) } };
                          },
                          [](const SetSleep &c) {
                              return QueryItems { Item { QStringLiteral("sleep"), QString::number(c.minutes) } };
                          },
                          [](const SetPureDirect &c) {
                              return QueryItems { Item { QStringLiteral("enable"), boolText(c.enable) } };
                          },
                          [](const SetDirect &c) {
                              return QueryItems { Item { QStringLiteral("enable"), boolText(c.enable) } };
                          },
                          [](const SetEnhancer &c) {
                              return QueryItems { Item { QStringLiteral("enable"), boolText(c.enable) } };
                          },
                          [](const SetDialogueLevel &c) {
                              return QueryItems { Item { QStringLiteral("value"), QString::number(c.level) } };
                          },
                          [](const SetRepeat &c) {
                              return QueryItems { Item { QStringLiteral("mode"), c.mode } };
                          },
                          [](const SetShuffle &c) {
                              return QueryItems { Item { QStringLiteral("mode"), c.mode } };
                          },
                          [](const RecallPreset &c) {
                              return QueryItems {
                                  Item { QStringLiteral("zone"), rawValue(c.zone) },
                                  Item { QStringLiteral("num"), QString::number(c.number) },
                              };
                          },
                          [](const RecallScene &c) {
                              return QueryItems { Item { QStringLiteral("num"), QString::number(c.number) } };
                          },
                          [](const GetTunerPresetInfo &c) {
                              return QueryItems { Item { QStringLiteral("band"), c.band } };
                          },
                          [](const RecallTunerPreset &c) {
                              return QueryItems {
                                  Item { QStringLiteral("zone"), rawValue(c.zone) },
                                  Item { QStringLiteral("band"), c.band },
                                  Item { QStringLiteral("num"), QString::number(c.number) },
                              };
                          },
                          [](const auto &) { return QueryItems {}; },
                      },
        m_case);
}

bool YXCCommand::isMutating() const
{
    const QStringList components = path().split(u'/', Qt::SkipEmptyParts);
    // A recall changes as much as a set: it switches inputs and settings.
    return !components.isEmpty()
        && (components.last().startsWith(QStringLiteral("set"))
            || components.last().startsWith(QStringLiteral("recall")));
}

std::optional<YXCPayloadType> YXCCommand::answerType() const
{
    return std::visit(
        Overloaded {
            [](const GetStatus &) -> std::optional<YXCPayloadType> { return YXCPayloadType::zoneStatus; },
            [](const GetSignalInfo &) -> std::optional<YXCPayloadType> { return YXCPayloadType::signalInfo; },
            [](const GetDeviceInfo &) -> std::optional<YXCPayloadType> { return YXCPayloadType::deviceInfo; },
            [](const GetFeatures &) -> std::optional<YXCPayloadType> { return YXCPayloadType::features; },
            [](const GetNameText &) -> std::optional<YXCPayloadType> { return YXCPayloadType::nameText; },
            [](const GetPlayInfo &) -> std::optional<YXCPayloadType> { return YXCPayloadType::playInfo; },
            [](const GetNetworkStatus &) -> std::optional<YXCPayloadType> { return YXCPayloadType::networkStatus; },
            [](const GetPresetInfo &) -> std::optional<YXCPayloadType> { return YXCPayloadType::presetInfo; },
            [](const GetDistributionInfo &) -> std::optional<YXCPayloadType> {
                return YXCPayloadType::distributionInfo;
            },
            [](const GetTunerPlayInfo &) -> std::optional<YXCPayloadType> { return YXCPayloadType::tunerPlayInfo; },
            [](const GetTunerPresetInfo &) -> std::optional<YXCPayloadType> { return YXCPayloadType::tunerPresetInfo; },
            [](const auto &) -> std::optional<YXCPayloadType> { return std::nullopt; },
        },
        m_case);
}

YXCCommand YXCCommand::capped(const std::optional<VolumeScale> &scale, double capDB) const
{
    if (const auto *c = as<SetVolume>()) {
        if (!scale) {
            return *this;
        }
        return setVolume(c->zone, std::min(c->step, scale->raw(scale->ceiling(capDB))));
    }
    if (const auto *c = as<SetActualVolume>()) {
        const double limit = scale ? scale->ceiling(capDB) : capDB;
        return setActualVolume(c->zone, std::min(c->dB, limit));
    }
    return *this;
}

} // namespace amplora
