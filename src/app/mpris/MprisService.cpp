#include "app/mpris/MprisService.h"

#include "app/Logging.h"
#include "app/controller/ReceiverControlAdapter.h"
#include "app/dbus/ActionService.h"
#include "app/mpris/MprisProperties.h"
#include "core/capabilities/Playback.h"
#include "core/capabilities/Volume.h"
#include "core/protocol/YXCCommand.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QHash>
#include <QMetaObject>

#include <chrono>
#include <cmath>
#include <cstdlib>

namespace amplora::app {

namespace {

const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// A receiver reports the play time in whole seconds and a little late; a larger difference from steady play is a
// jump made elsewhere (on the receiver or in another app), which clients must hear about to redraw their progress.
constexpr qint64 jumpTolerance = 3000000;

// Qt adds the standard interfaces (Properties among them) around these.
const char *const introspection = R"(  <interface name="org.mpris.MediaPlayer2">
    <method name="Raise"/>
    <method name="Quit"/>
    <property name="CanQuit" type="b" access="read"/>
    <property name="CanRaise" type="b" access="read"/>
    <property name="HasTrackList" type="b" access="read"/>
    <property name="Identity" type="s" access="read"/>
    <property name="DesktopEntry" type="s" access="read"/>
    <property name="SupportedUriSchemes" type="as" access="read"/>
    <property name="SupportedMimeTypes" type="as" access="read"/>
  </interface>
  <interface name="org.mpris.MediaPlayer2.Player">
    <method name="Next"/>
    <method name="Previous"/>
    <method name="Pause"/>
    <method name="PlayPause"/>
    <method name="Stop"/>
    <method name="Play"/>
    <method name="Seek">
      <arg name="Offset" type="x" direction="in"/>
    </method>
    <method name="SetPosition">
      <arg name="TrackId" type="o" direction="in"/>
      <arg name="Position" type="x" direction="in"/>
    </method>
    <method name="OpenUri">
      <arg name="Uri" type="s" direction="in"/>
    </method>
    <signal name="Seeked">
      <arg name="Position" type="x"/>
    </signal>
    <property name="PlaybackStatus" type="s" access="read"/>
    <property name="Rate" type="d" access="readwrite"/>
    <property name="Metadata" type="a{sv}" access="read"/>
    <property name="Volume" type="d" access="readwrite"/>
    <property name="Position" type="x" access="read">
      <annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
    </property>
    <property name="MinimumRate" type="d" access="read"/>
    <property name="MaximumRate" type="d" access="read"/>
    <property name="CanGoNext" type="b" access="read"/>
    <property name="CanGoPrevious" type="b" access="read"/>
    <property name="CanPlay" type="b" access="read"/>
    <property name="CanPause" type="b" access="read"/>
    <property name="CanSeek" type="b" access="read"/>
    <property name="CanControl" type="b" access="read"/>
  </interface>
)";

std::optional<PlaybackAction> transportAction(const QString &member)
{
    static const QHash<QString, PlaybackAction> actions {
        { QStringLiteral("Play"), PlaybackAction::play },
        { QStringLiteral("Pause"), PlaybackAction::pause },
        { QStringLiteral("Stop"), PlaybackAction::stop },
        { QStringLiteral("Next"), PlaybackAction::next },
        { QStringLiteral("Previous"), PlaybackAction::previous },
    };
    const auto found = actions.find(member);
    return found == actions.end() ? std::nullopt : std::optional(*found);
}

std::optional<double> numberOf(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return value.toDouble();
    default:
        return std::nullopt;
    }
}

QDBusMessage unknownMethod(const QDBusMessage &message)
{
    return message.createErrorReply(QDBusError::UnknownMethod,
        QStringLiteral("No method %1.%2(%3) at %4.")
            .arg(message.interface(), message.member(), message.signature(), MprisService::objectPath()));
}

} // namespace

MprisService::MprisService(ReceiverStore &store, Hooks hooks, QObject *parent)
    : QDBusVirtualObject(parent)
    , m_store(store)
    , m_hooks(std::move(hooks))
{
    m_announceTimer.setSingleShot(true);
    m_announceTimer.setInterval(0);
    connect(&m_announceTimer, &QTimer::timeout, this, &MprisService::announce);
}

MprisService::~MprisService()
{
    if (m_bus) {
        m_bus->unregisterService(serviceName());
        m_bus->unregisterObject(objectPath());
    }
}

MprisService::Registration MprisService::registerOn(QDBusConnection bus)
{
    if (!bus.isConnected()) {
        return Registration::noBus;
    }
    if (!bus.registerVirtualObject(objectPath(), this)) {
        // The path is ours alone within this process, so a refusal means the bus itself is unusable.
        qCWarning(lcMpris).noquote() << "Could not export the media-player interface:" << bus.lastError().message();
        return Registration::noBus;
    }
    if (!bus.registerService(serviceName())) {
        bus.unregisterObject(objectPath());
        return Registration::nameTaken;
    }
    m_bus = bus;
    m_announced = playerProperties();
    noticeJump(m_announced);

    const auto watch = [this](auto signal) { connect(&m_store, signal, this, &MprisService::scheduleAnnouncement); };
    watch(&ReceiverStore::transportChanged);
    watch(&ReceiverStore::selectedZoneChanged);
    watch(&ReceiverStore::currentStatusChanged);
    for (const auto changed : { &ReceiverState::receiverChanged, &ReceiverState::playbackChanged }) {
        connect(&m_store.state(), changed, this, &MprisService::scheduleAnnouncement);
    }
    connect(&m_art, &MprisArtFile::written, this, &MprisService::scheduleAnnouncement);
    watch(&ReceiverStore::displayedVolumeDBChanged);
    connect(&m_store.settings(), &AppSettings::maxVolumeDBChanged, this, &MprisService::scheduleAnnouncement);
    return Registration::registered;
}

QString MprisService::introspect(const QString &path) const
{
    return path == objectPath() ? QString::fromLatin1(introspection) : QString();
}

QVariantMap MprisService::rootProperties() const
{
    return {
        { QStringLiteral("CanQuit"), bool(m_hooks.quit) },
        { QStringLiteral("CanRaise"), bool(m_hooks.raise) },
        { QStringLiteral("HasTrackList"), false },
        { QStringLiteral("Identity"), QStringLiteral("Amplora") },
        { QStringLiteral("DesktopEntry"), QStringLiteral("org.amplora.Amplora") },
        { QStringLiteral("SupportedUriSchemes"), QStringList() },
        { QStringLiteral("SupportedMimeTypes"), QStringList() },
    };
}

QVariantMap MprisService::playerProperties()
{
    return MprisProperties::player(m_store, [this] { return m_art.urlFor(m_store.state().albumArt()); });
}

std::optional<QVariantMap> MprisService::properties(const QString &interface)
{
    if (interface == rootInterface()) {
        return rootProperties();
    }
    if (interface == playerInterface()) {
        QVariantMap player = playerProperties();
        player.insert(QStringLiteral("Position"), MprisProperties::position(m_store, m_store.clock().now()));
        return player;
    }
    return std::nullopt;
}

bool MprisService::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    if (message.type() != QDBusMessage::MethodCallMessage) {
        return false;
    }
    const QString interface = message.interface();
    Reply reply;
    if (interface == propertiesInterface) {
        reply = handleProperties(message);
    } else if (interface == rootInterface()) {
        reply = handleRoot(message);
    } else if (interface == playerInterface()) {
        reply = handlePlayer(message);
    }
    // Anything else (introspection above all) is Qt's to answer.
    if (!reply) {
        return false;
    }
    connection.send(*reply);
    return true;
}

MprisService::Reply MprisService::handleProperties(const QDBusMessage &message)
{
    const QList<QVariant> args = message.arguments();
    const QString member = message.member();
    const QString signature = message.signature();
    const bool get = member == QStringLiteral("Get") && signature == QStringLiteral("ss");
    const bool getAll = member == QStringLiteral("GetAll") && signature == QStringLiteral("s");
    const bool set = member == QStringLiteral("Set") && signature == QStringLiteral("ssv");
    if (!get && !getAll && !set) {
        return unknownMethod(message);
    }
    const QString interface = args.at(0).toString();
    const std::optional<QVariantMap> all = properties(interface);
    if (!all) {
        return message.createErrorReply(
            QDBusError::UnknownInterface, QStringLiteral("No interface %1 at %2.").arg(interface, objectPath()));
    }
    if (getAll) {
        return message.createReply(*all);
    }
    const QString name = args.at(1).toString();
    if (!all->contains(name)) {
        return message.createErrorReply(
            QDBusError::UnknownProperty, QStringLiteral("No property %1 in %2.").arg(name, interface));
    }
    if (get) {
        return message.createReply(QVariant::fromValue(QDBusVariant(all->value(name))));
    }
    if (interface == playerInterface() && name == QStringLiteral("Volume")) {
        return setVolume(message, qvariant_cast<QDBusVariant>(args.at(2)).variant());
    }
    if (interface == playerInterface() && name == QStringLiteral("Rate")) {
        // The receiver plays at one speed only, which MinimumRate and MaximumRate say; other rates are ignored.
        return message.createReply();
    }
    return message.createErrorReply(
        QDBusError::PropertyReadOnly, QStringLiteral("The property %1 cannot be changed.").arg(name));
}

MprisService::Reply MprisService::handleRoot(const QDBusMessage &message)
{
    const QString member = message.member();
    if (!message.signature().isEmpty() || (member != QStringLiteral("Raise") && member != QStringLiteral("Quit"))) {
        return unknownMethod(message);
    }
    // Without the ability (CanRaise or CanQuit false) the call has no effect, as the interface asks.
    const std::function<void()> &hook = member == QStringLiteral("Raise") ? m_hooks.raise : m_hooks.quit;
    if (hook) {
        // After the reply has gone out: quitting ends the event loop that sends it.
        QMetaObject::invokeMethod(this, hook, Qt::QueuedConnection);
    }
    return message.createReply();
}

MprisService::Reply MprisService::handlePlayer(const QDBusMessage &message)
{
    const QString member = message.member();
    const QString signature = message.signature();
    const bool toggle = member == QStringLiteral("PlayPause");
    std::optional<PlaybackAction> action = transportAction(member);
    if (signature.isEmpty() && (action || toggle)) {
        const bool playing = Playback::isPlaying(m_store.state().playInfo());
        if (toggle) {
            action = Playback::toggled(m_store.state().playInfo());
        }
        const YXCCommand command = YXCCommand::setPlayback(*action);
        if (auto refused = refusal(message, command)) {
            return refused;
        }
        // Without a player behind the input the call has no effect, as the interface asks of CanPlay and the others.
        if (MprisProperties::takesTransport(m_store)) {
            const bool pausing = *action == PlaybackAction::pause;
            const bool flips = (pausing && playing) || (*action == PlaybackAction::play && !playing);
            // A change of state goes through the store's toggle, which shows it at once. A command for the state the
            // store already shows still goes out: the receiver may be ahead of the store.
            if (flips) {
                m_store.togglePlayback();
            } else {
                m_store.perform(command);
            }
        }
        return message.createReply();
    }
    if (member == QStringLiteral("Seek") && signature == QStringLiteral("x")) {
        return message.createReply(); // CanSeek is false: no effect
    }
    if (member == QStringLiteral("SetPosition") && signature == QStringLiteral("ox")) {
        return message.createReply();
    }
    if (member == QStringLiteral("OpenUri") && signature == QStringLiteral("s")) {
        return message.createErrorReply(QDBusError::NotSupported,
            QStringLiteral("Amplora cannot open media: it controls what the receiver itself plays."));
    }
    return unknownMethod(message);
}

MprisService::Reply MprisService::setVolume(const QDBusMessage &message, const QVariant &value)
{
    const std::optional<double> fraction = numberOf(value);
    if (!fraction || !std::isfinite(*fraction)) {
        return message.createErrorReply(
            QDBusError::InvalidArgs, QStringLiteral("The volume must be a number from 0.0 to 1.0."));
    }
    const Zone zone = m_store.selectedZone();
    const auto noRange = [&] {
        return message.createErrorReply(
            QDBusError::Failed, QStringLiteral("The receiver reported no volume range for %1.").arg(rawValue(zone)));
    };
    const std::optional<MprisVolume> range = MprisProperties::volume(m_store);
    if (!range) {
        return noRange();
    }
    const double dB = range->decibels(*fraction);
    const std::optional<Features> &announced = m_store.state().features();
    const ZoneFeatures *features = announced ? announced->zoneFeatures(zone) : nullptr;
    const std::optional<YXCCommand> command = Volume::command(zone, Volume::takesDecibels(features), range->scale, dB);
    if (!command) {
        return noRange();
    }
    if (auto refused = refusal(message, *command)) {
        return refused;
    }
    // The store snaps to the zone's steps and holds the value under the cap, as for the window's knob.
    m_store.setVolume(dB);
    return message.createReply();
}

MprisService::Reply MprisService::refusal(const QDBusMessage &message, const YXCCommand &command) const
{
    const auto &transport = m_store.transport();
    if (!transport || !transport->isReadOnly()) {
        return std::nullopt;
    }
    const QString text = ReceiverControlAdapter::controlError(YXCError::readOnlyBlocked(command.path())).description();
    qCInfo(lcMpris).noquote() << text;
    return message.createErrorReply(ActionService::errorName(QStringLiteral("read_only")), text);
}

void MprisService::scheduleAnnouncement()
{
    if (!m_announceTimer.isActive()) {
        m_announceTimer.start();
    }
}

void MprisService::announce()
{
    if (!m_bus) {
        return;
    }
    const QVariantMap current = playerProperties();
    QVariantMap changed;
    for (auto it = current.begin(); it != current.end(); ++it) {
        if (m_announced.value(it.key()) != it.value()) {
            changed.insert(it.key(), it.value());
        }
    }
    m_announced = current;
    if (!changed.isEmpty()) {
        QDBusMessage signal
            = QDBusMessage::createSignal(objectPath(), propertiesInterface, QStringLiteral("PropertiesChanged"));
        signal << playerInterface() << changed << QStringList();
        m_bus->send(signal);
    }
    noticeJump(current);
}

void MprisService::noticeJump(const QVariantMap &player)
{
    const Clock::TimePoint now = m_store.clock().now();
    const qint64 position = MprisProperties::position(m_store, now);
    const bool playing = player.value(QStringLiteral("PlaybackStatus")) == QStringLiteral("Playing");
    const QVariant trackId = player.value(QStringLiteral("Metadata")).toMap().value(QStringLiteral("mpris:trackid"));
    if (m_bus && m_mark && trackId.isValid() && m_mark->trackId == trackId) {
        qint64 expected = m_mark->position;
        if (m_mark->playing) {
            expected += std::chrono::duration_cast<std::chrono::microseconds>(now - m_mark->at).count();
        }
        if (std::abs(position - expected) > jumpTolerance) {
            QDBusMessage signal = QDBusMessage::createSignal(objectPath(), playerInterface(), QStringLiteral("Seeked"));
            signal << position;
            m_bus->send(signal);
        }
    }
    m_mark = Mark { position, now, playing, trackId };
}

} // namespace amplora::app
