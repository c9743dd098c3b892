#pragma once

// A local network inside the test's private namespace: devices that describe themselves over HTTP and answer the
// SSDP search, each from an address of its own on loopback (all of 127.0.0.0/8 is local there). Nothing here
// ever leaves the machine, and the tests that use it refuse to run outside a namespace of their own.

#include "core/discovery/ReceiverDiscovery.h"
#include "support/FakeReceiver.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QUdpSocket>

#include <map>
#include <memory>
#include <utility>

namespace amplora::test {

// Whether the process sees loopback only, as in a namespace of its own; a multicast search elsewhere would reach
// the LAN.
bool onlyLoopbackExists();

// Skips unless the test runs in a namespace of its own.
#define REQUIRE_PRIVATE_NAMESPACE()                                                                                    \
    do {                                                                                                               \
        if (qEnvironmentVariableIsSet("AMPLORA_NO_NETNS")) {                                                           \
            QSKIP("network namespaces are not permitted here; the SSDP test needs one");                               \
        }                                                                                                              \
        if (!amplora::test::onlyLoopbackExists()) {                                                                    \
            QSKIP("not inside a private network namespace (an interface other than loopback exists); refusing to "     \
                  "send multicast");                                                                                   \
        }                                                                                                              \
    } while (false)

// A device description; the maker's receivers say "Yamaha Corporation" and "/YamahaExtendedControl/v1/".
QByteArray descriptionXML(
    const QString &name, const QString &manufacturer, const QString &controlURL, const QString &urlBase);

// A getDeviceInfo answer.
QByteArray deviceInfoJSON(const QString &model, const QString &deviceID);

// An answer to the search naming a description's location.
QByteArray ssdpAnswer(
    const QString &location, const QByteArray &statusLine = "HTTP/1.1 200 OK", const QByteArray &header = "LOCATION");

// A device on a fake server of its own that may describe itself as a receiver of the maker.
struct FakeDevice {
    std::unique_ptr<FakeReceiver> server;

    explicit FakeDevice(const QHostAddress &address = QHostAddress(QHostAddress::LocalHost))
        : server(std::make_unique<FakeReceiver>(address))
    { }

    QHostAddress address() const { return QHostAddress(server->host().section(u':', 0, 0)); }
    QString base() const { return QStringLiteral("http://%1/").arg(server->host()); }
    QString location(const QString &path = QStringLiteral("desc.xml")) const { return base() + path; }

    // Serves a description at `path` that sends control to this device, and answers getDeviceInfo.
    void describe(const QString &name, const QString &model, const QString &deviceID,
        const QString &manufacturer = QStringLiteral("Yamaha Corporation"),
        const QString &controlURL = QStringLiteral("/YamahaExtendedControl/v1/"),
        const QString &path = QStringLiteral("/desc.xml"));

    qsizetype requestsFor(const QString &path) const;
};

// Plays the SSDP side of every device: answers each M-SEARCH with the configured datagrams, unicast to the
// searcher. `answers` go out from the multicast socket (127.0.0.1 on loopback), `answersFrom` each from the
// address given, as another machine's would.
class SSDPResponder : public QObject {
public:
    QList<QByteArray> answers;
    QList<std::pair<QHostAddress, QByteArray>> answersFrom;
    QList<QByteArray> searches;

    bool start();
    // Binds the SSDP port at one address without joining the group, as a receiver behind a router is reached:
    // it hears only searches sent to it by unicast.
    bool startUnicastOnly(const QHostAddress &address);

private:
    void answerSearches();

    QUdpSocket *socketFor(const QHostAddress &address);

    QUdpSocket m_socket;
    std::map<QString, std::unique_ptr<QUdpSocket>> m_senders;
};

// Discovery over loopback with short waits: a search of 600 ms, descriptions and device information in a second.
ReceiverDiscovery::Options loopbackDiscoveryOptions();

inline const QString deviceInfoPath = QStringLiteral("/YamahaExtendedControl/v1/system/getDeviceInfo");

} // namespace amplora::test
