#include "qml/ConnectionModel.h"

#include "core/capabilities/Power.h"
#include "core/store/ReceiverStore.h"
#include "qml/DisplayText.h"
#include "qml/StoreReadings.h"
#include "qml/UiContext.h"

#include <QCoreApplication>
#include <QLoggingCategory>

namespace amplora {

namespace {

Q_LOGGING_CATEGORY(lcConnection, "amplora.window")

// The receiver's name for a zone, or the zone's own word while it gives none.
QString shownName(const ReceiverStore &store, Zone zone)
{
    const std::optional<NameText> &names = store.state().names();
    const auto name = names ? names->zoneName(zone) : std::nullopt;
    if (name) {
        return *name;
    }
    if (zone == Zone::main) {
        return QCoreApplication::translate("amplora::ConnectionModel", "Main", "zone menu entry, no name known");
    }
    return QCoreApplication::translate("amplora::ConnectionModel", "Zone2", "zone menu entry, no name known");
}

} // namespace

ConnectionModel::ConnectionModel(ReceiverStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    using S = ReceiverStore;
    m_watch.watch(&store, &S::connectionChanged, { "displayState", "connectionFailed", "zoneOn" });
    m_watch.watch(&store, &S::currentStatusChanged, { "displayState", "zoneOn", "sleepMinutes" });
    m_watch.watch(
        &store.state(), &ReceiverState::receiverChanged, { "modelName", "zoneName", "zoneTitle", "funcList" });
    // Everything the status line is made of.
    for (const auto signal :
        { &S::connectionChanged, &S::updatesChanged, &S::transportChanged, &S::addressNoticeChanged }) {
        m_watch.watch(&store, signal, { "statusLine" });
    }
    m_watch.watch(&store, &S::lastErrorChanged, { "lastError" });
    m_watch.watch(&store, &S::needsReceiverSetupChanged, { "needsReceiverSetup" });
    m_watch.watch(&store, &S::isScanningChanged, { "isScanning" });
    m_watch.watch(&store, &S::discoveryMessageChanged, { "discoveryMessage" });
    m_watch.watch(&store, &S::selectedZoneChanged, { "selectedZone", "zoneName", "zoneTitle", "funcList" });
    m_watch.watch(&store.state(), &ReceiverState::playbackChanged, { "displayTint" });
    m_watch.watch(&store, &S::supportsSleepChanged, { "supportsSleep" });
    m_watch.watch(&store, &S::frontPanelVisibleChanged, { "frontPanelVisible" });
    m_watch.watch(&store, &S::signalStripVisibleChanged, { "signalStripVisible" });

    for (const auto signal : { &S::availableZonesChanged, &S::selectedZoneChanged }) {
        connect(&store, signal, this, &ConnectionModel::updateZones);
    }
    connect(&store.state(), &ReceiverState::receiverChanged, this, &ConnectionModel::updateZones);
    updateZones();
}

ConnectionModel *ConnectionModel::create(QQmlEngine *engine, QJSEngine *)
{
    return UiContext::model(engine, &ViewModels::connection);
}

void ConnectionModel::updateZones()
{
    QList<Choice> rows;
    for (const Zone zone : m_store.availableZones()) {
        Choice choice;
        choice.key = rawValue(zone);
        choice.name = shownName(m_store, zone);
        choice.current = zone == m_store.selectedZone();
        rows.append(std::move(choice));
    }
    m_zones.setRows(std::move(rows));
}

QString ConnectionModel::displayState() const
{
    if (!m_store.connection().is(ConnectionState::Kind::connected)) {
        return QStringLiteral("notConnected");
    }
    return zoneOn() ? QStringLiteral("live") : QStringLiteral("standby");
}

bool ConnectionModel::connectionFailed() const
{
    return m_store.connection().is(ConnectionState::Kind::failed);
}

bool ConnectionModel::zoneOn() const
{
    return Power::isOn(m_store.currentStatus());
}

QString ConnectionModel::modelName() const
{
    const auto &info = m_store.state().deviceInfo();
    return info ? info->modelName.value_or(QString()) : QString();
}

QString ConnectionModel::statusLine() const
{
    return DisplayText::statusLine(m_store);
}

QString ConnectionModel::lastError() const
{
    return m_store.lastError().value_or(QString());
}

bool ConnectionModel::needsReceiverSetup() const
{
    return m_store.needsReceiverSetup();
}

bool ConnectionModel::isScanning() const
{
    return m_store.isScanning();
}

QString ConnectionModel::discoveryMessage() const
{
    return m_store.discoveryMessage().value_or(QString());
}

QString ConnectionModel::selectedZone() const
{
    return rawValue(m_store.selectedZone());
}

void ConnectionModel::setSelectedZone(const QString &raw)
{
    if (const auto zone = zoneFromRawValue(raw)) {
        m_store.setSelectedZone(*zone);
    } else {
        qCWarning(lcConnection).noquote() << "Ignoring unknown zone" << raw;
    }
}

QString ConnectionModel::zoneName() const
{
    return shownName(m_store, m_store.selectedZone());
}

QString ConnectionModel::zoneTitle() const
{
    return DisplayText::zoneTitle(m_store);
}

QColor ConnectionModel::displayTint() const
{
    return m_store.state().displayTint();
}

QStringList ConnectionModel::funcList() const
{
    return StoreReadings::funcList(m_store);
}

bool ConnectionModel::supportsSleep() const
{
    return m_store.supportsSleep();
}

int ConnectionModel::sleepMinutes() const
{
    const auto status = m_store.currentStatus();
    return status ? std::max(0, status->sleep.value_or(0)) : 0;
}

bool ConnectionModel::frontPanelVisible() const
{
    return m_store.frontPanelVisible();
}

void ConnectionModel::setFrontPanelVisible(bool visible)
{
    m_store.setFrontPanelVisible(visible);
}

bool ConnectionModel::signalStripVisible() const
{
    return m_store.signalStripVisible();
}

void ConnectionModel::setSignalStripVisible(bool visible)
{
    m_store.setSignalStripVisible(visible);
}

void ConnectionModel::togglePower()
{
    m_store.togglePower();
}

void ConnectionModel::cycleSleep()
{
    m_store.cycleSleep();
}

void ConnectionModel::refreshSignal()
{
    m_store.refreshSignal();
}

void ConnectionModel::signalVisibilityChanged()
{
    m_store.signalVisibilityChanged();
}

} // namespace amplora
