#include "core/discovery/SSDPSearch.h"

#include "base/Clock.h"
#include "core/Logging.h"
#include "core/discovery/HostAddress.h"
#include "core/discovery/NextSignal.h"

#include <QNetworkProxy>
#include <QStringDecoder>
#include <QUdpSocket>

#include <memory>

namespace amplora {

namespace {

// Readiness for input, or the time-out; whatever comes first.
QCoro::Task<> waitReadable(QUdpSocket *socket, std::chrono::milliseconds timeout)
{
    if (socket->hasPendingDatagrams()) {
        co_return;
    }
    co_await NextSignal(socket, &QUdpSocket::readyRead, timeout);
}

} // namespace

const QByteArray &SSDPSearch::request()
{
    static const QByteArray text("M-SEARCH * HTTP/1.1\r\n"
                                 "HOST: 239.255.255.250:1900\r\n"
                                 "MAN: \"ssdp:discover\"\r\n"
                                 "MX: 1\r\n"
                                 "ST: urn:schemas-upnp-org:device:MediaRenderer:1\r\n"
                                 "\r\n");
    return text;
}

std::optional<QUrl> SSDPSearch::locationURL(const QByteArray &datagram)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(datagram);
    if (decoder.hasError()) {
        qCDebug(lcDiscovery) << "Ignored an SSDP answer that is not UTF-8";
        return std::nullopt;
    }
    const QStringList lines = text.split(u'\n');
    if (lines.first().trimmed().toUpper() != QLatin1String("HTTP/1.1 200 OK")) {
        return std::nullopt;
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString &line = lines[i];
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0 || line.left(colon).trimmed().toLower() != QLatin1String("location")) {
            continue;
        }
        QUrl url(line.mid(colon + 1).trimmed(), QUrl::StrictMode);
        if (url.isValid() && url.scheme() == QLatin1String("http") && !url.host().isEmpty()
            && url.userInfo().isEmpty()) {
            return url;
        }
        qCDebug(lcDiscovery) << "Ignored an SSDP location that is not a plain http URL:" << line.mid(colon + 1);
    }
    return std::nullopt;
}

SSDPSearch::InterfaceFacts SSDPSearch::InterfaceFacts::of(const QNetworkInterface &interface)
{
    InterfaceFacts facts { interface.name(), interface.flags(), false };
    const auto entries = interface.addressEntries();
    for (const auto &entry : entries) {
        if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
            facts.hasIPv4 = true;
        }
    }
    return facts;
}

bool SSDPSearch::isUsable(const InterfaceFacts &facts, bool includeLoopback)
{
    const auto flags = facts.flags;
    if (!facts.hasIPv4 || !flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning)) {
        return false;
    }
    // Loopback carries multicast without announcing it.
    if (flags.testFlag(QNetworkInterface::IsLoopBack)) {
        return includeLoopback;
    }
    return flags.testFlag(QNetworkInterface::CanMulticast);
}

namespace {

// The socket side of one search, kept out of the coroutine so that the coroutine only loops and waits.
class Search {
public:
    // With a target the request goes to that host alone, and only its answers count.
    Search(const SSDPSearch::Options &options, std::optional<QHostAddress> target)
        : m_options(options)
        , m_target(std::move(target))
        , m_buffer(SSDPSearch::receiveBufferSize, Qt::Uninitialized)
    { }

    std::optional<DiscoveryError> open()
    {
        m_socket.setProxy(QNetworkProxy::NoProxy);
        if (m_target) {
            const bool ipv6 = m_target->protocol() == QAbstractSocket::IPv6Protocol;
            if (!m_socket.bind(QHostAddress(ipv6 ? QHostAddress::AnyIPv6 : QHostAddress::AnyIPv4), 0)) {
                return DiscoveryError::socket(m_socket.errorString());
            }
            return std::nullopt;
        }
        const auto all = QNetworkInterface::allInterfaces();
        for (const auto &interface : all) {
            if (SSDPSearch::isUsable(SSDPSearch::InterfaceFacts::of(interface), m_options.includeLoopback)) {
                m_interfaces << interface;
            }
        }
        if (m_interfaces.isEmpty()) {
            qCWarning(lcDiscovery) << "No interface can carry the search";
            return DiscoveryError::noNetwork();
        }
        // SSDP never goes through a proxy (set above); asking the system for one only loads its proxy stack.
        if (!m_socket.bind(QHostAddress(QHostAddress::AnyIPv4), 0)) {
            return DiscoveryError::socket(m_socket.errorString());
        }
        return std::nullopt;
    }

    // One interface that cannot send (a VPN without multicast, a cable just pulled) must not cost the others;
    // only when none takes the request is the search lost.
    std::optional<DiscoveryError> send()
    {
        const QByteArray &request = SSDPSearch::request();
        ++m_sent;
        if (m_target) {
            if (m_socket.writeDatagram(request, *m_target, m_options.port) != request.size()) {
                return DiscoveryError::send(m_socket.errorString());
            }
            return std::nullopt;
        }
        QString lastError;
        int delivered = 0;
        for (const auto &interface : std::as_const(m_interfaces)) {
            m_socket.setMulticastInterface(interface);
            if (m_socket.writeDatagram(request, m_options.group, m_options.port) == request.size()) {
                ++delivered;
            } else {
                lastError = m_socket.errorString();
                qCInfo(lcDiscovery).noquote()
                    << QStringLiteral("Could not send the search on %1: %2").arg(interface.name(), lastError);
            }
        }
        if (delivered == 0) {
            return DiscoveryError::send(lastError);
        }
        return std::nullopt;
    }

    // Bounded per wake so that a flood cannot hold the loop past its deadline or its cancellation.
    void readPending()
    {
        for (int read = 0; read < 64 && m_socket.hasPendingDatagrams(); ++read) {
            QHostAddress sender;
            const qint64 size = m_socket.readDatagram(m_buffer.data(), m_buffer.size(), &sender);
            if (size <= 0 || (m_target && plainAddress(sender) != plainAddress(*m_target))) {
                continue;
            }
            const auto url = SSDPSearch::locationURL(QByteArray::fromRawData(m_buffer.constData(), size));
            if (!url || m_locations.contains(*url)) {
                continue;
            }
            // A location on another host than the one answering would let any machine on the network point the
            // search (and later the recovery of a saved receiver) wherever it likes.
            if (!namesAddress(url->host(), sender)) {
                if (!m_strangers.contains(*url) && m_strangers.size() < m_options.maxLocations) {
                    m_strangers.insert(*url);
                    qCInfo(lcDiscovery).noquote() << QStringLiteral("Ignored an SSDP answer from %1: its location %2 "
                                                                    "names another host")
                                                         .arg(sender.toString(), url->toString());
                }
                continue;
            }
            if (m_locations.size() >= m_options.maxLocations) {
                qCWarning(lcDiscovery) << "Too many devices answered; ignoring" << *url;
                continue;
            }
            m_locations.insert(*url);
        }
    }

    QUdpSocket *socket() { return &m_socket; }
    int sent() const { return m_sent; }
    const QSet<QUrl> &locations() const { return m_locations; }

private:
    SSDPSearch::Options m_options;
    std::optional<QHostAddress> m_target;
    QList<QNetworkInterface> m_interfaces;
    QUdpSocket m_socket;
    QByteArray m_buffer;
    QSet<QUrl> m_locations;
    QSet<QUrl> m_strangers; // answers skipped for naming another host, each logged once
    int m_sent = 0;
};

QCoro::Task<Result<QSet<QUrl>, DiscoveryError>> runSearch(
    SSDPSearch::Options options, std::optional<QHostAddress> target, std::function<bool()> isCancelled)
{
    using namespace std::chrono;
    const auto search = std::make_unique<Search>(options, std::move(target));
    if (auto error = search->open()) {
        co_return Failure { *error };
    }
    // The socket waits below are real, so the search is timed by the system clock.
    const Clock &clock = Clock::system();
    const auto start = clock.now();
    const auto elapsed = [&clock, start] { return duration_cast<milliseconds>(clock.now() - start); };
    while (elapsed() < options.timing.duration) {
        if (isCancelled()) {
            co_return Failure { DiscoveryError::cancelled() };
        }
        if (search->sent() < options.timing.sendCount && elapsed() >= search->sent() * options.timing.sendInterval) {
            if (auto error = search->send()) {
                co_return Failure { *error };
            }
        }
        const auto wait
            = std::clamp(options.timing.duration - elapsed(), milliseconds(1), options.timing.readinessWait);
        co_await waitReadable(search->socket(), wait);
        search->readPending();
    }
    if (isCancelled()) {
        co_return Failure { DiscoveryError::cancelled() };
    }
    qCDebug(lcDiscovery) << "Search found" << search->locations().size() << "locations after" << search->sent()
                         << "sends";
    co_return search->locations();
}

} // namespace

QCoro::Task<Result<QSet<QUrl>, DiscoveryError>> SSDPSearch::run(Options options, std::function<bool()> isCancelled)
{
    return runSearch(std::move(options), std::nullopt, std::move(isCancelled));
}

QCoro::Task<Result<QSet<QUrl>, DiscoveryError>> SSDPSearch::probe(
    const QHostAddress &target, Options options, std::function<bool()> isCancelled)
{
    return runSearch(std::move(options), plainAddress(target), std::move(isCancelled));
}

} // namespace amplora
