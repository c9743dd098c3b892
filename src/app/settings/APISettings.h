#pragma once

#include "api/scenes/ReceiverScene.h"
#include "qml/SettingsInterfaces.h"

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

// The API settings the windows see (APISettingsInterface) over the application's controller and store.
class APISettings final : public APISettingsInterface {
    Q_OBJECT

public:
    APISettings(APIController &controller, ReceiverStore &store, QObject *parent = nullptr);

    QObject *controllerObject() const override;
    QString stateKind() const override;
    QVariantList scenes() const override;

    static QVariantMap sceneMap(const api::ReceiverScene &scene);
    // None when the map has no usable name or a field of the wrong kind.
    static std::optional<api::ReceiverScene> sceneFromMap(const QVariantMap &map);

    void applySettings() override;
    void loadToken() override;
    void regenerateToken() override;
    void refreshScenes() override;
    void runScene(const QString &name) override;
    void deleteScene(const QString &name) override;
    bool copyToken() override;
    void readCurrentStatus() override;
    void saveScene(const QVariantMap &scene) override;

private:
    QPointer<APIController> m_controller;
    QPointer<ReceiverStore> m_store;
};

} // namespace amplora::app
