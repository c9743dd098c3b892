#pragma once

#include "api/scenes/ReceiverScene.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

namespace amplora {
class ReceiverStore;
} // namespace amplora

namespace amplora::app {

class APIController;

// What the settings window and the tray panel need of the API controller beyond its plain properties (which QML
// reads from `controller` directly): the scenes as plain maps, the server state's kind for its symbol, and the
// controller's asynchronous operations started from QML. Scenes travel as maps whose unset fields are absent:
// "name", "zone" ("main"/"zone2"), "power" ("on"/"standby"), "input", "soundMode", "volumeDb", "bass",
// "treble", "sub".
class APISettings : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject *controller READ controllerObject CONSTANT)
    Q_PROPERTY(QString stateKind READ stateKind NOTIFY stateChanged)
    Q_PROPERTY(QVariantList scenes READ scenes NOTIFY scenesChanged)

public:
    APISettings(APIController &controller, ReceiverStore &store, QObject *parent = nullptr);

    QObject *controllerObject() const;
    // "off", "starting", "running" or "failed".
    QString stateKind() const;
    QVariantList scenes() const;

    static QVariantMap sceneMap(const api::ReceiverScene &scene);
    // None when the map has no usable name or a field of the wrong kind.
    static std::optional<api::ReceiverScene> sceneFromMap(const QVariantMap &map);

    // Starts the server when the API is enabled (what the launch does).
    Q_INVOKABLE void applySettings();
    Q_INVOKABLE void loadToken();
    Q_INVOKABLE void regenerateToken();
    Q_INVOKABLE void refreshScenes();
    Q_INVOKABLE void runScene(const QString &name);
    Q_INVOKABLE void deleteScene(const QString &name);
    // Puts the token on the clipboard as plain text; false when there is none to copy.
    Q_INVOKABLE bool copyToken();
    // Reads the selected zone's status through the control contract; answers with currentStatusRead.
    Q_INVOKABLE void readCurrentStatus();
    // Saves a scene map; answers with sceneSaveFinished.
    Q_INVOKABLE void saveScene(const QVariantMap &scene);

Q_SIGNALS:
    void stateChanged();
    void scenesChanged();
    // `status` holds "zone", "power", "volumeDb", "mute", "input" and, when known, "soundMode", "bass", "treble",
    // "subwoofer"; it is empty when the status could not be read, and `error` says why.
    void currentStatusRead(const QVariantMap &status, const QString &error);
    void sceneSaveFinished(bool saved, const QString &error);

private:
    QPointer<APIController> m_controller;
    QPointer<ReceiverStore> m_store;
};

} // namespace amplora::app
