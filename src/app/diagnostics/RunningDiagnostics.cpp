#include "app/diagnostics/RunningDiagnostics.h"

#include "api/control/ReceiverControl.h"
#include "api/http/JSONEncoder.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"

#include <QSettings>

namespace amplora::app {

namespace {

using diagnostics::BundleItem;

QCoro::Task<Result<diagnostics::WrittenBundle, diagnostics::DiagnosticsError>> writeWithHealth(
    diagnostics::BundleRequest request, std::shared_ptr<api::ReceiverControl> control)
{
    const QString file = QStringLiteral("health.json");
    if (!control) {
        request.appItems.append(BundleItem::absent(file, QStringLiteral("There is no receiver control in this run.")));
    } else {
        const auto health = co_await control->health();
        const auto encoded = health ? api::JSONEncoder::encode(health->toJSON()) : std::nullopt;
        if (!health) {
            request.appItems.append(BundleItem::absent(file, health.error().description()));
        } else if (!encoded) {
            request.appItems.append(
                BundleItem::absent(file, QStringLiteral("The health could not be written as JSON.")));
        } else {
            request.appItems.append(BundleItem::present(file, *encoded));
        }
    }
    auto written = co_await diagnostics::makeBundle(std::move(request));
    co_return written;
}

} // namespace

RunningDiagnostics::RunningDiagnostics(Parts parts, QObject *parent)
    : DiagnosticsInterface(parent)
    , m_parts(std::move(parts))
{
    if (m_parts.store != nullptr) {
        connect(m_parts.store, &ReceiverStore::datagramReceived, this,
            [this](const QByteArray &datagram) { m_events.add(QString::fromUtf8(datagram)); });
    }
}

QCoro::Task<Result<diagnostics::WrittenBundle, diagnostics::DiagnosticsError>> RunningDiagnostics::write(QString output)
{
    diagnostics::BundleRequest request;
    request.output = std::move(output);
    request.when = QDateTime::currentDateTime();
    if (m_parts.store != nullptr) {
        request.host = m_parts.store->settings().host();
        request.settingsPaths = { m_parts.store->settings().defaults().fileName() };
    }
    if (m_parts.token) {
        if (const QString token = m_parts.token(); !token.isEmpty()) {
            request.secrets.append(token);
        }
    }
    request.appItems = { BundleItem::present(QStringLiteral("events.txt"), m_events.text()),
        BundleItem::present(QStringLiteral("log.txt"), diagnostics::runLog().text()) };
    // Everything this object holds is read above: the rest runs on copies, whatever happens to it meanwhile.
    return writeWithHealth(std::move(request), m_parts.control);
}

void RunningDiagnostics::save()
{
    if (!m_saving) {
        saveToDownloads();
    }
}

QCoro::Task<> RunningDiagnostics::saveToDownloads()
{
    QPointer<RunningDiagnostics> self(this);
    m_saving = true;
    m_message.clear();
    Q_EMIT changed();
    auto writing = write(QString());
    const auto written = co_await writing;
    if (!self) {
        co_return; // the application is ending
    }
    m_saving = false;
    m_message = written ? tr("Saved to %1\nRedacted: %2").arg(written->path, written->redacted.text())
                        : written.error().description();
    Q_EMIT changed();
}

} // namespace amplora::app
