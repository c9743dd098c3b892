#pragma once

#include "base/Result.h"
#include "core/discovery/DiscoveryError.h"

#include <QByteArray>
#include <QCoroTask>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QSet>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

namespace amplora {

// The SSDP multicast search: sends the M-SEARCH request on every usable IPv4 interface three times, a second
// apart, and collects the description locations that devices answer with during 3.2 seconds.
class SSDPSearch {
public:
    struct Timing {
        std::chrono::milliseconds sendInterval { 1000 };
        int sendCount = 3;
        // How long one wait for an answer lasts; it bounds how late a cancellation is noticed.
        std::chrono::milliseconds readinessWait { 100 };
        std::chrono::milliseconds duration { 3200 };
    };

    struct Options {
        Timing timing;
        // Loopback carries no receiver on a real machine; tests in a private namespace have nothing else.
        bool includeLoopback = false;
        QHostAddress group { QStringLiteral("239.255.255.250") };
        quint16 port = 1900;
        // A flood of distinct answers must not grow the set without bound.
        qsizetype maxLocations = 256;
    };

    // What decides whether an interface carries the search, taken from QNetworkInterface.
    struct InterfaceFacts {
        QString name;
        QNetworkInterface::InterfaceFlags flags;
        bool hasIPv4 = false;

        static InterfaceFacts of(const QNetworkInterface &interface);
    };

    static constexpr qsizetype receiveBufferSize = 16384;

    // The request, 129 bytes.
    static const QByteArray &request();

    // The description location of one answer: only "HTTP/1.1 200 OK" answers with an http location without
    // user information count. The search also skips a location whose host is not the address that answered.
    static std::optional<QUrl> locationURL(const QByteArray &datagram);

    static bool isUsable(const InterfaceFacts &facts, bool includeLoopback);

    // Runs one search. `isCancelled` is polled at least every readiness wait.
    static QCoro::Task<Result<QSet<QUrl>, DiscoveryError>> run(Options options, std::function<bool()> isCancelled);

    // Sends the same request by unicast to one host's SSDP port, with the search's timing, for a receiver on
    // another subnet that multicast does not reach. Only answers from that host count.
    static QCoro::Task<Result<QSet<QUrl>, DiscoveryError>> probe(
        const QHostAddress &target, Options options, std::function<bool()> isCancelled);
};

} // namespace amplora
