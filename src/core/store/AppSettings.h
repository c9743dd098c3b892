#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QSettings;

namespace amplora {

// The user's persisted settings: receiver address and identity, the front-panel display switch, the on-screen
// display of changes and the volume cap. Every assignment is written through to the settings file at once (even when
// unchanged); observers hear only of real changes. A stored value of the wrong type reads as the default.
class AppSettings : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool frontPanelDisplay READ frontPanelDisplay WRITE setFrontPanelDisplay NOTIFY frontPanelDisplayChanged)
    Q_PROPERTY(bool onScreenDisplay READ onScreenDisplay WRITE setOnScreenDisplay NOTIFY onScreenDisplayChanged)
    Q_PROPERTY(QString host READ host WRITE setHost NOTIFY hostChanged)
    Q_PROPERTY(QString deviceID READ deviceIDText NOTIFY deviceIDChanged)
    Q_PROPERTY(double maxVolumeDB READ maxVolumeDB WRITE setMaxVolumeDB NOTIFY maxVolumeDBChanged)

public:
    static constexpr double defaultMaxVolumeDB = -20.0;

    // Takes ownership of the settings store it reads and writes.
    explicit AppSettings(std::unique_ptr<QSettings> defaults, QObject *parent = nullptr);
    ~AppSettings() override;

    // The per-user settings file: ~/.config/Amplora/Amplora.conf, or AmploraMock.conf in mock mode so that a
    // mock run never touches the real receiver address or cap.
    static std::unique_ptr<QSettings> openStore(bool mock);
    // Writes `store`'s changes to its file now and makes them outlast a power cut: QSettings replaces the
    // file by a rename, which lasts only once the folder is synced too. A failure is logged.
    static void saveToDisk(QSettings &store);

    bool frontPanelDisplay() const { return m_frontPanelDisplay; }
    void setFrontPanelDisplay(bool on);

    // Whether a change of volume, mute, input or sound program is shown on screen while the window is in the
    // background.
    bool onScreenDisplay() const { return m_onScreenDisplay; }
    void setOnScreenDisplay(bool on);

    QString host() const { return m_host; }
    void setHost(const QString &host);

    std::optional<QString> deviceID() const { return m_deviceID; }
    QString deviceIDText() const { return m_deviceID.value_or(QString()); }
    void setDeviceID(const std::optional<QString> &deviceID);

    double maxVolumeDB() const { return m_maxVolumeDB; }
    void setMaxVolumeDB(double dB);

    QSettings &defaults() const { return *m_defaults; }

Q_SIGNALS:
    void frontPanelDisplayChanged();
    void onScreenDisplayChanged();
    void hostChanged();
    void deviceIDChanged();
    void maxVolumeDBChanged();

private:
    void write(const QString &key, const QVariant &value);

    std::unique_ptr<QSettings> m_defaults;
    bool m_frontPanelDisplay = false;
    bool m_onScreenDisplay = true;
    QString m_host;
    std::optional<QString> m_deviceID;
    double m_maxVolumeDB = defaultMaxVolumeDB;
};

} // namespace amplora
