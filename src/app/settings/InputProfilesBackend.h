#pragma once

#include "api/scenes/InputProfile.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include <memory>

namespace amplora {
class InputProfilesModel;
class ReceiverStore;
} // namespace amplora

namespace amplora::api {
class InputProfileService;
class ReceiverControl;
} // namespace amplora::api

namespace amplora::app {

// The windows' input profiles (InputProfilesModel) over the profile service every door shares, for the zone the
// window has selected: the list read again when the zone or the connection changes and after every change made
// here, "remember" saving what the zone has now for its current input.
class InputProfilesBackend : public QObject {
    Q_OBJECT

public:
    InputProfilesBackend(ReceiverStore &store, std::shared_ptr<api::ReceiverControl> control,
        std::shared_ptr<api::InputProfileService> profiles, InputProfilesModel &model, QObject *parent = nullptr);
    ~InputProfilesBackend() override;

    static QVariantMap profileMap(const api::InputProfile &profile);

private:
    void refresh();
    void rememberCurrent();
    void remove(const QString &input);

    ReceiverStore &m_store;
    const std::shared_ptr<api::ReceiverControl> m_control;
    const std::shared_ptr<api::InputProfileService> m_profiles;
    QPointer<InputProfilesModel> m_model;
};

} // namespace amplora::app
