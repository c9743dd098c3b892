#include "core/discovery/ReceiverDiscovery.h"

#include "core/Logging.h"
#include "core/discovery/DeviceDescription.h"
#include "core/discovery/NextSignal.h"
#include "core/protocol/SharedNetworkAccess.h"
#include "core/protocol/YXCClient.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

namespace amplora {

// The state one discover() call shares with its per-device tasks, which may outlive the discovery object.
class DiscoveryRun : public QObject {
    Q_OBJECT

public:
    bool cancelled = false;
    int pending = 0;
    QList<DiscoveredReceiver> found;
    QList<QPointer<QNetworkReply>> replies;

    void cancel()
    {
        if (cancelled) {
            return;
        }
        cancelled = true;
        // abort(), never delete: the awaiting task resumes and finishes.
        const auto inFlight = replies;
        for (const auto &reply : inFlight) {
            if (reply) {
                reply->abort();
            }
        }
        Q_EMIT changed();
    }

    void arrived(std::optional<DiscoveredReceiver> receiver)
    {
        --pending;
        if (receiver && !cancelled) {
            const bool known = std::any_of(
                found.cbegin(), found.cend(), [&](const auto &other) { return other.deviceID == receiver->deviceID; });
            if (known) {
                qCDebug(lcDiscovery) << "Receiver" << receiver->deviceID << "answered under another location too";
            } else {
                found << *receiver;
            }
        }
        Q_EMIT changed();
    }

Q_SIGNALS:
    void changed();
};

namespace {

QCoro::Task<std::optional<QByteArray>> fetchDescription(QUrl location, ReceiverDiscovery::Options options,
    QNetworkAccessManager *network, std::shared_ptr<DiscoveryRun> run)
{
    QNetworkRequest request(location);
    request.setTransferTimeout(int(options.descriptionTimeout.count()));
    // A redirect is another status than 200, and must not lead the search elsewhere.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply *reply = network->get(request);
    run->replies << reply;
    const qint64 limit = options.maxDescriptionBytes;
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, limit](qint64 received, qint64) {
        if (received > limit) {
            qCInfo(lcDiscovery) << "Description at" << reply->url() << "is larger than" << limit << "bytes";
            reply->abort();
        }
    });
    // The transfer time-out only measures silence; a device that drips its description must not hold the whole
    // discovery, so the request also has a deadline.
    QTimer::singleShot(options.descriptionTimeout, reply, [reply] { reply->abort(); });
    co_await reply;
    reply->deleteLater();
    run->replies.removeAll(reply);

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200) {
        qCDebug(lcDiscovery) << "No description at" << location << ":" << status << reply->errorString();
        co_return std::nullopt;
    }
    co_return reply->readAll();
}

QCoro::Task<std::optional<DiscoveredReceiver>> describe(QUrl location, ReceiverDiscovery::Options options,
    QNetworkAccessManager *network, std::shared_ptr<DiscoveryRun> run)
{
    const auto body = co_await fetchDescription(location, options, network, run);
    if (!body || run->cancelled) {
        co_return std::nullopt;
    }
    const auto description = DeviceDescription::parse(*body);
    if (!description) {
        qCDebug(lcDiscovery) << "Not a receiver with the extended control interface:" << location;
        co_return std::nullopt;
    }
    // Otherwise whoever serves a description could send control to any machine it names.
    if (!description->isServedFrom(location)) {
        qCInfo(lcDiscovery).noquote() << QStringLiteral("Ignored the description at %1: its X_URLBase %2 names "
                                                        "another host")
                                             .arg(location.toString(), description->urlBase.toString());
        co_return std::nullopt;
    }

    YXCClient::Options clientOptions;
    clientOptions.requestTimeout = options.deviceInfoTimeout;
    YXCClient client(description->host.trimmed(), true, clientOptions);
    const auto info = co_await client.fetch<DeviceInfo>(YXCCommand::getDeviceInfo());
    if (!info) {
        qCDebug(lcDiscovery).noquote() << "No device information from" << description->host << ":"
                                       << info.error().description();
        co_return std::nullopt;
    }
    const QString model = info->modelName.value_or(QString());
    const QString deviceID = info->deviceId.value_or(QString());
    if (model.isEmpty() || deviceID.isEmpty()) {
        qCDebug(lcDiscovery) << "Device information of" << description->host << "lacks a model or device id";
        co_return std::nullopt;
    }
    co_return DiscoveredReceiver { description->name, model, description->host, deviceID };
}

// Detached: reports to the run whatever happens; the run outlives it through the shared pointer.
QCoro::Task<> describeInto(QUrl location, ReceiverDiscovery::Options options, QNetworkAccessManager *network,
    std::shared_ptr<DiscoveryRun> run)
{
    auto receiver = co_await describe(std::move(location), options, network, run);
    run->arrived(std::move(receiver));
}

QCoro::Task<ReceiverDiscovering::Receivers> runDiscovery(
    ReceiverDiscovery::Options options, QNetworkAccessManager *network, std::shared_ptr<DiscoveryRun> run)
{
    const auto locations = co_await SSDPSearch::run(options.search, [run] { return run->cancelled; });
    if (!locations) {
        co_return Failure { locations.error() };
    }
    run->pending = int(locations->size());
    for (const QUrl &location : *locations) {
        describeInto(location, options, network, run);
    }
    while (run->pending > 0 && !run->cancelled) {
        co_await NextSignal(run.get(), &DiscoveryRun::changed);
    }
    if (run->cancelled) {
        co_return Failure { DiscoveryError::cancelled() };
    }
    QList<DiscoveredReceiver> receivers = run->found;
    sortForDisplay(receivers);
    qCInfo(lcDiscovery) << "Found" << receivers.size() << "receivers at" << locations->size() << "locations";
    co_return receivers;
}

} // namespace

ReceiverDiscovery::ReceiverDiscovery()
    : ReceiverDiscovery(Options {})
{ }

ReceiverDiscovery::ReceiverDiscovery(Options options, QNetworkAccessManager *network)
    : m_options(std::move(options))
    , m_network(network)
{ }

ReceiverDiscovery::~ReceiverDiscovery()
{
    cancel();
}

QCoro::Task<ReceiverDiscovering::Receivers> ReceiverDiscovery::discover()
{
    cancel();
    m_run = std::make_shared<DiscoveryRun>();
    QNetworkAccessManager *network = m_network ? m_network : &sharedNetworkAccess();
    return runDiscovery(m_options, network, m_run);
}

void ReceiverDiscovery::cancel()
{
    if (m_run) {
        m_run->cancel();
        m_run.reset();
    }
}

} // namespace amplora

#include "ReceiverDiscovery.moc"
