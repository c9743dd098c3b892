#include "qml/PanelModel.h"

#include "core/handoff/SpotifyHandoff.h"
#include "core/protocol/SignalStripValues.h"
#include "core/store/AppSettings.h"
#include "core/store/FavouriteInput.h"
#include "core/store/FavouriteSoundProgram.h"
#include "core/store/FriendlyNames.h"
#include "core/store/ReceiverStore.h"
#include "core/store/ZoneRules.h"
#include "qml/Symbols.h"
#include "qml/UiContext.h"

#include <QLoggingCategory>
#include <QQmlEngine>
#include <QSettings>
#include <QStandardPaths>

namespace amplora {

namespace {

Q_LOGGING_CATEGORY(lcPanel, "amplora.window")

const QString networkSourceType = QStringLiteral("netusb");

std::optional<QString> nonEmpty(const std::optional<QString> &text)
{
    if (text && !text->isEmpty()) {
        return text;
    }
    return std::nullopt;
}

QVariant optionalValue(const std::optional<int> &value)
{
    return value ? QVariant(*value) : QVariant();
}

bool desktopReducesMotion()
{
    if (qEnvironmentVariableIntValue("AMPLORA_REDUCE_MOTION") == 1) {
        return true;
    }
    const QString gtk
        = QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("gtk-3.0/settings.ini"));
    if (gtk.isEmpty()) {
        return false;
    }
    const QSettings ini(gtk, QSettings::IniFormat);
    const QString value = ini.value(QStringLiteral("Settings/gtk-enable-animations")).toString().trimmed().toLower();
    return value == QStringLiteral("false") || value == QStringLiteral("0");
}

} // namespace

PanelModel::PanelModel(ReceiverStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_reduceMotion(desktopReducesMotion())
{
    // A new cover is a new picture even when everything else stays; it must count before the values are read.
    connect(&m_store, &ReceiverStore::albumArtChanged, this, [this] { ++m_artGeneration; });
    // The elapsed time moves with the clock, so comparing it says nothing: it is announced with every play
    // information the receiver reports.
    connect(&m_store, &ReceiverStore::playInfoChanged, this, &PanelModel::elapsedPlayTimeChanged);
    connect(&m_store, &ReceiverStore::playInfoReceivedAtChanged, this, &PanelModel::elapsedPlayTimeChanged);

    const QMetaObject *meta = metaObject();
    const int elapsed = meta->indexOfProperty("elapsedPlayTime");
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (property.hasNotifySignal() && i != elapsed) {
            m_watched.push_back({ property, property.read(this) });
        }
    }
    // Every change of the store may change any of the values; each is compared with what was last announced.
    const QMetaObject &storeMeta = ReceiverStore::staticMetaObject;
    const QMetaMethod notify = meta->method(meta->indexOfSlot("notifyChanges()"));
    Q_ASSERT(notify.isValid());
    for (int i = storeMeta.methodOffset(); i < storeMeta.methodCount(); ++i) {
        if (storeMeta.method(i).methodType() == QMetaMethod::Signal) {
            connect(&m_store, storeMeta.method(i), this, notify);
        }
    }
    connect(&m_store.settings(), &AppSettings::frontPanelDisplayChanged, this, &PanelModel::notifyChanges);
}

PanelModel::~PanelModel() = default;

void PanelModel::notifyChanges()
{
    for (Watched &watched : m_watched) {
        QVariant now = watched.property.read(this);
        if (now != watched.value) {
            watched.value = std::move(now);
            watched.property.notifySignal().invoke(this, Qt::DirectConnection);
        }
    }
}

PanelModel *PanelModel::create(QQmlEngine *engine, QJSEngine *)
{
    const UiContext *context = UiContext::of(engine);
    return context ? &context->panel() : nullptr;
}

QString PanelModel::displayState() const
{
    if (!m_store.connection().is(ConnectionState::Kind::connected)) {
        return QStringLiteral("notConnected");
    }
    return zoneOn() ? QStringLiteral("live") : QStringLiteral("standby");
}

bool PanelModel::connectionFailed() const
{
    return m_store.connection().is(ConnectionState::Kind::failed);
}

bool PanelModel::zoneOn() const
{
    return ZoneRules::isOn(m_store.currentStatus());
}

bool PanelModel::muted() const
{
    const auto status = m_store.currentStatus();
    return status && status->mute.value_or(false);
}

QString PanelModel::input() const
{
    const auto status = m_store.currentStatus();
    return status ? status->input.value_or(QString()) : QString();
}

namespace {

QStringList zoneInputs(const ReceiverStore &store)
{
    const auto &features = store.features();
    const ZoneFeatures *zone = features ? features->zoneFeatures(store.selectedZone()) : nullptr;
    return zone ? zone->inputList : QStringList();
}

QStringList zonePrograms(const ReceiverStore &store)
{
    const auto &features = store.features();
    const ZoneFeatures *zone = features ? features->zoneFeatures(store.selectedZone()) : nullptr;
    return zone ? zone->soundProgramList.value_or(QStringList()) : QStringList();
}

// The entry's name, or a readable form of the id when the list does not hold it (a status can name an input
// the features leave out).
QString nameIn(const QList<FriendlyNames::Entry> &entries, const QString &id)
{
    for (const auto &entry : entries) {
        if (entry.id == id) {
            return entry.name;
        }
    }
    return id.isEmpty() ? QString() : FriendlyNames::prettified(id);
}

QVariantList entriesWithCurrent(const QList<FriendlyNames::Entry> &entries, const QString &current)
{
    QVariantList list;
    for (const auto &entry : entries) {
        list.append(QVariantMap { { QStringLiteral("id"), entry.id }, { QStringLiteral("name"), entry.name },
            { QStringLiteral("current"), entry.id == current } });
    }
    return list;
}

} // namespace

QString PanelModel::inputName() const
{
    return nameIn(FriendlyNames::inputs(zoneInputs(m_store), m_store.names()), input());
}

QString PanelModel::soundProgramName() const
{
    const auto status = m_store.currentStatus();
    const QString program = status ? status->soundProgram.value_or(QString()) : QString();
    return nameIn(FriendlyNames::soundPrograms(zonePrograms(m_store), m_store.names()), program);
}

QStringList PanelModel::funcList() const
{
    const auto &features = m_store.features();
    const ZoneFeatures *zone = features ? features->zoneFeatures(m_store.selectedZone()) : nullptr;
    return zone ? zone->funcList : QStringList();
}

QString PanelModel::modelName() const
{
    const auto &info = m_store.deviceInfo();
    return info ? info->modelName.value_or(QString()) : QString();
}

QVariantList PanelModel::zones() const
{
    QVariantList list;
    for (const Zone zone : m_store.availableZones()) {
        const auto name = m_store.names() ? m_store.names()->zoneName(zone) : std::nullopt;
        list.append(QVariantMap { { QStringLiteral("id"), rawValue(zone) },
            { QStringLiteral("name"),
                name.value_or(zone == Zone::main ? QStringLiteral("Main") : QStringLiteral("Zone2")) },
            { QStringLiteral("selected"), zone == m_store.selectedZone() } });
    }
    return list;
}

QVariantList PanelModel::favouriteInputs() const
{
    const QStringList available = zoneInputs(m_store);
    const auto entries = FriendlyNames::inputs(available, m_store.names());
    const QString current = input();
    QVariantList list;
    for (const FavouriteInput &favourite : FavouriteInput::all()) {
        const auto id = favourite.input(available, m_store.names());
        if (!id) {
            continue;
        }
        list.append(QVariantMap { { QStringLiteral("label"), favourite.label },
            { QStringLiteral("symbol"), Symbols::iconName(favourite.symbol) }, { QStringLiteral("id"), *id },
            { QStringLiteral("name"), nameIn(entries, *id) }, { QStringLiteral("selected"), *id == current } });
    }
    return list;
}

QVariantList PanelModel::inputs() const
{
    return entriesWithCurrent(FriendlyNames::inputs(zoneInputs(m_store), m_store.names()), input());
}

QVariantList PanelModel::favouritePrograms() const
{
    const QStringList available = zonePrograms(m_store);
    const auto status = m_store.currentStatus();
    const QString current = status ? status->soundProgram.value_or(QString()) : QString();
    QVariantList list;
    for (const FavouriteSoundProgram &favourite : FavouriteSoundProgram::all()) {
        if (available.contains(favourite.programID)) {
            list.append(QVariantMap { { QStringLiteral("label"), favourite.label },
                { QStringLiteral("id"), favourite.programID },
                { QStringLiteral("selected"), favourite.programID == current } });
        }
    }
    return list;
}

QVariantList PanelModel::soundPrograms() const
{
    const auto status = m_store.currentStatus();
    const QString current = status ? status->soundProgram.value_or(QString()) : QString();
    return entriesWithCurrent(FriendlyNames::soundPrograms(zonePrograms(m_store), m_store.names()), current);
}

QVariantList PanelModel::indicators() const
{
    const QStringList functions = funcList();
    QVariantList list;
    const auto add = [&list](const QString &word, bool lit) {
        list.append(QVariantMap { { QStringLiteral("word"), word }, { QStringLiteral("lit"), lit } });
    };
    add(QStringLiteral("MAIN"), m_store.selectedZone() == Zone::main);
    add(QStringLiteral("ZONE2"), m_store.selectedZone() == Zone::zone2);
    if (m_store.supportsDirect()) {
        add(functions.contains(QStringLiteral("pure_direct")) ? QStringLiteral("PURE DIRECT")
                                                              : QStringLiteral("DIRECT"),
            direct());
    }
    if (m_store.supportsEnhancer()) {
        add(QStringLiteral("ENHANCER"), enhancer());
    }
    if (m_store.supportsExtraBass()) {
        add(QStringLiteral("EXTRA BASS"), extraBass());
    }
    if (m_store.supportsSurroundAI()) {
        add(QStringLiteral("SURROUND:AI"), surroundAI());
    }
    return list;
}

QVariantMap PanelModel::volumeRange() const
{
    const auto scale = m_store.volumeScale(m_store.selectedZone());
    if (!scale) {
        return { { QStringLiteral("min"), -80.5 }, { QStringLiteral("max"), 16.5 }, { QStringLiteral("step"), 0.5 },
            { QStringLiteral("known"), false } };
    }
    return { { QStringLiteral("min"), scale->minDB }, { QStringLiteral("max"), scale->maxDB },
        { QStringLiteral("step"), scale->stepDB }, { QStringLiteral("known"), true } };
}

QVariantMap PanelModel::rangeOf(const QString &id, double fallbackMin, double fallbackMax, double fallbackStep) const
{
    const auto &features = m_store.features();
    const ZoneFeatures *zone = features ? features->zoneFeatures(m_store.selectedZone()) : nullptr;
    const RangeStep *range = zone ? zone->range(id) : nullptr;
    // A range the knob cannot sweep (empty, reversed or without a step) falls back to the common one.
    if (!range || !(range->max > range->min) || !(range->step > 0)) {
        return { { QStringLiteral("min"), fallbackMin }, { QStringLiteral("max"), fallbackMax },
            { QStringLiteral("step"), fallbackStep } };
    }
    return { { QStringLiteral("min"), range->min }, { QStringLiteral("max"), range->max },
        { QStringLiteral("step"), range->step } };
}

QVariantMap PanelModel::toneRange() const
{
    return rangeOf(QStringLiteral("tone_control"), -12, 12, 1);
}

QVariantMap PanelModel::subwooferRange() const
{
    return rangeOf(QStringLiteral("subwoofer_volume"), -12, 12, 1);
}

bool PanelModel::extraBass() const
{
    const auto status = m_store.currentStatus();
    return status && status->extraBass.value_or(false);
}

bool PanelModel::surroundAI() const
{
    const auto status = m_store.currentStatus();
    return status && status->surroundAi.value_or(false);
}

bool PanelModel::networkSource() const
{
    const auto &features = m_store.features();
    const QString id = input();
    const InputFeature *feature = features && !id.isEmpty() ? features->system.input(id) : nullptr;
    return feature && feature->playInfoType == networkSourceType;
}

QString PanelModel::sourceSymbol() const
{
    const QString current = input();
    if (!current.isEmpty()) {
        const QStringList available = zoneInputs(m_store);
        for (const FavouriteInput &favourite : FavouriteInput::all()) {
            if (favourite.input(available, m_store.names()) == current || favourite.ids.contains(current)) {
                return Symbols::iconName(favourite.symbol);
            }
        }
    }
    return Symbols::iconName(QStringLiteral("hifispeaker"));
}

QString PanelModel::spotifyDeviceName() const
{
    const auto name = m_store.names() ? m_store.names()->zoneName(m_store.selectedZone()) : std::nullopt;
    return nonEmpty(name).value_or(QStringLiteral("this receiver"));
}

bool PanelModel::supportsSleep() const
{
    return m_store.supportsSleep();
}

int PanelModel::sleepMinutes() const
{
    const auto status = m_store.currentStatus();
    return status ? std::max(0, status->sleep.value_or(0)) : 0;
}

bool PanelModel::supportsDirect() const
{
    return m_store.supportsDirect();
}

bool PanelModel::direct() const
{
    const auto status = m_store.currentStatus();
    const auto &features = m_store.features();
    return status
        && ZoneRules::directState(*status, features ? features->zoneFeatures(m_store.selectedZone()) : nullptr)
               .value_or(false);
}

bool PanelModel::supportsEnhancer() const
{
    return m_store.supportsEnhancer();
}

bool PanelModel::enhancer() const
{
    const auto status = m_store.currentStatus();
    return status && status->enhancer.value_or(false);
}

bool PanelModel::supportsDialogue() const
{
    return m_store.dialogueRange().has_value();
}

QVariantMap PanelModel::dialogueRange() const
{
    return rangeOf(QStringLiteral("dialogue_level"), 0, 3, 1);
}

QVariant PanelModel::dialogueLevel() const
{
    return supportsDialogue() ? optionalValue(m_store.displayedLevel(QStringLiteral("dialogue"))) : QVariant();
}

bool PanelModel::supportsRepeat() const
{
    return !m_store.repeatModes().isEmpty();
}

QString PanelModel::repeatMode() const
{
    const auto &info = m_store.playInfo();
    return supportsRepeat() && info ? info->repeat.value_or(QStringLiteral("off")) : QString();
}

bool PanelModel::supportsShuffle() const
{
    return !m_store.shuffleModes().isEmpty();
}

QString PanelModel::shuffleMode() const
{
    const auto &info = m_store.playInfo();
    return supportsShuffle() && info ? info->shuffle.value_or(QStringLiteral("off")) : QString();
}

QVariantList PanelModel::favourites() const
{
    QVariantList list;
    if (!m_store.supportsFavourites()) {
        return list;
    }
    for (const ListedPreset &favourite : m_store.favourites()) {
        list.append(
            QVariantMap { { QStringLiteral("number"), favourite.number }, { QStringLiteral("name"), favourite.name } });
    }
    return list;
}

QVariantList PanelModel::receiverScenes() const
{
    // The features give the scene buttons no names; the receiver's own remote numbers them.
    QVariantList list;
    for (int number = 1; number <= m_store.receiverSceneCount(); ++number) {
        list.append(QVariantMap {
            { QStringLiteral("number"), number }, { QStringLiteral("name"), QStringLiteral("Scene %1").arg(number) } });
    }
    return list;
}

QVariant PanelModel::bass() const
{
    return optionalValue(m_store.displayedLevel(QStringLiteral("bass")));
}

QVariant PanelModel::treble() const
{
    return optionalValue(m_store.displayedLevel(QStringLiteral("treble")));
}

QVariant PanelModel::subwoofer() const
{
    return optionalValue(m_store.displayedLevel(QStringLiteral("subwoofer")));
}

QString PanelModel::track() const
{
    const auto &info = m_store.playInfo();
    return info ? info->track.value_or(QString()) : QString();
}

QString PanelModel::artist() const
{
    const auto &info = m_store.playInfo();
    return info ? info->artist.value_or(QString()) : QString();
}

bool PanelModel::hasTrackInfo() const
{
    return !track().isEmpty() || !artist().isEmpty();
}

bool PanelModel::playing() const
{
    return ZoneRules::isPlaying(m_store.playInfo());
}

QVariant PanelModel::totalTime() const
{
    const auto &info = m_store.playInfo();
    // A total of zero is how receivers say "a stream without an end"; there is no progress to draw then.
    if (!info || !info->totalTime || *info->totalTime <= 0) {
        return {};
    }
    return *info->totalTime;
}

QString PanelModel::marqueeText() const
{
    if (!networkSource()) {
        return {};
    }
    QStringList parts;
    for (const QString &part : { artist(), track() }) {
        if (!part.isEmpty()) {
            parts.append(part);
        }
    }
    return parts.join(QStringLiteral(" \u2013 "));
}

QString PanelModel::albumArtSource() const
{
    if (!m_store.albumArt()) {
        return {};
    }
    // A new URL per picture: the image element caches by URL.
    return QStringLiteral("image://albumart/%1").arg(m_artGeneration);
}

QVariantMap PanelModel::signalStrip() const
{
    const auto values = SignalStripValues::from(m_store.currentSignalInfo(), m_store.canFetchSignal());
    QVariantList lamps;
    for (const FormatLight light : allFormatLights) {
        lamps.append(QVariantMap {
            { QStringLiteral("label"), rawValue(light) }, { QStringLiteral("lit"), values.lights.contains(light) } });
    }
    return { { QStringLiteral("active"), values.active }, { QStringLiteral("format"), values.format },
        { QStringLiteral("sampleRate"), values.sampleRate }, { QStringLiteral("bitDepth"), values.bitDepth },
        { QStringLiteral("lamps"), lamps } };
}

QString PanelModel::signalSummary() const
{
    const auto values = SignalStripValues::from(m_store.currentSignalInfo(), m_store.canFetchSignal());
    QStringList parts;
    for (const FormatLight light : allFormatLights) {
        if (values.lights.contains(light)) {
            parts.append(rawValue(light));
        }
    }
    for (const QString &text : { values.format, values.sampleRate, values.bitDepth }) {
        if (!text.isEmpty() && text != QStringLiteral("\u2014")) {
            parts.append(text);
        }
    }
    return parts.join(QStringLiteral("  /  "));
}

QString PanelModel::signalDetail() const
{
    const auto info = m_store.currentSignalInfo();
    if (!info || !info->audio) {
        return QStringLiteral("No signal information");
    }
    const auto &audio = *info->audio;
    if (audio.error.value_or(0) != 0) {
        return QStringLiteral("Signal error");
    }
    if (audio.bitrate && *audio.bitrate > 0) {
        return QStringLiteral("%1 kbps").arg(*audio.bitrate);
    }
    return QStringLiteral("Signal locked");
}

QString PanelModel::symbol(const QString &name) const
{
    return Symbols::iconName(name);
}

QString PanelModel::selectedZone() const
{
    return rawValue(m_store.selectedZone());
}

void PanelModel::setSelectedZone(const QString &raw)
{
    if (const auto zone = zoneFromRawValue(raw)) {
        m_store.setSelectedZone(*zone);
    } else {
        qCWarning(lcPanel).noquote() << "Ignoring unknown zone" << raw;
    }
}

QString PanelModel::statusLine() const
{
    return m_store.statusLine();
}

QString PanelModel::lastError() const
{
    return m_store.lastError().value_or(QString());
}

bool PanelModel::needsReceiverSetup() const
{
    return m_store.needsReceiverSetup();
}

bool PanelModel::isScanning() const
{
    return m_store.isScanning();
}

QString PanelModel::discoveryMessage() const
{
    return m_store.discoveryMessage().value_or(QString());
}

QVariant PanelModel::displayedVolumeDB() const
{
    const auto value = m_store.displayedVolumeDB();
    return value ? QVariant(*value) : QVariant();
}

QColor PanelModel::displayTint() const
{
    return m_store.displayTint();
}

bool PanelModel::supportsExtraBass() const
{
    return m_store.supportsExtraBass();
}

bool PanelModel::supportsSurroundAI() const
{
    return m_store.supportsSurroundAI();
}

bool PanelModel::needsSpotifyPrompt() const
{
    return m_store.needsSpotifyPrompt();
}

bool PanelModel::frontPanelVisible() const
{
    return m_store.frontPanelVisible();
}

void PanelModel::setFrontPanelVisible(bool visible)
{
    m_store.setFrontPanelVisible(visible);
}

bool PanelModel::signalStripVisible() const
{
    return m_store.signalStripVisible();
}

void PanelModel::setSignalStripVisible(bool visible)
{
    m_store.setSignalStripVisible(visible);
}

QString PanelModel::signalKey() const
{
    return m_store.signalKey();
}

QVariant PanelModel::elapsedPlayTime() const
{
    const auto seconds = m_store.elapsedPlayTime(m_store.clock().now());
    return seconds ? QVariant(*seconds) : QVariant();
}

void PanelModel::togglePower()
{
    m_store.togglePower();
}

void PanelModel::toggleMute()
{
    m_store.toggleMute();
}

void PanelModel::setVolume(double dB)
{
    m_store.setVolume(dB);
}

void PanelModel::setBass(double value)
{
    m_store.setBass(value);
}

void PanelModel::setTreble(double value)
{
    m_store.setTreble(value);
}

void PanelModel::setSubwoofer(double value)
{
    m_store.setSubwoofer(value);
}

void PanelModel::toggleExtraBass()
{
    m_store.toggleExtraBass();
}

void PanelModel::setSurroundAI(bool on)
{
    m_store.setSurroundAI(on);
}

void PanelModel::selectInput(const QString &id)
{
    m_store.selectInput(id);
}

void PanelModel::setSoundProgram(const QString &id)
{
    m_store.setSoundProgram(id);
}

void PanelModel::togglePlayback()
{
    m_store.togglePlayback();
}

void PanelModel::cycleSleep()
{
    m_store.cycleSleep();
}

void PanelModel::toggleDirect()
{
    m_store.toggleDirect();
}

void PanelModel::toggleEnhancer()
{
    m_store.toggleEnhancer();
}

void PanelModel::setDialogueLevel(double value)
{
    m_store.setDialogueLevel(value);
}

void PanelModel::cycleRepeat()
{
    m_store.cycleRepeat();
}

void PanelModel::cycleShuffle()
{
    m_store.cycleShuffle();
}

void PanelModel::recallFavourite(int number)
{
    m_store.recallFavourite(number);
}

void PanelModel::recallReceiverScene(int number)
{
    m_store.recallReceiverScene(number);
}

void PanelModel::refreshSignal()
{
    m_store.refreshSignal();
}

void PanelModel::signalVisibilityChanged()
{
    m_store.signalVisibilityChanged();
}

void PanelModel::previousTrack()
{
    m_store.perform(YXCCommand::setPlayback(PlaybackAction::previous));
}

void PanelModel::nextTrack()
{
    m_store.perform(YXCCommand::setPlayback(PlaybackAction::next));
}

void PanelModel::openSpotify()
{
    m_store.spotifyHandoff().open();
}

} // namespace amplora
