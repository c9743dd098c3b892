#pragma once

#include "../app/ControllerRig.h"
#include "PreviewRig.h"

#include <QObject>
#include <QStringList>

#include <memory>

namespace amplora::app {
class APISettings;
} // namespace amplora::app

namespace amplora::test {

// One store over the preview receiver for one QML test file, the handles a test needs to put the receiver in a
// given state, and the API settings (as `api`) over an API controller whose control contract, token store and
// scene store are in-memory fakes. Changes to the receiver take effect with refresh(), which connects again and
// waits for it (the preview receiver answers at once).
class TestReceiver : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject *api READ api CONSTANT)

public:
    explicit TestReceiver(QObject *parent = nullptr);
    ~TestReceiver() override;

    AppSettings &settings() const { return *m_rig->settings; }
    ReceiverStore &store() const { return *m_rig->store; }
    ViewModels &models() const { return *m_rig->models; }
    QObject *api() const;

    Q_INVOKABLE void refresh() { m_rig->refresh(); }
    Q_INVOKABLE void setPower(const QString &zone, bool on);
    Q_INVOKABLE void setMute(bool on);
    Q_INVOKABLE void setInput(const QString &id);
    Q_INVOKABLE void setPlayback(const QString &playback, const QString &artist, const QString &track);
    Q_INVOKABLE void setTimes(int played, int total);
    Q_INVOKABLE void setFunctions(const QStringList &functions);
    Q_INVOKABLE void setVolumeUnknown();
    Q_INVOKABLE void setVolume(double dB);
    // Moves the store's clock, so pending edits and send windows of earlier cases run out.
    Q_INVOKABLE void advance(int milliseconds) { m_rig->clock.advance(std::chrono::milliseconds(milliseconds)); }
    // See PreviewRig::announceExtras.
    Q_INVOKABLE void announceExtras(bool announced) { m_rig->announceExtras(announced); }
    Q_INVOKABLE void setSleep(int minutes);
    // The main zone's bass as the receiver reports it (raw half-decibel steps) and the tone range it announces
    // in the same steps; no range announced when `step` is 0.
    Q_INVOKABLE void setTone(int bass, double min, double max, double step);
    Q_INVOKABLE QString lastSent() const { return m_rig->lastSent(); }
    // The query of the last command ("input=hdmi1"), and how many the receiver has taken, so a test can tell
    // that nothing was sent.
    Q_INVOKABLE QString lastSentQuery() const;
    Q_INVOKABLE int sentCount() const { return static_cast<int>(m_receiver.performed().size()); }
    // The main zone's inputs, in the receiver's order.
    Q_INVOKABLE void setInputs(const QStringList &inputs) { m_receiver.features().zone[0].inputList = inputs; }
    // Only the main zone, or main and zone 2.
    Q_INVOKABLE void setZoneCount(int count);
    // The main zone's volume scale.
    Q_INVOKABLE void setVolumeScale(double minimum, double maximum, double step);

    // The fakes behind `api`.
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
    MockReceiver &m_receiver;
    std::unique_ptr<app::APIController> m_controller;
    std::unique_ptr<app::APISettings> m_api;
};

} // namespace amplora::test
