#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

class QJSEngine;
class QQmlEngine;

namespace amplora {

class AppSettings;
class ReceiverStore;

// The window's view of the store: the selected zone's status, features and names turned into plain values and
// lists that QML can bind to. It keeps no receiver state of its own; every property is read from the store when
// asked, and the store's change signals are forwarded in a few groups so that a volume drag redraws the readout,
// not the whole panel.
class PanelModel : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Panel)
    QML_SINGLETON

    Q_PROPERTY(QString displayState READ displayState NOTIFY zoneChanged)
    Q_PROPERTY(bool connectionFailed READ connectionFailed NOTIFY zoneChanged)
    Q_PROPERTY(bool zoneOn READ zoneOn NOTIFY zoneChanged)
    Q_PROPERTY(bool muted READ muted NOTIFY zoneChanged)
    Q_PROPERTY(QString input READ input NOTIFY zoneChanged)
    Q_PROPERTY(QString inputName READ inputName NOTIFY zoneChanged)
    Q_PROPERTY(QString soundProgramName READ soundProgramName NOTIFY zoneChanged)
    Q_PROPERTY(QStringList funcList READ funcList NOTIFY zoneChanged)
    Q_PROPERTY(QString modelName READ modelName NOTIFY zoneChanged)
    Q_PROPERTY(QVariantList zones READ zones NOTIFY zoneChanged)
    Q_PROPERTY(QVariantList favouriteInputs READ favouriteInputs NOTIFY zoneChanged)
    Q_PROPERTY(QVariantList inputs READ inputs NOTIFY zoneChanged)
    Q_PROPERTY(QVariantList favouritePrograms READ favouritePrograms NOTIFY zoneChanged)
    Q_PROPERTY(QVariantList soundPrograms READ soundPrograms NOTIFY zoneChanged)
    Q_PROPERTY(QVariantList indicators READ indicators NOTIFY zoneChanged)
    Q_PROPERTY(QVariantMap volumeRange READ volumeRange NOTIFY zoneChanged)
    Q_PROPERTY(QVariantMap toneRange READ toneRange NOTIFY zoneChanged)
    Q_PROPERTY(QVariantMap subwooferRange READ subwooferRange NOTIFY zoneChanged)
    Q_PROPERTY(bool extraBass READ extraBass NOTIFY zoneChanged)
    Q_PROPERTY(bool surroundAI READ surroundAI NOTIFY zoneChanged)
    Q_PROPERTY(bool networkSource READ networkSource NOTIFY zoneChanged)
    Q_PROPERTY(QString sourceSymbol READ sourceSymbol NOTIFY zoneChanged)
    Q_PROPERTY(QString spotifyDeviceName READ spotifyDeviceName NOTIFY zoneChanged)

    Q_PROPERTY(QVariant bass READ bass NOTIFY levelsChanged)
    Q_PROPERTY(QVariant treble READ treble NOTIFY levelsChanged)
    Q_PROPERTY(QVariant subwoofer READ subwoofer NOTIFY levelsChanged)

    Q_PROPERTY(QString track READ track NOTIFY playChanged)
    Q_PROPERTY(QString artist READ artist NOTIFY playChanged)
    Q_PROPERTY(bool hasTrackInfo READ hasTrackInfo NOTIFY playChanged)
    Q_PROPERTY(bool playing READ playing NOTIFY playChanged)
    Q_PROPERTY(QVariant totalTime READ totalTime NOTIFY playChanged)
    Q_PROPERTY(QString marqueeText READ marqueeText NOTIFY playChanged)
    Q_PROPERTY(QString albumArtSource READ albumArtSource NOTIFY playChanged)

    Q_PROPERTY(QVariantMap signalStrip READ signalStrip NOTIFY signalChanged)
    Q_PROPERTY(QString signalSummary READ signalSummary NOTIFY signalChanged)
    Q_PROPERTY(QString signalDetail READ signalDetail NOTIFY signalChanged)
    Q_PROPERTY(bool reduceMotion READ reduceMotion CONSTANT)

public:
    PanelModel(ReceiverStore &store, QObject *parent = nullptr);

    // The instance QML sees; set by the window host before the engine loads anything.
    static void setInstance(PanelModel *model);
    static PanelModel *create(QQmlEngine *, QJSEngine *);

    ReceiverStore &store() const { return m_store; }

    QString displayState() const;
    bool connectionFailed() const;
    bool zoneOn() const;
    bool muted() const;
    QString input() const;
    QString inputName() const;
    QString soundProgramName() const;
    QStringList funcList() const;
    QString modelName() const;
    QVariantList zones() const;
    QVariantList favouriteInputs() const;
    QVariantList inputs() const;
    QVariantList favouritePrograms() const;
    QVariantList soundPrograms() const;
    QVariantList indicators() const;
    QVariantMap volumeRange() const;
    QVariantMap toneRange() const;
    QVariantMap subwooferRange() const;
    bool extraBass() const;
    bool surroundAI() const;
    bool networkSource() const;
    QString sourceSymbol() const;
    QString spotifyDeviceName() const;

    QVariant bass() const;
    QVariant treble() const;
    QVariant subwoofer() const;

    QString track() const;
    QString artist() const;
    bool hasTrackInfo() const;
    bool playing() const;
    QVariant totalTime() const;
    QString marqueeText() const;
    QString albumArtSource() const;

    QVariantMap signalStrip() const;
    QString signalSummary() const;
    QString signalDetail() const;
    // The desktop's "no animations" choice (GTK's gtk-enable-animations, or AMPLORA_REDUCE_MOTION=1), read once.
    bool reduceMotion() const { return m_reduceMotion; }

    // The theme icon for a symbol name ("power", "checkmark", a favourite's symbol).
    Q_INVOKABLE QString symbol(const QString &name) const;
    Q_INVOKABLE void previousTrack();
    Q_INVOKABLE void nextTrack();
    Q_INVOKABLE void openSpotify();
    // The window's way to the settings window, which the application owns.
    Q_INVOKABLE void requestSettings() { Q_EMIT settingsRequested(); }

Q_SIGNALS:
    void settingsRequested();
    void zoneChanged();
    void levelsChanged();
    void playChanged();
    void signalChanged();

private:
    QVariantMap rangeOf(const QString &id, double fallbackMin, double fallbackMax, double fallbackStep) const;

    ReceiverStore &m_store;
    quint64 m_artGeneration = 0;
    bool m_reduceMotion = false;
};

} // namespace amplora
