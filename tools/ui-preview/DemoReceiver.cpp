#include "DemoReceiver.h"

#include <QLinearGradient>
#include <QPainter>

namespace amplora {

namespace {

IDText named(const char *id, const char *text)
{
    return { QString::fromLatin1(id), QString::fromUtf8(text) };
}

InputFeature input(const char *id, const char *playInfoType)
{
    InputFeature feature;
    feature.id = QString::fromLatin1(id);
    feature.playInfoType = QString::fromLatin1(playInfoType);
    return feature;
}

ZoneFeatures zoneFeatures(Zone zone, bool full)
{
    ZoneFeatures features;
    features.id = rawValue(zone);
    features.funcList = { QStringLiteral("power"), QStringLiteral("volume"), QStringLiteral("mute"),
        QStringLiteral("sound_program"), QStringLiteral("signal_info") };
    if (full) {
        features.funcList << QStringLiteral("actual_volume") << QStringLiteral("tone_control")
                          << QStringLiteral("subwoofer_volume") << QStringLiteral("extra_bass")
                          << QStringLiteral("surround_ai") << QStringLiteral("pure_direct")
                          << QStringLiteral("enhancer");
    }
    features.inputList = { QStringLiteral("spotify"), QStringLiteral("airplay"), QStringLiteral("net_radio"),
        QStringLiteral("hdmi1"), QStringLiteral("hdmi2"), QStringLiteral("hdmi3"), QStringLiteral("tv"),
        QStringLiteral("tuner"), QStringLiteral("phono"), QStringLiteral("bluetooth") };
    features.soundProgramList = QStringList { QStringLiteral("straight"), QStringLiteral("surr_decoder"),
        QStringLiteral("cellar_club"), QStringLiteral("roxy_theatre"), QStringLiteral("sci-fi"),
        QStringLiteral("hall_in_munich"), QStringLiteral("2ch_stereo") };
    features.toneControlModeList = QStringList { QStringLiteral("manual") };
    features.rangeStep
        = { { QStringLiteral("volume"), 0, 194, 1 }, { QStringLiteral("actual_volume_db"), -80.5, 16.5, 0.5 },
              { QStringLiteral("tone_control"), -12, 12, 1 }, { QStringLiteral("subwoofer_volume"), -12, 12, 1 } };
    return features;
}

ZoneStatus zoneStatus(bool on, double dB)
{
    ZoneStatus status;
    status.responseCode = 0;
    status.power = on ? QStringLiteral("on") : QStringLiteral("standby");
    status.volume = int((dB + 80.5) * 2);
    status.mute = false;
    status.input = QStringLiteral("spotify");
    status.soundProgram = QStringLiteral("straight");
    status.pureDirect = false;
    status.enhancer = true;
    status.toneControl = ToneControl { QStringLiteral("manual"), 2, -1 };
    status.subwooferVolume = 0;
    status.actualVolume = ActualVolume { QStringLiteral("db"), dB, QStringLiteral("dB") };
    status.extraBass = false;
    status.surroundAi = true;
    return status;
}

} // namespace

DemoReceiver::DemoReceiver()
{
    deviceInfo.responseCode = 0;
    deviceInfo.modelName = QStringLiteral("RX-A2080");
    deviceInfo.deviceId = QStringLiteral("AC44F2DEMO01");

    features.responseCode = 0;
    for (const auto &[id, type] :
        std::initializer_list<std::pair<const char *, const char *>> { { "spotify", "netusb" }, { "airplay", "netusb" },
            { "net_radio", "netusb" }, { "bluetooth", "netusb" }, { "hdmi1", "none" }, { "hdmi2", "none" },
            { "hdmi3", "none" }, { "tv", "none" }, { "tuner", "tuner" }, { "phono", "none" } }) {
        features.system.inputList.append(input(id, type));
    }
    features.system.zoneNum = 2;
    features.zone = { zoneFeatures(Zone::main, true), zoneFeatures(Zone::zone2, false) };

    names.responseCode = 0;
    names.zoneList = { named("main", "Living Room"), named("zone2", "Kitchen") };
    names.inputList = { named("spotify", "Spotify"), named("airplay", "AirPlay"), named("net_radio", "Net Radio"),
        named("bluetooth", "Bluetooth"), named("hdmi1", "Apple TV"), named("hdmi2", "PlayStation 5"),
        named("hdmi3", "HDMI 3"), named("tv", "TV"), named("tuner", "Tuner"), named("phono", "Phono") };
    names.soundProgramList = { named("straight", "Straight"), named("surr_decoder", "Surround Decoder"),
        named("cellar_club", "Cellar Club"), named("roxy_theatre", "The Roxy Theatre"), named("sci-fi", "Sci-Fi"),
        named("hall_in_munich", "Hall in Munich"), named("2ch_stereo", "2ch Stereo") };

    status[Zone::main] = zoneStatus(true, -35.5);
    status[Zone::zone2] = zoneStatus(false, -50.0);

    playInfo.responseCode = 0;
    playInfo.input = QStringLiteral("spotify");
    playInfo.playback = QStringLiteral("play");
    playInfo.playTime = 65;
    playInfo.totalTime = 245;
    playInfo.artist = QStringLiteral("Nils Frahm");
    playInfo.album = QStringLiteral("All Melody");
    playInfo.track = QStringLiteral("Human Range (Live from the Funkhaus, Berlin, extended version)");
    playInfo.albumartUrl = QStringLiteral("/YamahaRemoteControl/AlbumART/AlbumART1.jpg");

    signal.responseCode = 0;
    signal.audio = SignalInfo::Audio { 0, QStringLiteral("Dolby Atmos"), QStringLiteral("48 kHz"),
        QStringLiteral("24 bit"), 640 };
}

QCoro::Task<Result<YXCPayload, YXCError>> DemoReceiver::fetchPayload(YXCCommand command, YXCPayloadType type)
{
    switch (type) {
    case YXCPayloadType::deviceInfo:
        co_return YXCPayload { deviceInfo };
    case YXCPayloadType::features:
        co_return YXCPayload { features };
    case YXCPayloadType::nameText:
        co_return YXCPayload { names };
    case YXCPayloadType::zoneStatus:
        if (const auto *get = std::get_if<YXCCommand::GetStatus>(&command.value())) {
            if (const auto it = status.find(get->zone); it != status.end()) {
                co_return YXCPayload { it->second };
            }
        }
        break;
    case YXCPayloadType::playInfo:
        co_return YXCPayload { playInfo };
    case YXCPayloadType::networkStatus:
        co_return YXCPayload { NetworkStatus { 0, QStringLiteral("Living Room") } };
    case YXCPayloadType::signalInfo:
        co_return YXCPayload { signal };
    }
    co_return Failure { YXCError::unreadable(command.path(), QStringLiteral("no such zone")) };
}

QCoro::Task<Result<Done, YXCError>> DemoReceiver::send(YXCCommand command)
{
    sent.append(command);
    apply(command);
    co_return Done {};
}

QCoro::Task<Result<Done, YXCError>> DemoReceiver::registerForEvents(quint16)
{
    co_return Done {};
}

QCoro::Task<std::optional<QImage>> DemoReceiver::albumArt(QString)
{
    // A plain cover: a warm gradient with a ring, enough to see where the art goes.
    QImage image(300, 300, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 300, 300);
    gradient.setColorAt(0, QColor(0x2b, 0x4a, 0x6f));
    gradient.setColorAt(1, QColor(0xc0, 0x6a, 0x2e));
    painter.fillRect(image.rect(), gradient);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 90), 10));
    painter.drawEllipse(QPointF(150, 150), 90, 90);
    painter.end();
    co_return image;
}

void DemoReceiver::apply(const YXCCommand &command)
{
    const auto zoneOf = [this](Zone zone) -> ZoneStatus & { return status[zone]; };
    std::visit(
        [&](const auto &c) {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, YXCCommand::SetPower>) {
                ZoneStatus &s = zoneOf(c.zone);
                const bool on
                    = c.state == PowerState::on || (c.state == PowerState::toggle && s.power != QStringLiteral("on"));
                s.power = on ? QStringLiteral("on") : QStringLiteral("standby");
            } else if constexpr (std::is_same_v<C, YXCCommand::SetActualVolume>) {
                zoneOf(c.zone).actualVolume->value = c.dB;
                zoneOf(c.zone).volume = int((c.dB + 80.5) * 2);
            } else if constexpr (std::is_same_v<C, YXCCommand::SetVolume>) {
                zoneOf(c.zone).volume = c.step;
                zoneOf(c.zone).actualVolume->value = -80.5 + c.step * 0.5;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetMute>) {
                zoneOf(c.zone).mute = c.enable;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetInput>) {
                zoneOf(c.zone).input = c.input;
                playInfo.input = c.input;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetSoundProgram>) {
                zoneOf(c.zone).soundProgram = c.program;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetToneControl>) {
                ToneControl &tone = *zoneOf(c.zone).toneControl;
                tone.bass = c.bass ? c.bass : tone.bass;
                tone.treble = c.treble ? c.treble : tone.treble;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetSubwooferVolume>) {
                zoneOf(c.zone).subwooferVolume = c.level;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetExtraBass>) {
                zoneOf(c.zone).extraBass = c.enable;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetSurroundAI>) {
                zoneOf(c.zone).surroundAi = c.enable;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetPlayback>) {
                if (c.action == PlaybackAction::play || c.action == PlaybackAction::pause) {
                    playInfo.playback = rawValue(c.action);
                }
            }
        },
        command.value());
}

} // namespace amplora
