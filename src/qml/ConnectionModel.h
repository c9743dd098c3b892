#pragma once

#include "qml/ChoiceListModel.h"
#include "qml/PropertyWatch.h"

#include <QColor>
#include <QObject>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

class QJSEngine;
class QQmlEngine;

namespace amplora {

class ReceiverStore;

// The receiver as the window frames it: whether it answers, the selected zone and whether it is on, the status
// line, the zones to pick from, and the sleep timer and power of the zone.
class ConnectionModel : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Connection)
    QML_SINGLETON

    // "notConnected", "live" or "standby".
    Q_PROPERTY(QString displayState READ displayState NOTIFY displayStateChanged)
    Q_PROPERTY(bool connectionFailed READ connectionFailed NOTIFY connectionFailedChanged)
    Q_PROPERTY(bool zoneOn READ zoneOn NOTIFY zoneOnChanged)
    Q_PROPERTY(QString modelName READ modelName NOTIFY modelNameChanged)
    Q_PROPERTY(QString statusLine READ statusLine NOTIFY statusLineChanged)
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(bool needsReceiverSetup READ needsReceiverSetup NOTIFY needsReceiverSetupChanged)
    Q_PROPERTY(bool isScanning READ isScanning NOTIFY isScanningChanged)
    Q_PROPERTY(QString discoveryMessage READ discoveryMessage NOTIFY discoveryMessageChanged)
    Q_PROPERTY(QString selectedZone READ selectedZone WRITE setSelectedZone NOTIFY selectedZoneChanged)
    // The selected zone's name as the zone buttons show it.
    Q_PROPERTY(QString zoneName READ zoneName NOTIFY zoneNameChanged)
    // The zone's name and the receiver's model: "Living Room · RX-V481".
    Q_PROPERTY(QString zoneTitle READ zoneTitle NOTIFY zoneTitleChanged)
    Q_PROPERTY(QColor displayTint READ displayTint NOTIFY displayTintChanged)
    // The functions the selected zone announces ("tone_control", "signal_info", ...).
    Q_PROPERTY(QStringList funcList READ funcList NOTIFY funcListChanged)
    Q_PROPERTY(bool supportsSleep READ supportsSleep NOTIFY supportsSleepChanged)
    // Minutes left on the sleep timer; 0 when it is off.
    Q_PROPERTY(int sleepMinutes READ sleepMinutes NOTIFY sleepMinutesChanged)
    Q_PROPERTY(bool frontPanelVisible READ frontPanelVisible WRITE setFrontPanelVisible NOTIFY frontPanelVisibleChanged)
    Q_PROPERTY(
        bool signalStripVisible READ signalStripVisible WRITE setSignalStripVisible NOTIFY signalStripVisibleChanged)
    // Rows: key (the zone), name, current (selected).
    Q_PROPERTY(amplora::ChoiceListModel *zones READ zones CONSTANT)

public:
    explicit ConnectionModel(ReceiverStore &store, QObject *parent = nullptr);

    static ConnectionModel *create(QQmlEngine *engine, QJSEngine *);

    ReceiverStore &store() const { return m_store; }

    QString displayState() const;
    bool connectionFailed() const;
    bool zoneOn() const;
    QString modelName() const;
    QString statusLine() const;
    QString lastError() const;
    bool needsReceiverSetup() const;
    bool isScanning() const;
    QString discoveryMessage() const;
    QString selectedZone() const;
    void setSelectedZone(const QString &raw);
    QString zoneName() const;
    QString zoneTitle() const;
    QColor displayTint() const;
    QStringList funcList() const;
    bool supportsSleep() const;
    int sleepMinutes() const;
    bool frontPanelVisible() const;
    void setFrontPanelVisible(bool visible);
    bool signalStripVisible() const;
    void setSignalStripVisible(bool visible);
    ChoiceListModel *zones() { return &m_zones; }

    Q_INVOKABLE void togglePower();
    Q_INVOKABLE void cycleSleep();
    Q_INVOKABLE void refreshSignal();
    // A view that shows signal information appeared or went away.
    Q_INVOKABLE void signalVisibilityChanged();

Q_SIGNALS:
    void displayStateChanged();
    void connectionFailedChanged();
    void zoneOnChanged();
    void modelNameChanged();
    void statusLineChanged();
    void lastErrorChanged();
    void needsReceiverSetupChanged();
    void isScanningChanged();
    void discoveryMessageChanged();
    void selectedZoneChanged();
    void zoneNameChanged();
    void zoneTitleChanged();
    void displayTintChanged();
    void funcListChanged();
    void supportsSleepChanged();
    void sleepMinutesChanged();
    void frontPanelVisibleChanged();
    void signalStripVisibleChanged();

private:
    void updateZones();

    ReceiverStore &m_store;
    ChoiceListModel m_zones;
    PropertyWatch m_watch { *this };
};

} // namespace amplora
