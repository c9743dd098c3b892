#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

namespace amplora {

// What the settings window and the tray panel need of the local API beyond the controller's plain properties
// (which QML reads from `controller` directly). The application implements it (app::APISettings); the window's
// module sees only this face, so it does not depend on the application layer. Scenes travel as maps whose unset
// fields are absent: "name", "zone" ("main"/"zone2"), "power" ("on"/"standby"), "input", "soundMode", "volumeDb",
// "rampSeconds", "bass", "treble", "sub".
class APISettingsInterface : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(APISettings)
    QML_UNCREATABLE("The application hands its API settings to the windows.")
    Q_PROPERTY(QObject *controller READ controllerObject CONSTANT)
    Q_PROPERTY(QString stateKind READ stateKind NOTIFY stateChanged)
    Q_PROPERTY(QVariantList scenes READ scenes NOTIFY scenesChanged)

public:
    using QObject::QObject;

    virtual QObject *controllerObject() const = 0;
    // "off", "starting", "running" or "failed".
    virtual QString stateKind() const = 0;
    virtual QVariantList scenes() const = 0;

    // Starts the server when the API is enabled (what the launch does).
    Q_INVOKABLE virtual void applySettings() = 0;
    Q_INVOKABLE virtual void loadToken() = 0;
    Q_INVOKABLE virtual void regenerateToken() = 0;
    Q_INVOKABLE virtual void refreshScenes() = 0;
    Q_INVOKABLE virtual void runScene(const QString &name) = 0;
    Q_INVOKABLE virtual void deleteScene(const QString &name) = 0;
    // Puts the token on the clipboard as plain text; false when there is none to copy.
    Q_INVOKABLE virtual bool copyToken() = 0;
    // Reads the selected zone's status through the control contract; answers with currentStatusRead.
    Q_INVOKABLE virtual void readCurrentStatus() = 0;
    // Saves a scene map; answers with sceneSaveFinished.
    Q_INVOKABLE virtual void saveScene(const QVariantMap &scene) = 0;

Q_SIGNALS:
    void stateChanged();
    void scenesChanged();
    // `status` holds "zone", "power", "volumeDb", "mute", "input" and, when known, "soundMode", "bass", "treble",
    // "subwoofer"; it is empty when the status could not be read, and `error` says why.
    void currentStatusRead(const QVariantMap &status, const QString &error);
    void sceneSaveFinished(bool saved, const QString &error);
};

// The "Open at login" switch as the settings window sees it; the application implements it (app::LoginItem).
class LoginItemInterface : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(LoginItem)
    QML_UNCREATABLE("The application hands its login item to the settings window.")
    Q_PROPERTY(bool enabled READ enabled NOTIFY changed)
    Q_PROPERTY(QString message READ message NOTIFY changed)

public:
    using QObject::QObject;

    virtual bool enabled() const = 0;
    virtual QString message() const = 0;

    // The switch: registers or unregisters, shows a failure as the message, then re-reads the real state.
    Q_INVOKABLE virtual void setOn(bool on) = 0;
    Q_INVOKABLE virtual void reload() = 0;

Q_SIGNALS:
    void changed();
};

// The "Save diagnostics" button as the settings window sees it; the application implements it
// (app::RunningDiagnostics). Saving runs in the background; the message then says where the bundle went and what
// was redacted, or why it could not be written.
class DiagnosticsInterface : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Diagnostics)
    QML_UNCREATABLE("The application hands its diagnostics to the settings window.")
    Q_PROPERTY(bool saving READ saving NOTIFY changed)
    Q_PROPERTY(QString message READ message NOTIFY changed)

public:
    using QObject::QObject;

    virtual bool saving() const = 0;
    virtual QString message() const = 0;

    // Writes the bundle into the download folder; does nothing while one is being written.
    Q_INVOKABLE virtual void save() = 0;

Q_SIGNALS:
    void changed();
};

} // namespace amplora
