#pragma once

#include "qml/PropertyWatch.h"

#include <QObject>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

class QJSEngine;
class QQmlEngine;

namespace amplora {

class ReceiverStore;

// The selected zone's volume: the level shown (the one being dragged to while a drag lasts), the zone's scale,
// the user's cap and mute.
class VolumeModel : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Volume)
    QML_SINGLETON

    // In dB; undefined while unknown.
    Q_PROPERTY(QVariant volumeDB READ volumeDB NOTIFY volumeDBChanged)
    // The zone's scale in dB, the common one while the zone has not told its own (scaleKnown false).
    Q_PROPERTY(double minDB READ minDB NOTIFY scaleChanged)
    Q_PROPERTY(double maxDB READ maxDB NOTIFY scaleChanged)
    Q_PROPERTY(double stepDB READ stepDB NOTIFY scaleChanged)
    Q_PROPERTY(bool scaleKnown READ scaleKnown NOTIFY scaleChanged)
    // The loudest the user allows, in dB.
    Q_PROPERTY(double capDB READ capDB NOTIFY capDBChanged)
    Q_PROPERTY(bool muted READ muted NOTIFY mutedChanged)

public:
    explicit VolumeModel(ReceiverStore &store, QObject *parent = nullptr);

    static VolumeModel *create(QQmlEngine *engine, QJSEngine *);

    QVariant volumeDB() const;
    double minDB() const;
    double maxDB() const;
    double stepDB() const;
    bool scaleKnown() const;
    double capDB() const;
    bool muted() const;

    Q_INVOKABLE void setVolume(double dB);
    // Moves the shown level one step of the zone's scale, as a knob turned by one step; nothing is sent while the
    // level is unknown, or when the cap or the end of the scale leaves no room that way.
    Q_INVOKABLE void stepVolume(bool up);
    Q_INVOKABLE void toggleMute();

Q_SIGNALS:
    void volumeDBChanged();
    void scaleChanged();
    void capDBChanged();
    void mutedChanged();

private:
    ReceiverStore &m_store;
    PropertyWatch m_watch { *this };
};

} // namespace amplora
