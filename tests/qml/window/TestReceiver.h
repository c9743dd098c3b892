#pragma once

#include "../PreviewRig.h"

#include <QObject>
#include <QStringList>

namespace amplora {

// One store over the preview receiver for one QML test file, and the handles a test needs to put the receiver in
// a given state. Changes take effect with refresh(), which connects again and waits for it (the preview receiver
// answers at once).
class TestReceiver : public QObject {
    Q_OBJECT

public:
    TestReceiver(QObject *parent = nullptr);

    AppSettings &settings() const { return *m_rig.settings; }
    ViewModels &models() const { return *m_rig.models; }

    Q_INVOKABLE void refresh() { m_rig.refresh(); }
    Q_INVOKABLE void setPower(const QString &zone, bool on);
    Q_INVOKABLE void setMute(bool on);
    Q_INVOKABLE void setInput(const QString &id);
    Q_INVOKABLE void setPlayback(const QString &playback, const QString &artist, const QString &track);
    Q_INVOKABLE void setTimes(int played, int total);
    Q_INVOKABLE void setFunctions(const QStringList &functions);
    Q_INVOKABLE void setVolumeUnknown();
    // See PreviewRig::announceExtras.
    Q_INVOKABLE void announceExtras(bool announced) { m_rig.announceExtras(announced); }
    Q_INVOKABLE void setSleep(int minutes);
    // The main zone's bass as the receiver reports it (raw half-decibel steps) and the tone range it announces
    // in the same steps; no range announced when `step` is 0.
    Q_INVOKABLE void setTone(int bass, double min, double max, double step);
    Q_INVOKABLE QString lastSent() const;

private:
    test::PreviewRig m_rig;
    MockReceiver &m_receiver = *m_rig.receiver;
};

} // namespace amplora
