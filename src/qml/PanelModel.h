#pragma once

#include <QColor>
#include <QMetaProperty>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <vector>

class QJSEngine;
class QQmlEngine;

namespace amplora {

class AppSettings;
class ReceiverStore;

// The one face the windows' QML sees of the receiver: the selected zone's status, features and names turned
// into plain values and lists, the store's state the windows show, and the controls. It keeps no receiver state
// of its own; every property is read from the store when asked. Each property has its own notify signal, sent
// only when its value really changed, so that a volume drag redraws the readout and not the whole panel.
class PanelModel : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Panel)
    QML_SINGLETON

    Q_PROPERTY(QString displayState READ displayState NOTIFY displayStateChanged)
    Q_PROPERTY(bool connectionFailed READ connectionFailed NOTIFY connectionFailedChanged)
    Q_PROPERTY(bool zoneOn READ zoneOn NOTIFY zoneOnChanged)
    Q_PROPERTY(bool muted READ muted NOTIFY mutedChanged)
    Q_PROPERTY(QString input READ input NOTIFY inputChanged)
    Q_PROPERTY(QString inputName READ inputName NOTIFY inputNameChanged)
    Q_PROPERTY(QString soundProgramName READ soundProgramName NOTIFY soundProgramNameChanged)
    Q_PROPERTY(QStringList funcList READ funcList NOTIFY funcListChanged)
    Q_PROPERTY(QString modelName READ modelName NOTIFY modelNameChanged)
    Q_PROPERTY(QVariantList zones READ zones NOTIFY zonesChanged)
    Q_PROPERTY(QVariantList favouriteInputs READ favouriteInputs NOTIFY favouriteInputsChanged)
    Q_PROPERTY(QVariantList inputs READ inputs NOTIFY inputsChanged)
    Q_PROPERTY(QVariantList favouritePrograms READ favouritePrograms NOTIFY favouriteProgramsChanged)
    Q_PROPERTY(QVariantList soundPrograms READ soundPrograms NOTIFY soundProgramsChanged)
    Q_PROPERTY(QVariantList indicators READ indicators NOTIFY indicatorsChanged)
    Q_PROPERTY(QVariantMap volumeRange READ volumeRange NOTIFY volumeRangeChanged)
    Q_PROPERTY(QVariantMap toneRange READ toneRange NOTIFY toneRangeChanged)
    Q_PROPERTY(QVariantMap subwooferRange READ subwooferRange NOTIFY subwooferRangeChanged)
    Q_PROPERTY(bool extraBass READ extraBass NOTIFY extraBassChanged)
    Q_PROPERTY(bool surroundAI READ surroundAI NOTIFY surroundAIChanged)
    Q_PROPERTY(bool networkSource READ networkSource NOTIFY networkSourceChanged)
    Q_PROPERTY(QString sourceSymbol READ sourceSymbol NOTIFY sourceSymbolChanged)
    Q_PROPERTY(QString spotifyDeviceName READ spotifyDeviceName NOTIFY spotifyDeviceNameChanged)
    Q_PROPERTY(bool supportsSleep READ supportsSleep NOTIFY supportsSleepChanged)
    // Minutes left on the sleep timer; 0 when it is off.
    Q_PROPERTY(int sleepMinutes READ sleepMinutes NOTIFY sleepMinutesChanged)
    Q_PROPERTY(bool supportsDirect READ supportsDirect NOTIFY supportsDirectChanged)
    Q_PROPERTY(bool direct READ direct NOTIFY directChanged)
    Q_PROPERTY(bool supportsEnhancer READ supportsEnhancer NOTIFY supportsEnhancerChanged)
    Q_PROPERTY(bool enhancer READ enhancer NOTIFY enhancerChanged)
    Q_PROPERTY(bool supportsDialogue READ supportsDialogue NOTIFY supportsDialogueChanged)
    Q_PROPERTY(QVariantMap dialogueRange READ dialogueRange NOTIFY dialogueRangeChanged)
    Q_PROPERTY(QVariant dialogueLevel READ dialogueLevel NOTIFY dialogueLevelChanged)
    // The repeat and shuffle modes of what is playing ("off", "one", "all"; "off", "on", "songs", "albums"),
    // empty when it offers none.
    Q_PROPERTY(bool supportsRepeat READ supportsRepeat NOTIFY supportsRepeatChanged)
    Q_PROPERTY(QString repeatMode READ repeatMode NOTIFY repeatModeChanged)
    Q_PROPERTY(bool supportsShuffle READ supportsShuffle NOTIFY supportsShuffleChanged)
    Q_PROPERTY(QString shuffleMode READ shuffleMode NOTIFY shuffleModeChanged)
    // [{ number, name }]: the receiver's favourites, and its own scene buttons.
    Q_PROPERTY(QVariantList favourites READ favourites NOTIFY favouritesChanged)
    Q_PROPERTY(QVariantList receiverScenes READ receiverScenes NOTIFY receiverScenesChanged)

    Q_PROPERTY(QVariant bass READ bass NOTIFY bassChanged)
    Q_PROPERTY(QVariant treble READ treble NOTIFY trebleChanged)
    Q_PROPERTY(QVariant subwoofer READ subwoofer NOTIFY subwooferChanged)

    Q_PROPERTY(QString track READ track NOTIFY trackChanged)
    Q_PROPERTY(QString artist READ artist NOTIFY artistChanged)
    Q_PROPERTY(bool hasTrackInfo READ hasTrackInfo NOTIFY hasTrackInfoChanged)
    Q_PROPERTY(bool playing READ playing NOTIFY playingChanged)
    Q_PROPERTY(QVariant totalTime READ totalTime NOTIFY totalTimeChanged)
    Q_PROPERTY(QString marqueeText READ marqueeText NOTIFY marqueeTextChanged)
    Q_PROPERTY(QString albumArtSource READ albumArtSource NOTIFY albumArtSourceChanged)

    Q_PROPERTY(QVariantMap signalStrip READ signalStrip NOTIFY signalStripChanged)
    Q_PROPERTY(QString signalSummary READ signalSummary NOTIFY signalSummaryChanged)
    Q_PROPERTY(QString signalDetail READ signalDetail NOTIFY signalDetailChanged)
    Q_PROPERTY(bool reduceMotion READ reduceMotion CONSTANT)

    Q_PROPERTY(QString selectedZone READ selectedZone WRITE setSelectedZone NOTIFY selectedZoneChanged)
    Q_PROPERTY(QString statusLine READ statusLine NOTIFY statusLineChanged)
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(bool needsReceiverSetup READ needsReceiverSetup NOTIFY needsReceiverSetupChanged)
    Q_PROPERTY(bool isScanning READ isScanning NOTIFY isScanningChanged)
    Q_PROPERTY(QString discoveryMessage READ discoveryMessage NOTIFY discoveryMessageChanged)
    Q_PROPERTY(QVariant displayedVolumeDB READ displayedVolumeDB NOTIFY displayedVolumeDBChanged)
    Q_PROPERTY(QColor displayTint READ displayTint NOTIFY displayTintChanged)
    Q_PROPERTY(bool supportsExtraBass READ supportsExtraBass NOTIFY supportsExtraBassChanged)
    Q_PROPERTY(bool supportsSurroundAI READ supportsSurroundAI NOTIFY supportsSurroundAIChanged)
    Q_PROPERTY(bool needsSpotifyPrompt READ needsSpotifyPrompt NOTIFY needsSpotifyPromptChanged)
    Q_PROPERTY(bool frontPanelVisible READ frontPanelVisible WRITE setFrontPanelVisible NOTIFY frontPanelVisibleChanged)
    Q_PROPERTY(
        bool signalStripVisible READ signalStripVisible WRITE setSignalStripVisible NOTIFY signalStripVisibleChanged)
    Q_PROPERTY(QString signalKey READ signalKey NOTIFY signalKeyChanged)
    // Seconds into the track now; its signal follows the play information, the ticking in between is the
    // reader's (a clock-driven value has no change to announce).
    Q_PROPERTY(QVariant elapsedPlayTime READ elapsedPlayTime NOTIFY elapsedPlayTimeChanged)

public:
    PanelModel(ReceiverStore &store, QObject *parent = nullptr);

    ~PanelModel() override;

    // The instance of the engine asking: the one its window host gave it (see MainWindowHost::prepare).
    static PanelModel *create(QQmlEngine *engine, QJSEngine *);

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
    bool supportsSleep() const;
    int sleepMinutes() const;
    bool supportsDirect() const;
    bool direct() const;
    bool supportsEnhancer() const;
    bool enhancer() const;
    bool supportsDialogue() const;
    QVariantMap dialogueRange() const;
    QVariant dialogueLevel() const;
    bool supportsRepeat() const;
    QString repeatMode() const;
    bool supportsShuffle() const;
    QString shuffleMode() const;
    QVariantList favourites() const;
    QVariantList receiverScenes() const;

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

    QString selectedZone() const;
    void setSelectedZone(const QString &raw);
    QString statusLine() const;
    QString lastError() const;
    bool needsReceiverSetup() const;
    bool isScanning() const;
    QString discoveryMessage() const;
    QVariant displayedVolumeDB() const;
    QColor displayTint() const;
    bool supportsExtraBass() const;
    bool supportsSurroundAI() const;
    bool needsSpotifyPrompt() const;
    bool frontPanelVisible() const;
    void setFrontPanelVisible(bool visible);
    bool signalStripVisible() const;
    void setSignalStripVisible(bool visible);
    QString signalKey() const;
    QVariant elapsedPlayTime() const;

    // The theme icon for a symbol name ("power", "checkmark", a favourite's symbol).
    Q_INVOKABLE QString symbol(const QString &name) const;
    Q_INVOKABLE void togglePower();
    Q_INVOKABLE void toggleMute();
    Q_INVOKABLE void setVolume(double dB);
    Q_INVOKABLE void setBass(double value);
    Q_INVOKABLE void setTreble(double value);
    Q_INVOKABLE void setSubwoofer(double value);
    Q_INVOKABLE void toggleExtraBass();
    Q_INVOKABLE void setSurroundAI(bool on);
    Q_INVOKABLE void selectInput(const QString &id);
    Q_INVOKABLE void setSoundProgram(const QString &id);
    Q_INVOKABLE void togglePlayback();
    Q_INVOKABLE void cycleSleep();
    Q_INVOKABLE void toggleDirect();
    Q_INVOKABLE void toggleEnhancer();
    Q_INVOKABLE void setDialogueLevel(double value);
    Q_INVOKABLE void cycleRepeat();
    Q_INVOKABLE void cycleShuffle();
    Q_INVOKABLE void recallFavourite(int number);
    Q_INVOKABLE void recallReceiverScene(int number);
    Q_INVOKABLE void refreshSignal();
    // A view that shows signal information appeared or went away.
    Q_INVOKABLE void signalVisibilityChanged();
    Q_INVOKABLE void previousTrack();
    Q_INVOKABLE void nextTrack();
    Q_INVOKABLE void openSpotify();
    // The window's way to the settings window, which the application owns.
    Q_INVOKABLE void requestSettings() { Q_EMIT settingsRequested(); }

Q_SIGNALS:
    void settingsRequested();
    void displayStateChanged();
    void connectionFailedChanged();
    void zoneOnChanged();
    void mutedChanged();
    void inputChanged();
    void inputNameChanged();
    void soundProgramNameChanged();
    void funcListChanged();
    void modelNameChanged();
    void zonesChanged();
    void favouriteInputsChanged();
    void inputsChanged();
    void favouriteProgramsChanged();
    void soundProgramsChanged();
    void indicatorsChanged();
    void volumeRangeChanged();
    void toneRangeChanged();
    void subwooferRangeChanged();
    void extraBassChanged();
    void surroundAIChanged();
    void networkSourceChanged();
    void sourceSymbolChanged();
    void spotifyDeviceNameChanged();
    void supportsSleepChanged();
    void sleepMinutesChanged();
    void supportsDirectChanged();
    void directChanged();
    void supportsEnhancerChanged();
    void enhancerChanged();
    void supportsDialogueChanged();
    void dialogueRangeChanged();
    void dialogueLevelChanged();
    void supportsRepeatChanged();
    void repeatModeChanged();
    void supportsShuffleChanged();
    void shuffleModeChanged();
    void favouritesChanged();
    void receiverScenesChanged();
    void bassChanged();
    void trebleChanged();
    void subwooferChanged();
    void trackChanged();
    void artistChanged();
    void hasTrackInfoChanged();
    void playingChanged();
    void totalTimeChanged();
    void marqueeTextChanged();
    void albumArtSourceChanged();
    void signalStripChanged();
    void signalSummaryChanged();
    void signalDetailChanged();
    void selectedZoneChanged();
    void statusLineChanged();
    void lastErrorChanged();
    void needsReceiverSetupChanged();
    void isScanningChanged();
    void discoveryMessageChanged();
    void displayedVolumeDBChanged();
    void displayTintChanged();
    void supportsExtraBassChanged();
    void supportsSurroundAIChanged();
    void needsSpotifyPromptChanged();
    void frontPanelVisibleChanged();
    void signalStripVisibleChanged();
    void signalKeyChanged();
    void elapsedPlayTimeChanged();

private:
    // Reads every watched property again and sends the notify signal of each one whose value changed.
    Q_SLOT void notifyChanges();
    QVariantMap rangeOf(const QString &id, double fallbackMin, double fallbackMax, double fallbackStep) const;

    ReceiverStore &m_store;
    quint64 m_artGeneration = 0;
    bool m_reduceMotion = false;
    // The properties whose notify signals notifyChanges() sends, with the value last announced.
    struct Watched {
        QMetaProperty property;
        QVariant value;
    };
    std::vector<Watched> m_watched;
};

} // namespace amplora
