#pragma once

#include "core/discovery/ReceiverDiscovering.h"
#include "core/discovery/SSDPSearch.h"

#include <chrono>
#include <memory>

class QNetworkAccessManager;

namespace amplora {

class DiscoveryRun;

// The network discovery: an SSDP search, then for every location its device description and, for the maker's
// receivers, their device information through a read-only client. Devices that fail any step are left out, and
// so are devices still answering when the two time-outs after the search have passed: a run never takes longer
// than the search plus both.
class ReceiverDiscovery : public ReceiverDiscovering {
public:
    struct Options {
        SSDPSearch::Options search;
        std::chrono::milliseconds descriptionTimeout { 2000 };
        std::chrono::milliseconds deviceInfoTimeout { 4000 };
        qint64 maxDescriptionBytes = qint64 { 1024 } * 1024;
        // How long a probe waits for the system resolver to name a host's address.
        std::chrono::milliseconds resolveTimeout { 5000 };
    };

    ReceiverDiscovery();
    // Without an access manager the process's shared one is used.
    explicit ReceiverDiscovery(Options options, QNetworkAccessManager *network = nullptr);
    ~ReceiverDiscovery() override;

    // Starting a new run cancels one still running. The object may be destroyed while a run is in flight: the
    // run then ends as cancelled.
    QCoro::Task<Receivers> discover() override;
    // Per host: a name is resolved, the search request goes to the host's SSDP port by unicast, and its answers
    // pass the same checks as the search's. When nothing answers the search, the host's device information is
    // read directly. Each host has its own deadline: the resolve time-out, the search and both time-outs after
    // it. Starting a probe cancels one still running.
    QCoro::Task<QList<ProbeResult>> probe(QStringList hosts) override;
    void cancel() override;

private:
    Options m_options;
    QNetworkAccessManager *m_network;
    std::shared_ptr<DiscoveryRun> m_run;
    std::shared_ptr<DiscoveryRun> m_probe;
};

} // namespace amplora
