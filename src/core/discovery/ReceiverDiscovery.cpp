#include "core/discovery/ReceiverDiscovery.h"

#include "base/Clock.h"
#include "core/Logging.h"
#include "core/discovery/DeviceDescription.h"
#include "core/discovery/HostAddress.h"
#include "core/discovery/NextSignal.h"
#include "core/protocol/SharedNetworkAccess.h"
#include "core/protocol/YXCClient.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

namespace amplora {

// The state one discover() call shares with its per-device tasks, which may outlive the discovery object and
// the run itself.
class DiscoveryRun : public QObject {
    Q_OBJECT

public:
    bool cancelled = false;
    // The run has answered (all devices in, or the deadline passed); what arrives later is dropped.
    bool ended = false;
    int pending = 0;
    QList<DiscoveredReceiver> found;
    QList<QPointer<QNetworkReply>> replies;
    // A probe's: one result per host, and one run per host, cancelled with this one.
    QList<ProbeResult> probed;
    QList<std::shared_ptr<DiscoveryRun>> hosts;

    bool isOver() const { return cancelled || ended; }

    void cancel()
    {
        if (isOver()) {
            return;
        }
        cancelled = true;
        abortTransfers();
        for (const auto &host : std::as_const(hosts)) {
            host->cancel();
        }
        Q_EMIT changed();
    }

    void end()
    {
        ended = true;
        abortTransfers();
        for (const auto &host : std::as_const(hosts)) {
            host->cancel();
        }
    }

    void probeArrived(qsizetype index, ProbeResult result)
    {
        --pending;
        if (!isOver()) {
            probed[index] = std::move(result);
        }
        Q_EMIT changed();
    }

    void arrived(std::optional<DiscoveredReceiver> receiver)
    {
        --pending;
        if (receiver && !isOver()) {
            const auto known = std::find_if(
                found.begin(), found.end(), [&](const auto &other) { return other.deviceID == receiver->deviceID; });
            if (known == found.end()) {
                found << *receiver;
            } else if (known->host == receiver->host || known->otherHosts.contains(receiver->host)) {
                qCDebug(lcDiscovery) << "Receiver" << receiver->deviceID << "answered under another location too";
            } else {
                qCWarning(lcDiscovery).noquote() << QStringLiteral("Device id %1 is claimed by %2 and by %3")
                                                        .arg(receiver->deviceID, known->host, receiver->host);
                known->otherHosts << receiver->host;
            }
        }
        Q_EMIT changed();
    }

Q_SIGNALS:
    void changed();

private:
    void abortTransfers()
    {
        // abort(), never delete: the awaiting task resumes and finishes.
        const auto inFlight = replies;
        for (const auto &reply : inFlight) {
            if (reply) {
                reply->abort();
            }
        }
    }
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
    if (!body || run->isOver()) {
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

// Describes every location found and waits for the devices, up to both time-outs.
QCoro::Task<ReceiverDiscovering::Receivers> describeAll(QSet<QUrl> locations, ReceiverDiscovery::Options options,
    QNetworkAccessManager *network, std::shared_ptr<DiscoveryRun> run)
{
    run->pending = int(locations.size());
    for (const QUrl &location : std::as_const(locations)) {
        describeInto(location, options, network, run);
    }
    // Each device's requests have deadlines of their own, but the run does not depend on them: a device that
    // holds a request open must never keep the search (and whoever waits for it) from ending. The wait below is
    // a real timer, so the deadline is read from the system clock too.
    using namespace std::chrono;
    const Clock &clock = Clock::system();
    const auto deadline = clock.now() + options.descriptionTimeout + options.deviceInfoTimeout;
    while (run->pending > 0 && !run->cancelled) {
        const auto left = duration_cast<milliseconds>(deadline - clock.now());
        if (left <= 0ms) {
            qCInfo(lcDiscovery) << "Left out" << run->pending << "locations whose devices did not answer in time";
            break;
        }
        co_await NextSignal(run.get(), &DiscoveryRun::changed, left);
    }
    if (run->cancelled) {
        co_return Failure { DiscoveryError::cancelled() };
    }
    run->end();
    QList<DiscoveredReceiver> receivers = run->found;
    sortForDisplay(receivers);
    qCInfo(lcDiscovery) << "Found" << receivers.size() << "receivers at" << locations.size() << "locations";
    co_return receivers;
}

QCoro::Task<ReceiverDiscovering::Receivers> runDiscovery(
    ReceiverDiscovery::Options options, QNetworkAccessManager *network, std::shared_ptr<DiscoveryRun> run)
{
    // Named, not a temporary in the co_await: g++ 12 destroys such a closure twice, and with it the run's reference.
    const auto cancelled = [run] { return run->cancelled; };
    const auto locations = co_await SSDPSearch::run(options.search, cancelled);
    if (!locations) {
        co_return Failure { locations.error() };
    }
    auto described = describeAll(*locations, options, network, run);
    co_return co_await std::move(described);
}

// A host that did not answer the search may still be a receiver: its device information, read where the user
// pointed, tells. Named by the receiver's network name.
QCoro::Task<std::optional<DiscoveredReceiver>> askDirectly(QString host, ReceiverDiscovery::Options options)
{
    YXCClient::Options clientOptions;
    clientOptions.requestTimeout = options.deviceInfoTimeout;
    YXCClient client(host, true, clientOptions);
    const auto info = co_await client.fetch<DeviceInfo>(YXCCommand::getDeviceInfo());
    if (!info) {
        qCInfo(lcDiscovery).noquote() << "No device information from" << host << ":" << info.error().description();
        co_return std::nullopt;
    }
    const QString model = info->modelName.value_or(QString());
    const QString deviceID = info->deviceId.value_or(QString());
    if (model.isEmpty() || deviceID.isEmpty()) {
        qCInfo(lcDiscovery) << "Device information of" << host << "lacks a model or device id";
        co_return std::nullopt;
    }
    const auto network = co_await client.fetch<NetworkStatus>(YXCCommand::getNetworkStatus());
    const QString name = network ? network->networkName.value_or(QString()) : QString();
    co_return DiscoveredReceiver { name.isEmpty() ? model : name, model, host, deviceID };
}

// A receiver found at a name's address goes by the name, so that the connection follows the name when the
// address changes.
DiscoveredReceiver underName(DiscoveredReceiver receiver, const ReceiverHost &host, const QHostAddress &address)
{
    const QUrl url(QStringLiteral("http://") + receiver.host);
    if (host.isName() && namesAddress(url.host(), address)) {
        const int port = url.port(80);
        receiver.host = ReceiverHost { host.machine, port == 80 ? std::nullopt : std::optional(quint16(port)) }.text();
    }
    return receiver;
}

QCoro::Task<ReceiverDiscovering::Receivers> probeHost(
    QString text, ReceiverDiscovery::Options options, QNetworkAccessManager *network, std::shared_ptr<DiscoveryRun> run)
{
    const auto parsed = ReceiverHost::parse(text);
    if (!parsed) {
        co_return Failure { parsed.error() };
    }
    const ReceiverHost &host = *parsed;
    QHostAddress address;
    if (host.isName()) {
        const QHostInfo info = co_await HostLookup(host.machine);
        if (run->isOver()) {
            co_return Failure { DiscoveryError::cancelled() };
        }
        const auto addresses = info.addresses();
        if (info.error() != QHostInfo::NoError || addresses.isEmpty()) {
            co_return Failure { DiscoveryError::unresolved(host.machine,
                info.error() == QHostInfo::NoError ? QStringLiteral("it has no address") : info.errorString()) };
        }
        // Receivers speak IPv4 first.
        const auto ipv4 = std::find_if(addresses.begin(), addresses.end(),
            [](const QHostAddress &a) { return a.protocol() == QAbstractSocket::IPv4Protocol; });
        address = ipv4 == addresses.end() ? addresses.first() : *ipv4;
    } else {
        address = literalAddress(host.machine).value_or(QHostAddress());
    }

    const auto cancelled = [run] { return run->isOver(); };
    const auto locations = co_await SSDPSearch::probe(address, options.search, cancelled);
    if (!locations) {
        co_return Failure { locations.error() };
    }
    QList<DiscoveredReceiver> receivers;
    if (!locations->isEmpty()) {
        auto described = describeAll(*locations, options, network, run);
        const auto found = co_await std::move(described);
        if (!found) {
            co_return Failure { found.error() };
        }
        for (const DiscoveredReceiver &receiver : *found) {
            receivers << underName(receiver, host, address);
        }
    } else {
        qCInfo(lcDiscovery).noquote() << "No answer to the search from" << address.toString()
                                      << "; asking for its device information";
        auto asked = askDirectly(host.text(), options);
        const auto receiver = co_await std::move(asked);
        if (run->isOver()) {
            co_return Failure { DiscoveryError::cancelled() };
        }
        if (receiver) {
            receivers << *receiver;
        }
    }
    if (receivers.isEmpty()) {
        co_return Failure { DiscoveryError::noAnswer(text.trimmed()) };
    }
    co_return receivers;
}

// Detached: reports to the probe whatever happens; both runs outlive it through the shared pointers.
QCoro::Task<> probeInto(qsizetype index, QString text, ReceiverDiscovery::Options options,
    QNetworkAccessManager *network, std::shared_ptr<DiscoveryRun> host, std::shared_ptr<DiscoveryRun> probe)
{
    auto probing = probeHost(text, options, network, host);
    auto receivers = co_await std::move(probing);
    probe->probeArrived(index, ProbeResult { text, std::move(receivers) });
}

QCoro::Task<QList<ProbeResult>> runProbe(QStringList hosts, ReceiverDiscovery::Options options,
    QNetworkAccessManager *network, std::shared_ptr<DiscoveryRun> probe)
{
    probe->pending = int(hosts.size());
    for (qsizetype i = 0; i < hosts.size(); ++i) {
        // Until it answers, a host has not answered: what a host still silent at the deadline is left with.
        probe->probed << ProbeResult { hosts[i], Failure { DiscoveryError::noAnswer(hosts[i].trimmed()) } };
        probe->hosts << std::make_shared<DiscoveryRun>();
    }
    for (qsizetype i = 0; i < hosts.size(); ++i) {
        probeInto(i, hosts[i], options, network, probe->hosts[i], probe);
    }
    using namespace std::chrono;
    const Clock &clock = Clock::system();
    const auto deadline = clock.now() + options.resolveTimeout + options.search.timing.duration
        + options.descriptionTimeout + options.deviceInfoTimeout;
    while (probe->pending > 0 && !probe->cancelled) {
        const auto left = duration_cast<milliseconds>(deadline - clock.now());
        if (left <= 0ms) {
            qCInfo(lcDiscovery) << probe->pending << "probed hosts did not answer in time";
            break;
        }
        co_await NextSignal(probe.get(), &DiscoveryRun::changed, left);
    }
    if (probe->cancelled) {
        QList<ProbeResult> cancelled;
        for (const QString &host : std::as_const(hosts)) {
            cancelled << ProbeResult { host, Failure { DiscoveryError::cancelled() } };
        }
        co_return cancelled;
    }
    probe->end();
    co_return probe->probed;
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

QCoro::Task<QList<ProbeResult>> ReceiverDiscovery::probe(QStringList hosts)
{
    if (m_probe) {
        m_probe->cancel();
    }
    m_probe = std::make_shared<DiscoveryRun>();
    QNetworkAccessManager *network = m_network ? m_network : &sharedNetworkAccess();
    return runProbe(std::move(hosts), m_options, network, m_probe);
}

void ReceiverDiscovery::cancel()
{
    if (m_run) {
        m_run->cancel();
        m_run.reset();
    }
    if (m_probe) {
        m_probe->cancel();
        m_probe.reset();
    }
}

} // namespace amplora

#include "ReceiverDiscovery.moc"
