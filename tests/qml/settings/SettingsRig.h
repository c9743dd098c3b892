#pragma once

#include "../../app/ControllerRig.h"
#include "../PreviewRig.h"

#include <QObject>

#include <memory>

namespace amplora::app {
class APISettings;
} // namespace amplora::app

namespace amplora::test {

// What the settings window's and the tray panel's tests run against: a store over the preview receiver, and an
// API controller whose control contract, token store and scene store are in-memory fakes.
class SettingsRig : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject *api READ api CONSTANT)

public:
    explicit SettingsRig(QObject *parent = nullptr);
    ~SettingsRig() override;

    AppSettings &settings() const { return *m_rig->settings; }
    ViewModels &models() const { return *m_rig->models; }
    QObject *api() const;

    // Connects again so the store reads the preview receiver's (changed) state.
    Q_INVOKABLE void refresh() { m_rig->refresh(); }
    // Only the main zone, or main and zone 2.
    Q_INVOKABLE void setZoneCount(int count);
    // The preview receiver's volume scale for the main zone.
    Q_INVOKABLE void setVolumeScale(double minimum, double maximum, double step);
    // See PreviewRig::announceExtras.
    Q_INVOKABLE void announceExtras(bool announced) { m_rig->announceExtras(announced); }
    Q_INVOKABLE QString lastSent() const { return m_rig->lastSent(); }
    // Makes every scene store operation fail with `message` (empty: work again).
    Q_INVOKABLE void failScenes(const QString &message);
    // Sets the status the save sheet reads: bass/treble/subwoofer of NaN are left out.
    Q_INVOKABLE void setControlStatus(double volumeDb, double bass, double treble, double subwoofer);
    // -1 leaves the field out of the main zone's status, as for a receiver without it.
    Q_INVOKABLE void setControlExtras(int direct, int sleep);
    Q_INVOKABLE int storedSceneCount() const;
    Q_INVOKABLE QVariantMap storedScene(int index) const;

private:
    ControllerRig m_fakes;
    std::unique_ptr<PreviewRig> m_rig;
    std::unique_ptr<app::APIController> m_controller;
    std::unique_ptr<app::APISettings> m_api;
};

} // namespace amplora::test
