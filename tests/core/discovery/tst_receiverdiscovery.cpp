// The whole discovery pipeline against in-process devices, inside a private network namespace whose loopback
// carries multicast: nothing here ever leaves the machine.

#include "core/discovery/ReceiverDiscovery.h"
#include "core/protocol/SharedNetworkAccess.h"

#include "../protocol/RawPeer.h"

#include "support/FakeReceiver.h"
#include "support/WaitFor.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QTest>
#include <QUdpSocket>

#include <memory>

using namespace amplora;
using namespace std::chrono_literals;
using test::FakeReceiver;
using test::httpAnswer;
using test::RawPeer;

namespace {

// Skips unless the test runs in a namespace of its own; a multicast search on the host would reach the LAN.
#define REQUIRE_PRIVATE_NAMESPACE()                                                                                    \
    do {                                                                                                               \
        if (qEnvironmentVariableIsSet("AMPLORA_NO_NETNS")) {                                                           \
            QSKIP("network namespaces are not permitted here; the SSDP pipeline test needs one");                      \
        }                                                                                                              \
        if (!onlyLoopbackExists()) {                                                                                   \
            QSKIP("not inside a private network namespace (an interface other than loopback exists); refusing to "     \
                  "send multicast");                                                                                   \
        }                                                                                                              \
    } while (false)

bool onlyLoopbackExists()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    return std::all_of(interfaces.cbegin(), interfaces.cend(),
        [](const QNetworkInterface &interface) { return interface.flags().testFlag(QNetworkInterface::IsLoopBack); });
}

// Another machine on the network: loopback carries all of 127.0.0.0/8.
const QHostAddress strangerAddress(QStringLiteral("127.0.0.2"));

// Plays the SSDP side of every device: answers each M-SEARCH with the configured datagrams, unicast to the sender;
// `strangerAnswers` come from the stranger's address instead of the device's.
class Responder : public QObject {
public:
    QList<QByteArray> answers;
    QList<QByteArray> strangerAnswers;
    QList<QByteArray> searches;

    bool start()
    {
        const auto lo = QNetworkInterface::interfaceFromName(QStringLiteral("lo"));
        if (!m_socket.bind(
                QHostAddress(QHostAddress::AnyIPv4), 1900, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)
            || !m_socket.joinMulticastGroup(QHostAddress(QStringLiteral("239.255.255.250")), lo)
            || !m_stranger.bind(strangerAddress, 0)) {
            qWarning("responder: %s %s", qPrintable(m_socket.errorString()), qPrintable(m_stranger.errorString()));
            return false;
        }
        connect(&m_socket, &QUdpSocket::readyRead, this, [this] {
            while (m_socket.hasPendingDatagrams()) {
                const QNetworkDatagram datagram = m_socket.receiveDatagram();
                if (!datagram.data().startsWith("M-SEARCH")) {
                    continue;
                }
                searches << datagram.data();
                for (const QByteArray &answer : std::as_const(answers)) {
                    m_socket.writeDatagram(answer, datagram.senderAddress(), quint16(datagram.senderPort()));
                }
                for (const QByteArray &answer : std::as_const(strangerAnswers)) {
                    m_stranger.writeDatagram(answer, datagram.senderAddress(), quint16(datagram.senderPort()));
                }
            }
        });
        return true;
    }

private:
    QUdpSocket m_socket;
    QUdpSocket m_stranger;
};

QByteArray descriptionXML(
    const QString &name, const QString &manufacturer, const QString &controlURL, const QString &urlBase)
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="utf-8"?>
<root xmlns="urn:schemas-upnp-org:device-1-0" xmlns:yamaha="urn:schemas-yamaha-com:device-1-0">
 <device><friendlyName>%1</friendlyName><manufacturer>%2</manufacturer><modelName>x</modelName></device>
 <yamaha:X_device><yamaha:X_URLBase>%4</yamaha:X_URLBase><yamaha:X_serviceList><yamaha:X_service>
  <yamaha:X_yxcControlURL>%3</yamaha:X_yxcControlURL></yamaha:X_service></yamaha:X_serviceList></yamaha:X_device>
</root>)")
        .arg(name, manufacturer, controlURL, urlBase)
        .toUtf8();
}

QByteArray deviceInfo(const QString &model, const QString &deviceID)
{
    return QStringLiteral(R"({"response_code":0,"model_name":"%1","device_id":"%2","system_version":2.85})")
        .arg(model, deviceID)
        .toUtf8();
}

// A device on its own fake server that describes itself as a receiver of the maker.
struct Device {
    std::unique_ptr<FakeReceiver> server = std::make_unique<FakeReceiver>();

    QString base() const { return QStringLiteral("http://127.0.0.1:%1/").arg(server->port()); }
    QString location(const QString &path = QStringLiteral("desc.xml")) const { return base() + path; }

    void describe(const QString &name, const QString &model, const QString &deviceID,
        const QString &manufacturer = QStringLiteral("Yamaha Corporation"),
        const QString &controlURL = QStringLiteral("/YamahaExtendedControl/v1/"),
        const QString &path = QStringLiteral("/desc.xml"))
    {
        server->answer(path, descriptionXML(name, manufacturer, controlURL, base()));
        server->answer(QStringLiteral("system/getDeviceInfo"), deviceInfo(model, deviceID));
    }

    qsizetype requestsFor(const QString &path) const
    {
        const auto &all = server->requests();
        return std::count_if(all.cbegin(), all.cend(), [&](const auto &request) { return request.path == path; });
    }
};

QByteArray answer(
    const QString &location, const QByteArray &statusLine = "HTTP/1.1 200 OK", const QByteArray &header = "LOCATION")
{
    return statusLine + "\r\nCACHE-CONTROL: max-age=1800\r\nEXT:\r\n" + header + ": " + location.toUtf8()
        + "\r\nSERVER: Linux/3.2 UPnP/1.0 Network_Module/1.0 (RX-V481)\r\nST: "
          "urn:schemas-upnp-org:device:MediaRenderer:1\r\n\r\n";
}

// An answer that never ends: the opening, then one more byte every 50 ms, never silent long enough for a transfer
// time-out.
std::unique_ptr<RawPeer> dripper(const QByteArray &opening = "<root>")
{
    return std::make_unique<RawPeer>(httpAnswer("text/xml", opening + QByteArray(1000000, ' ')), 50ms);
}

ReceiverDiscovery::Options fastOptions()
{
    ReceiverDiscovery::Options options;
    options.search.includeLoopback = true;
    options.search.timing = { 150ms, 3, 20ms, 600ms };
    options.descriptionTimeout = 500ms;
    options.deviceInfoTimeout = 1000ms;
    return options;
}

// Runs a discovery without waiting for it: the result lands in `out` when it comes.
QCoro::Task<> collect(
    QCoro::Task<ReceiverDiscovering::Receivers> task, std::optional<ReceiverDiscovering::Receivers> *out)
{
    out->emplace(co_await std::move(task));
}

const QString deviceInfoPath = QStringLiteral("/YamahaExtendedControl/v1/system/getDeviceInfo");

} // namespace

class TestReceiverDiscovery : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findsReceiversAndLeavesOutDecoys()
    {
        REQUIRE_PRIVATE_NAMESPACE();
        Device den10, den9, attic, otherBrand, missing, silent, anonymous;
        den10.describe(QStringLiteral("Den 10"), QStringLiteral("RX-A2A"), QStringLiteral("AAA"));
        den9.describe(QStringLiteral("Den 9"), QStringLiteral("RX-V481"), QStringLiteral("BBB"));
        den9.describe(QStringLiteral("Den 9"), QStringLiteral("RX-V481"), QStringLiteral("BBB"),
            QStringLiteral("Yamaha Corporation"), QStringLiteral("/YamahaExtendedControl/v1/"),
            QStringLiteral("/MediaRenderer/desc.xml"));
        attic.describe(QStringLiteral("attic"), QStringLiteral("R-N803"), QStringLiteral("CCC"));
        otherBrand.describe(QStringLiteral("Den 1"), QStringLiteral("STR-DN1080"), QStringLiteral("DDD"),
            QStringLiteral("Sony Corporation"));
        // `missing` answers every path with 404.
        silent.server->neverAnswer(QStringLiteral("/desc.xml"));
        anonymous.describe(QStringLiteral("Den 4"), QStringLiteral("RX-V6A"), QString());

        Responder responder;
        QVERIFY(responder.start());
        responder.answers = {
            answer(den10.location()),
            answer(den9.location(), "HTTP/1.1 200 OK", "Location"),
            answer(den9.location(QStringLiteral("MediaRenderer/desc.xml")), "HTTP/1.1 200 OK", "location"),
            answer(attic.location(), "http/1.1 200 ok"),
            answer(otherBrand.location()),
            answer(missing.location()),
            answer(silent.location()),
            answer(anonymous.location()),
            QByteArray("\xff\xfe garbage"),
        };

        QNetworkAccessManager network;
        ReceiverDiscovery discovery(fastOptions(), &network);
        const auto found = test::waitFor(discovery.discover());
        QVERIFY2(found.ok(), qPrintable(found.ok() ? QString() : found.error().description()));

        const QList<DiscoveredReceiver> expected {
            { QStringLiteral("attic"), QStringLiteral("R-N803"), attic.server->host(), QStringLiteral("CCC") },
            { QStringLiteral("Den 9"), QStringLiteral("RX-V481"), den9.server->host(), QStringLiteral("BBB") },
            { QStringLiteral("Den 10"), QStringLiteral("RX-A2A"), den10.server->host(), QStringLiteral("AAA") },
        };
        QCOMPARE(*found, expected);

        // Three searches, each the exact request.
        QCOMPARE(responder.searches, QList<QByteArray>(3, SSDPSearch::request()));
        // Answered all three searches, described and probed once.
        QCOMPARE(den10.requestsFor(QStringLiteral("/desc.xml")), 1);
        QCOMPARE(den10.requestsFor(deviceInfoPath), 1);
        // Two locations of one receiver: both described, listed once.
        QCOMPARE(den9.requestsFor(QStringLiteral("/desc.xml")), 1);
        QCOMPARE(den9.requestsFor(QStringLiteral("/MediaRenderer/desc.xml")), 1);
        // Not the maker's receiver: never probed (the parsing tests hold the other decoys of this kind).
        QCOMPARE(otherBrand.requestsFor(deviceInfoPath), 0);
        // No device id: probed, then left out.
        QCOMPARE(anonymous.requestsFor(deviceInfoPath), 1);
    }

    // A machine that is not the receiver must not be able to make the search list the receiver under its own
    // word: neither by an SSDP answer naming the receiver's location, nor by a description naming its address.
    void anotherHostCannotSpeakForTheReceiver_data()
    {
        QTest::addColumn<bool>("strangerServesDescription");
        QTest::addRow("SSDP answer from another host than its location") << false;
        QTest::addRow("description naming another host than its location") << true;
    }
    void anotherHostCannotSpeakForTheReceiver()
    {
        REQUIRE_PRIVATE_NAMESPACE();
        QFETCH(bool, strangerServesDescription);
        Device den, attic;
        den.describe(QStringLiteral("Den"), QStringLiteral("RX-A2A"), QStringLiteral("AAA"));
        attic.describe(QStringLiteral("attic"), QStringLiteral("R-N803"), QStringLiteral("CCC"));
        // The stranger's description points control at the receiver, which would then answer the probe.
        const RawPeer stranger(httpAnswer("text/xml",
                                   descriptionXML(QStringLiteral("Den"), QStringLiteral("Yamaha Corporation"),
                                       QStringLiteral("/YamahaExtendedControl/v1/"), den.base())),
            0ms, strangerAddress);
        Responder responder;
        QVERIFY(responder.start());
        responder.answers = { answer(attic.location()) };
        responder.strangerAnswers
            = { answer(strangerServesDescription ? stranger.base() + QStringLiteral("desc.xml") : den.location()) };

        QNetworkAccessManager network;
        ReceiverDiscovery discovery(fastOptions(), &network);
        const auto found = test::waitFor(discovery.discover());

        QVERIFY(found.ok());
        const QList<DiscoveredReceiver> expected {
            { QStringLiteral("attic"), QStringLiteral("R-N803"), attic.server->host(), QStringLiteral("CCC") },
        };
        QCOMPARE(*found, expected);
        QCOMPARE(den.server->requests().size(), 0);
        QCOMPARE(stranger.hits(), strangerServesDescription ? 1 : 0);
    }

    // A device that drips its description or its device information, never silent long enough for a transfer
    // time-out, must not hold the run: it ends by its deadline all the same, with the devices that did answer.
    void aDeviceThatNeverFinishesAnsweringIsLeftOut_data()
    {
        QTest::addColumn<bool>("dripsDeviceInfo");
        QTest::addRow("description") << false;
        QTest::addRow("device information") << true;
    }
    void aDeviceThatNeverFinishesAnsweringIsLeftOut()
    {
        REQUIRE_PRIVATE_NAMESPACE();
        QFETCH(bool, dripsDeviceInfo);
        auto dripping = dripper(dripsDeviceInfo ? R"({"response_code":0,"model_name":"RX-V6A",)" : "<root>");
        Device den, hanging;
        den.describe(QStringLiteral("Den"), QStringLiteral("RX-A2A"), QStringLiteral("AAA"));
        // Described at one port, controlled at another of the same host, as some receivers do.
        hanging.server->answer(QStringLiteral("/desc.xml"),
            descriptionXML(QStringLiteral("Hanging"), QStringLiteral("Yamaha Corporation"),
                QStringLiteral("/YamahaExtendedControl/v1/"), dripping->base()));
        Responder responder;
        QVERIFY(responder.start());
        responder.answers
            = { answer(dripsDeviceInfo ? hanging.location() : dripping->base() + QStringLiteral("desc.xml")),
                  answer(den.location()) };
        QNetworkAccessManager network;
        ReceiverDiscovery discovery(fastOptions(), &network);

        std::optional<ReceiverDiscovering::Receivers> result;
        auto task = collect(discovery.discover(), &result);
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 20000);
        QVERIFY(result->ok());
        QCOMPARE(dripping->hits(), 1);
        QCOMPARE((*result)->size(), 1);
        QCOMPARE((*result)->first().deviceID, QStringLiteral("AAA"));
        // Once the device goes away, an abandoned probe ends as well.
        dripping.reset();
        QTRY_VERIFY(sharedNetworkAccess().findChildren<QNetworkReply *>().isEmpty());
    }

    void cancellationEndsTheSearch_data()
    {
        QTest::addColumn<bool>("destroy");
        QTest::addRow("cancel()") << false;
        QTest::addRow("discovery object destroyed") << true;
    }
    void cancellationEndsTheSearch()
    {
        REQUIRE_PRIVATE_NAMESPACE();
        QFETCH(bool, destroy);
        Responder responder;
        QVERIFY(responder.start());
        QNetworkAccessManager network;
        auto options = fastOptions();
        // Far longer than the test may take: only the cancellation can end it in time.
        options.search.timing = { 1000ms, 3, 100ms, 120s };
        auto discovery = std::make_unique<ReceiverDiscovery>(options, &network);

        std::optional<ReceiverDiscovering::Receivers> result;
        auto task = collect(discovery->discover(), &result);
        QTRY_COMPARE(responder.searches.size(), 1);
        QVERIFY(!result);
        if (destroy) {
            discovery.reset();
        } else {
            discovery->cancel();
        }
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 10000);
        QVERIFY(!result->ok());
        QCOMPARE(result->error(), DiscoveryError::cancelled());
        QCOMPARE(result->error().description(), QStringLiteral("The search was cancelled."));
    }

    void noUsableInterfaceIsAClearError()
    {
        REQUIRE_PRIVATE_NAMESPACE();
        QNetworkAccessManager network;
        auto options = fastOptions();
        options.search.includeLoopback = false; // as on a real host: only loopback exists here
        ReceiverDiscovery discovery(options, &network);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No interface can carry the search")));
        const auto found = test::waitFor(discovery.discover());
        QVERIFY(!found.ok());
        QCOMPARE(found.error(), DiscoveryError::noNetwork());
    }

    void nobodyAnsweringIsAnEmptyList()
    {
        REQUIRE_PRIVATE_NAMESPACE();
        QNetworkAccessManager network;
        ReceiverDiscovery discovery(fastOptions(), &network);
        const auto found = test::waitFor(discovery.discover());
        QVERIFY(found.ok());
        QVERIFY(found->isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestReceiverDiscovery)
#include "tst_receiverdiscovery.moc"
