#include "core/mock/MockReceiver.h"

#include "core/Logging.h"
#include "core/capabilities/Accepted.h"
#include "core/protocol/VolumeScale.h"
#include "core/protocol/YXCDecoder.h"
#include "core/protocol/YXCEncoder.h"
#include "core/store/LaunchOptions.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTimer>

namespace amplora {

namespace {

template<class T> Result<T, MockFixtureError> loadFixture(const QString &directory, const QString &name)
{
    const QString fileName = name + QStringLiteral(".json");
    QFile file(directory + u'/' + fileName);
    if (!file.exists()) {
        return Failure { MockFixtureError { QStringLiteral("Missing fixture ") + fileName } };
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return Failure { MockFixtureError {
            QStringLiteral("Fixture %1 does not decode: %2").arg(fileName, file.errorString()) } };
    }
    auto decoded = YXCDecoder::decode<T>(file.readAll());
    if (!decoded) {
        return Failure { MockFixtureError {
            QStringLiteral("Fixture %1 does not decode: %2").arg(fileName, decoded.error().description()) } };
    }
    return std::move(decoded).value();
}

// Loads into `target` and reports whether it went well; the first failure is kept in `error`.
template<class T> bool loadInto(T &target, const QString &directory, const QString &name, MockFixtureError &error)
{
    auto loaded = loadFixture<T>(directory, name);
    if (!loaded) {
        error = loaded.error();
        qCCritical(lcMock).noquote() << loaded.error().description();
        return false;
    }
    target = std::move(loaded).value();
    return true;
}

// The same for a fixture a directory may leave out: `target` stays empty without it.
template<class T>
bool loadIfPresent(std::optional<T> &target, const QString &directory, const QString &name, MockFixtureError &error)
{
    if (!QFile::exists(directory + u'/' + name + QStringLiteral(".json"))) {
        return true;
    }
    T loaded;
    if (!loadInto(loaded, directory, name, error)) {
        return false;
    }
    target = std::move(loaded);
    return true;
}

std::optional<QString> inputText(const NameText &names, const QString &id)
{
    for (const IDText &entry : names.inputList) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return std::nullopt;
}

QImage drawCover()
{
    const int size = MockReceiver::coverSize;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // A night sky over the sea, with a low moon: "Midnight Drive" from "Coastal Hours".
    QLinearGradient sky(0, 0, 0, size);
    sky.setColorAt(0.0, QColor(0x0b, 0x10, 0x2b));
    sky.setColorAt(0.55, QColor(0x3a, 0x1f, 0x5c));
    sky.setColorAt(0.62, QColor(0xe0, 0x6d, 0x4f));
    sky.setColorAt(1.0, QColor(0x12, 0x1a, 0x33));
    painter.fillRect(image.rect(), sky);

    QRadialGradient moon(QPointF(size * 0.68, size * 0.42), size * 0.16);
    moon.setColorAt(0.0, QColor(0xff, 0xf4, 0xd6));
    moon.setColorAt(0.7, QColor(0xff, 0xd9, 0x9a));
    moon.setColorAt(1.0, QColor(0xff, 0xd9, 0x9a, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(moon);
    painter.drawEllipse(QPointF(size * 0.68, size * 0.42), size * 0.16, size * 0.16);

    // Waves: bands of darker blue, each with a light crest.
    for (int band = 0; band < 6; ++band) {
        const double top = size * (0.62 + band * 0.065);
        QPainterPath wave;
        wave.moveTo(0, top);
        for (int x = 0; x <= size; x += size / 8) {
            wave.quadTo(x + size / 16.0, top - 6 + band, x + size / 8.0, top);
        }
        wave.lineTo(size, size);
        wave.lineTo(0, size);
        wave.closeSubpath();
        painter.setBrush(QColor(0x10 + band * 4, 0x2a + band * 6, 0x52 + band * 8, 200));
        painter.setPen(QPen(QColor(0xff, 0xe3, 0xb0, 90 - band * 12), 2));
        painter.drawPath(wave);
    }

    // A road with two tail lights.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x0a, 0x0a, 0x12));
    painter.drawPolygon(QPolygonF { QPointF(size * 0.42, size), QPointF(size * 0.58, size),
        QPointF(size * 0.51, size * 0.64), QPointF(size * 0.49, size * 0.64) });
    painter.setBrush(QColor(0xff, 0x3b, 0x30));
    painter.drawEllipse(QPointF(size * 0.485, size * 0.80), 5, 3);
    painter.drawEllipse(QPointF(size * 0.515, size * 0.80), 5, 3);
    return image;
}

} // namespace

MockReceiver::MockReceiver(QString fixtureDirectory)
    : m_fixtureDirectory(std::move(fixtureDirectory))
    , m_signalInfo(SignalInfo::mock(QStringLiteral("pcm")))
{ }

Result<std::unique_ptr<MockReceiver>, MockFixtureError> MockReceiver::load(
    bool seedDemo, const QString &fixtureDirectory)
{
    std::unique_ptr<MockReceiver> mock(new MockReceiver(fixtureDirectory));
    if (auto loaded = mock->loadAll(); !loaded) {
        return Failure { loaded.error() };
    }
    if (seedDemo) {
        mock->seedDemo();
    }
    return mock;
}

Result<Done, MockFixtureError> MockReceiver::loadAll()
{
    MockFixtureError error;
    ZoneStatus main;
    ZoneStatus zone2;
    const QString &dir = m_fixtureDirectory;
    const bool ok = loadInto(m_deviceInfo, dir, QStringLiteral("system_getDeviceInfo"), error)
        && loadInto(m_features, dir, QStringLiteral("system_getFeatures"), error)
        && loadInto(m_names, dir, QStringLiteral("system_getNameText"), error)
        && loadInto(main, dir, QStringLiteral("main_getStatus"), error)
        && loadInto(zone2, dir, QStringLiteral("zone2_getStatus"), error)
        && loadInto(m_playInfo, dir, QStringLiteral("netusb_getPlayInfo"), error)
        && loadInto(m_networkStatus, dir, QStringLiteral("system_getNetworkStatus"), error);
    if (!ok) {
        return Failure { error };
    }
    const QString signal = QStringLiteral("main_getSignalInfo");
    if (QFile::exists(dir + u'/' + signal + QStringLiteral(".json")) && !loadInto(m_signalInfo, dir, signal, error)) {
        return Failure { error };
    }
    const QString presets = QStringLiteral("netusb_getPresetInfo");
    if (QFile::exists(dir + u'/' + presets + QStringLiteral(".json")) && !loadInto(m_presetInfo, dir, presets, error)) {
        return Failure { error };
    }
    if (!loadIfPresent(m_tunerPlayInfo, dir, QStringLiteral("tuner_getPlayInfo"), error)
        || !loadIfPresent(m_tunerPresetInfo, dir, QStringLiteral("tuner_getPresetInfo"), error)) {
        return Failure { error };
    }
    m_status = { { Zone::main, main }, { Zone::zone2, zone2 } };
    return Done {};
}

void MockReceiver::seedDemo()
{
    if (ZoneStatus *main = zoneStatus(Zone::main)) {
        main->power = QStringLiteral("on");
        main->input = QStringLiteral("spotify");
        main->inputText = QStringLiteral("Spotify");
        main->soundProgram = QStringLiteral("straight");
        main->toneControl = ToneControl { QStringLiteral("manual"), 4, -2 };
        main->subwooferVolume = 3;
    }
    setActualVolume(Zone::main, -32.5);

    PlayInfo demo;
    demo.responseCode = 0;
    demo.input = QStringLiteral("spotify");
    demo.playback = QStringLiteral("play");
    demo.playTime = 84;
    demo.totalTime = 277;
    demo.artist = QStringLiteral("The Night Arcs");
    demo.album = QStringLiteral("Coastal Hours");
    demo.track = QStringLiteral("Midnight Drive");
    demo.albumartUrl = QString::fromLatin1(coverPath);
    demo.albumartId = 1;
    demo.repeat = QStringLiteral("off");
    demo.shuffle = QStringLiteral("off");
    demo.repeatAvailable = QStringList { QStringLiteral("off"), QStringLiteral("one"), QStringLiteral("all") };
    demo.shuffleAvailable = QStringList { QStringLiteral("off"), QStringLiteral("on") };
    m_playInfo = demo;
}

Result<Done, MockFixtureError> MockReceiver::applyLaunchOptions(const LaunchOptions &options)
{
    if (options.mockSpotifyIdle) {
        MockFixtureError error;
        if (!loadInto(m_playInfo, m_fixtureDirectory, QStringLiteral("netusb_getPlayInfo"), error)) {
            return Failure { error };
        }
    }
    if (options.mockExtraBass) {
        if (ZoneStatus *main = zoneStatus(Zone::main)) {
            main->extraBass = true;
        }
    }
    if (options.mockSurroundAI) {
        for (ZoneFeatures &zone : m_features.zone) {
            if (zone.id == QLatin1String("main") && !zone.funcList.contains(QLatin1String("surround_ai"))) {
                zone.funcList.append(QStringLiteral("surround_ai"));
            }
        }
        if (ZoneStatus *main = zoneStatus(Zone::main)) {
            main->surroundAi = true;
        }
    }
    if (options.mockSignal) {
        m_signalInfo = SignalInfo::mock(*options.mockSignal);
    }
    return Done {};
}

std::optional<ZoneStatus> MockReceiver::status(Zone zone) const
{
    const auto it = m_status.find(zone);
    return it == m_status.end() ? std::nullopt : std::optional<ZoneStatus>(it->second);
}

ZoneStatus *MockReceiver::zoneStatus(Zone zone)
{
    const auto it = m_status.find(zone);
    return it == m_status.end() ? nullptr : &it->second;
}

std::optional<YXCPayload> MockReceiver::answer(const YXCCommand &command) const
{
    return std::visit(
        [this](const auto &c) -> std::optional<YXCPayload> {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, YXCCommand::GetDeviceInfo>) {
                return m_deviceInfo;
            } else if constexpr (std::is_same_v<C, YXCCommand::GetFeatures>) {
                return m_features;
            } else if constexpr (std::is_same_v<C, YXCCommand::GetNameText>) {
                return m_names;
            } else if constexpr (std::is_same_v<C, YXCCommand::GetStatus>) {
                return status(c.zone).value_or(ZoneStatus {});
            } else if constexpr (std::is_same_v<C, YXCCommand::GetPlayInfo>) {
                return m_playInfo;
            } else if constexpr (std::is_same_v<C, YXCCommand::GetNetworkStatus>) {
                return m_networkStatus;
            } else if constexpr (std::is_same_v<C, YXCCommand::GetSignalInfo>) {
                return m_signalInfo;
            } else if constexpr (std::is_same_v<C, YXCCommand::GetPresetInfo>) {
                return m_presetInfo;
            } else if constexpr (std::is_same_v<C, YXCCommand::GetDistributionInfo>) {
                return m_distributionInfo;
            } else if constexpr (std::is_same_v<C, YXCCommand::GetTunerPlayInfo>) {
                return m_tunerPlayInfo ? std::optional<YXCPayload>(*m_tunerPlayInfo) : std::nullopt;
            } else if constexpr (std::is_same_v<C, YXCCommand::GetTunerPresetInfo>) {
                return m_tunerPresetInfo ? std::optional<YXCPayload>(*m_tunerPresetInfo) : std::nullopt;
            } else {
                return std::nullopt;
            }
        },
        command.value());
}

void MockReceiver::setActualVolume(Zone zone, double dB)
{
    ZoneStatus *status = zoneStatus(zone);
    const ZoneFeatures *features = m_features.zoneFeatures(zone);
    const auto scale = features ? VolumeScale::from(*features) : std::nullopt;
    if (!status || !scale) {
        return;
    }
    status->volume = scale->raw(dB);
    status->actualVolume = ActualVolume { QStringLiteral("db"), dB, QStringLiteral("dB") };
}

void MockReceiver::recallPreset(Zone zone, int number)
{
    ZoneStatus *status = zoneStatus(zone);
    if (!status || number < 1 || number > m_presetInfo.presets.size()) {
        return;
    }
    const Preset &preset = m_presetInfo.presets.at(number - 1);
    if (preset.isEmpty()) {
        return;
    }
    // A favourite turns the zone on and plays from its source.
    status->power = QStringLiteral("on");
    status->input = preset.input;
    status->inputText = inputText(m_names, preset.input);
    m_playInfo.input = preset.input;
    m_playInfo.playback = QStringLiteral("play");
    m_playInfo.artist = preset.text;
    m_playInfo.album = QString();
    m_playInfo.track = preset.text;
    m_playInfo.playTime = 0;
    m_playInfo.totalTime = 0;
}

void MockReceiver::recallScene(Zone zone, int number)
{
    ZoneStatus *status = zoneStatus(zone);
    const ZoneFeatures *features = m_features.zoneFeatures(zone);
    if (!status || !features || features->inputList.isEmpty() || number < 1
        || number > features->sceneNum.value_or(0)) {
        return;
    }
    // A scene button turns the zone on and picks an input; this receiver's scenes walk its inputs in order.
    const QString input = features->inputList.at((number - 1) % features->inputList.size());
    status->power = QStringLiteral("on");
    status->input = input;
    status->inputText = inputText(m_names, input);
}

void MockReceiver::recallTunerPreset(int number)
{
    if (!m_tunerPlayInfo || !m_tunerPresetInfo || number < 1 || number > m_tunerPresetInfo->presets.size()) {
        return;
    }
    const TunerPreset &preset = m_tunerPresetInfo->presets.at(number - 1);
    if (preset.isEmpty() || (preset.band != QLatin1String("fm") && preset.band != QLatin1String("am"))) {
        return;
    }
    // The station's own texts come with the station; this receiver has none to tell.
    m_tunerPlayInfo->band = preset.band;
    std::optional<TunerBand> &band = preset.band == QLatin1String("fm") ? m_tunerPlayInfo->fm : m_tunerPlayInfo->am;
    band = TunerBand { number, preset.number, true, std::nullopt };
    m_tunerPlayInfo->rds = TunerRds {};
}

void MockReceiver::apply(const YXCCommand &command)
{
    std::visit(
        [this, &command](const auto &c) {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, YXCCommand::SetPlayback>) {
                switch (c.action) {
                case PlaybackAction::play:
                case PlaybackAction::pause:
                case PlaybackAction::stop:
                    m_playInfo.playback = rawValue(c.action);
                    break;
                case PlaybackAction::previous:
                case PlaybackAction::next:
                    break;
                }
            } else if constexpr (std::is_same_v<C, YXCCommand::SetVolume>) {
                const ZoneFeatures *features = m_features.zoneFeatures(c.zone);
                if (const auto scale = features ? VolumeScale::from(*features) : std::nullopt) {
                    setActualVolume(c.zone, scale->dB(c.step));
                }
            } else if constexpr (std::is_same_v<C, YXCCommand::SetActualVolume>) {
                setActualVolume(c.zone, c.dB);
            } else if constexpr (std::is_same_v<C, YXCCommand::SetRepeat>) {
                m_playInfo.repeat = c.mode;
            } else if constexpr (std::is_same_v<C, YXCCommand::SetShuffle>) {
                m_playInfo.shuffle = c.mode;
            } else if constexpr (std::is_same_v<C, YXCCommand::RecallPreset>) {
                recallPreset(c.zone, c.number);
            } else if constexpr (std::is_same_v<C, YXCCommand::RecallScene>) {
                recallScene(c.zone, c.number);
            } else if constexpr (std::is_same_v<C, YXCCommand::RecallTunerPreset>) {
                recallTunerPreset(c.number);
                if (ZoneStatus *status = zoneStatus(c.zone)) {
                    Accepted::apply(*status, c.zone, command, std::nullopt);
                    status->inputText = inputText(m_names, QStringLiteral("tuner"));
                }
            } else if constexpr (requires { c.zone; }
                && !std::is_same_v<C, YXCCommand::GetStatus> && !std::is_same_v<C, YXCCommand::GetSignalInfo>) {
                ZoneStatus *status = zoneStatus(c.zone);
                if (!status) {
                    return;
                }
                if constexpr (std::is_same_v<C, YXCCommand::SetPower>) {
                    const bool on = c.state == PowerState::on
                        || (c.state == PowerState::toggle && status->power != QLatin1String("on"));
                    status->power = on ? QStringLiteral("on") : QStringLiteral("standby");
                } else {
                    // Every other setting of a zone is taken exactly as sent.
                    Accepted::apply(*status, c.zone, command, std::nullopt);
                    if constexpr (std::is_same_v<C, YXCCommand::SetInput>) {
                        status->inputText = inputText(m_names, c.input);
                    }
                }
            }
            // Read commands change nothing.
        },
        command.value());
}

QCoro::Task<Result<YXCPayload, YXCError>> MockReceiver::fetchPayload(
    YXCCommand command, YXCPayloadType type, Cancellation cancel)
{
    Q_UNUSED(cancel);
    const QString path = command.path();
    // Each read the mock answers, as a receiver would see it: how many requests the application sends. Off by
    // default (Logging.cpp).
    qCDebug(lcMock).noquote() << "read" << path;
    const auto model = answer(command);
    if (!model) {
        co_return Failure { YXCError::responseCode(4, path) };
    }
    const auto answered = m_answered.find(path);
    if (answered != m_answered.end() && answered->second.type == type && answered->second.model == *model) {
        // A copy: QCoro's return_value moves from any lvalue of another type than the task's.
        co_return YXCPayload(answered->second.decoded);
    }
    // Through the encoder and the decoder, exactly as a receiver's body would go.
    auto decoded = YXCDecoder::decodePayload(type, YXCEncoder::encode(*model, false));
    if (!decoded) {
        co_return Failure { YXCError::unreadable(path, decoded.error().detail()) };
    }
    m_answered.insert_or_assign(path, Answered { type, *model, decoded.value() });
    co_return std::move(decoded).value();
}

QCoro::Task<Result<Done, YXCError>> MockReceiver::send(YXCCommand command)
{
    m_performed.append(command);
    apply(command);
    if (m_eventSink && !m_registeredPorts.isEmpty()) {
        // After the answer, as a datagram would come.
        QTimer::singleShot(0, [sink = m_eventSink, datagram = eventAfter(command)] { sink(datagram); });
    }
    co_return Done {};
}

QByteArray MockReceiver::eventAfter(const YXCCommand &command) const
{
    QJsonObject event;
    if (m_deviceInfo.deviceId) {
        event.insert(QStringLiteral("device_id"), *m_deviceInfo.deviceId);
    }
    const std::optional<Zone> zone = command.zone();
    if (zone) {
        event.insert(rawValue(*zone), QJsonObject { { QStringLiteral("status_updated"), true } });
    }
    // A favourite also changes what is playing.
    if (!zone || command.as<YXCCommand::RecallPreset>()) {
        event.insert(QStringLiteral("netusb"), QJsonObject { { QStringLiteral("play_info_updated"), true } });
    }
    if (command.as<YXCCommand::RecallTunerPreset>()) {
        event.insert(QStringLiteral("tuner"), QJsonObject { { QStringLiteral("play_info_updated"), true } });
    }
    return QJsonDocument(event).toJson(QJsonDocument::Compact);
}

QCoro::Task<Result<Done, YXCError>> MockReceiver::registerForEvents(quint16 port)
{
    m_registeredPorts.append(port);
    co_return Done {};
}

QCoro::Task<std::optional<QImage>> MockReceiver::albumArt(QString path)
{
    if (path != QLatin1String(coverPath)) {
        co_return std::nullopt;
    }
    co_return cover();
}

const QImage &MockReceiver::cover()
{
    static const QImage image = drawCover();
    return image;
}

} // namespace amplora
