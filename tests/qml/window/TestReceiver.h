#pragma once

#include "support/ManualClock.h"

#include <QObject>
#include <QStringList>

#include <memory>

namespace amplora {

class AppSettings;
class MockReceiver;
class PanelModel;
class ReceiverStore;

// One store over the preview receiver for one QML test file, and the handles a test needs to put the receiver in
// a given state. Changes take effect with refresh(), which connects again and waits for it (the preview receiver
// answers at once).
class TestReceiver : public QObject {
    Q_OBJECT

public:
    TestReceiver(QObject *parent = nullptr);
    ~TestReceiver() override;

    ReceiverStore &store() const { return *m_store; }
    AppSettings &settings() const { return *m_settings; }
    PanelModel &panel() const { return *m_panel; }

    Q_INVOKABLE void refresh();
    Q_INVOKABLE void setPower(const QString &zone, bool on);
    Q_INVOKABLE void setMute(bool on);
    Q_INVOKABLE void setInput(const QString &id);
    Q_INVOKABLE void setPlayback(const QString &playback, const QString &artist, const QString &track);
    Q_INVOKABLE void setTimes(int played, int total);
    Q_INVOKABLE void setFunctions(const QStringList &functions);
    Q_INVOKABLE void setVolumeUnknown();
    Q_INVOKABLE QString lastSent() const;

private:
    test::ManualClock m_clock;
    std::unique_ptr<AppSettings> m_settings;
    std::shared_ptr<MockReceiver> m_receiver;
    std::unique_ptr<ReceiverStore> m_store;
    std::unique_ptr<PanelModel> m_panel;
};

} // namespace amplora
