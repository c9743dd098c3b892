#pragma once

#include "app/diagnostics/DiagnosticsBundle.h"
#include "app/diagnostics/RecentLines.h"

#include "qml/SettingsInterfaces.h"

#include <QPointer>

#include <functional>
#include <memory>

namespace amplora {
class AppSettings;
class ReceiverStore;
} // namespace amplora

namespace amplora::api {
class ReceiverControl;
} // namespace amplora::api

namespace amplora::app {

// The diagnostics bundle of the running application: what the command line gathers, plus the last 200 push
// events with their times, the health of the link, and the last 500 log lines of this run. Lives on the main
// thread beside the store, whose datagrams it keeps from its construction on. Also the settings window's button.
class RunningDiagnostics : public DiagnosticsInterface {
    Q_OBJECT

public:
    struct Parts {
        ReceiverStore *store = nullptr;
        std::shared_ptr<api::ReceiverControl> control;
        // The local API's token, hidden wherever it appears; empty while there is none.
        std::function<QString()> token;
    };

    explicit RunningDiagnostics(Parts parts, QObject *parent = nullptr);

    // Writes the bundle to `output`, or to the default folder when it is empty.
    QCoro::Task<Result<diagnostics::WrittenBundle, diagnostics::DiagnosticsError>> write(QString output);

    bool saving() const override { return m_saving; }
    QString message() const override { return m_message; }
    void save() override;

private:
    QCoro::Task<> saveToDownloads();

    bool m_saving = false;
    QString m_message;
    Parts m_parts;
    diagnostics::RecentLines m_events { 200 };
};

} // namespace amplora::app
