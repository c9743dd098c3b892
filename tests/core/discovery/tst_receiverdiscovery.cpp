// The whole discovery pipeline against in-process devices, inside a private network namespace whose loopback
// carries multicast: nothing here ever leaves the machine.

#include "core/discovery/ReceiverDiscovery.h"
#include "core/protocol/SharedNetworkAccess.h"

#include "../protocol/RawPeer.h"

#include "support/FakeLan.h"
#include "support/FakeReceiver.h"
#include "support/WaitFor.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>

#include <memory>

using namespace amplora;
using namespace std::chrono_literals;
using test::descriptionXML;
using test::deviceInfoPath;
using test::FakeReceiver;
using test::httpAnswer;
using test::RawPeer;
using test::ssdpAnswer;

namespace {

// Another machine on the network: loopback carries all of 127.0.0.0/8.
const QHostAddress strangerAddress(QStringLiteral("127.0.0.2"));

using Device = test::FakeDevice;
using Responder = test::SSDPResponder;

// An answer that never ends: the opening, then one more byte every 50 ms, never silent long enough for a transfer
// time-out.
std::unique_ptr<RawPeer> dripper(const QByteArray &opening = "<root>")
{
    return std::make_unique<RawPeer>(httpAnswer("text/xml", opening + QByteArray(1000000, ' ')), 50ms);
}

// Runs a discovery without waiting for it: the result lands in `out` when it comes.
QCoro::Task<> collect(
    QCoro::Task<ReceiverDiscovering::Receivers> task, std::optional<ReceiverDiscovering::Receivers> *out)
{
    out->emplace(co_await std::move(task));
}

// A receiver behind a router: only searches sent to it by unicast reach it.
const QHostAddress routedAddress(QStringLiteral("127.0.0.5"));

// What a probe is up against.
enum class Setup {
    answersSearch, // a unicast responder naming the receiver's own description
    answersSearchToName, // the same at 127.0.0.1, probed as "localhost"
    locationOnAnotherHost, // the responder names a description served by another machine
    otherMakersDescription,
    deviceInfoOnly, // no SSDP at all, but the receiver's control interface answers
    silentDeviceInfo, // no SSDP, and the control interface never answers
    noRoute,
    unresolvedName,
    notAHost,
};

// One probe with the loopback options, waited for.
QList<ProbeResult> probe(const QStringList &hosts)
{
    QNetworkAccessManager network;
    ReceiverDiscovery discovery(test::loopbackDiscoveryOptions(), &network);
    return test::waitFor(discovery.probe(hosts));
}

QCoro::Task<> collectProbe(QCoro::Task<QList<ProbeResult>> task, std::optional<QList<ProbeResult>> *out)
{
    out->emplace(co_await std::move(task));
}

// One search with the loopback options, waited for.
ReceiverDiscovering::Receivers discover()
{
    QNetworkAccessManager network;
    ReceiverDiscovery discovery(test::loopbackDiscoveryOptions(), &network);
    return test::waitFor(discovery.discover());
}

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
            ssdpAnswer(den10.location()),
            ssdpAnswer(den9.location(), "HTTP/1.1 200 OK", "Location"),
            ssdpAnswer(den9.location(QStringLiteral("MediaRenderer/desc.xml")), "HTTP/1.1 200 OK", "location"),
            ssdpAnswer(attic.location(), "http/1.1 200 ok"),
            ssdpAnswer(otherBrand.location()),
            ssdpAnswer(missing.location()),
            ssdpAnswer(silent.location()),
            ssdpAnswer(anonymous.location()),
            QByteArray("\xff\xfe garbage"),
        };
        const auto found = discover();
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

    // The device id is no secret: a second machine may claim it. The list shows the id once, and keeps the other
    // claimant where whoever would move to another address sees it.
    void anotherHostClaimingTheIdIsKeptBesideIt()
    {
        REQUIRE_PRIVATE_NAMESPACE();
        Device den, twin(QHostAddress(QStringLiteral("127.0.0.3")));
        den.describe(QStringLiteral("Den"), QStringLiteral("RX-A2A"), QStringLiteral("AAA"));
        twin.describe(QStringLiteral("Den"), QStringLiteral("RX-A2A"), QStringLiteral("AAA"));
        Responder responder;
        QVERIFY(responder.start());
        responder.answers = { ssdpAnswer(den.location()) };
        responder.answersFrom = { { twin.address(), ssdpAnswer(twin.location()) } };
        QTest::ignoreMessage(QtWarningMsg,
            QRegularExpression(QStringLiteral("^Device id AAA is claimed by 127\\.0\\.0\\.[13]:\\d+ and by "
                                              "127\\.0\\.0\\.[13]:\\d+$")));
        const auto found = discover();

        QVERIFY(found.ok());
        QCOMPARE(found->size(), 1);
        QStringList hosts = QStringList { found->first().host } + found->first().otherHosts;
        hosts.sort();
        QCOMPARE(hosts, (QStringList { den.server->host(), twin.server->host() }));
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
        responder.answers = { ssdpAnswer(attic.location()) };
        responder.answersFrom = { { strangerAddress,
            ssdpAnswer(strangerServesDescription ? stranger.base() + QStringLiteral("desc.xml") : den.location()) } };
        const auto found = discover();

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
            = { ssdpAnswer(dripsDeviceInfo ? hanging.location() : dripping->base() + QStringLiteral("desc.xml")),
                  ssdpAnswer(den.location()) };
        QNetworkAccessManager network;
        ReceiverDiscovery discovery(test::loopbackDiscoveryOptions(), &network);

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
        auto options = test::loopbackDiscoveryOptions();
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
        auto options = test::loopbackDiscoveryOptions();
        options.search.includeLoopback = false; // as on a real host: only loopback exists here
        ReceiverDiscovery discovery(options, &network);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No interface can carry the search")));
        const auto found = test::waitFor(discovery.discover());
        QVERIFY(!found.ok());
        QCOMPARE(found.error(), DiscoveryError::noNetwork());
    }

    // A probe reaches a receiver multicast does not, and trusts its answers no more than the search's.
    void probeFindsAHostByUnicastWithTheSearchsChecks_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<bool>("found");
        QTest::addColumn<DiscoveryError::Kind>("failure");
        QTest::addRow("unicast answer with its description") << Setup::answersSearch << true << DiscoveryError::Kind {};
        QTest::addRow("host name, found under the name")
            << Setup::answersSearchToName << true << DiscoveryError::Kind {};
        QTest::addRow("location on another host")
            << Setup::locationOnAnotherHost << false << DiscoveryError::Kind::noAnswer;
        QTest::addRow("another maker's description")
            << Setup::otherMakersDescription << false << DiscoveryError::Kind::noAnswer;
        QTest::addRow("no SSDP, device information answers")
            << Setup::deviceInfoOnly << true << DiscoveryError::Kind {};
        QTest::addRow("no SSDP, device information silent")
            << Setup::silentDeviceInfo << false << DiscoveryError::Kind::noAnswer;
        QTest::addRow("no route to the host") << Setup::noRoute << false << DiscoveryError::Kind::send;
        QTest::addRow("name that does not resolve")
            << Setup::unresolvedName << false << DiscoveryError::Kind::unresolved;
        QTest::addRow("not a host") << Setup::notAHost << false << DiscoveryError::Kind::badHost;
    }
    void probeFindsAHostByUnicastWithTheSearchsChecks()
    {
        REQUIRE_PRIVATE_NAMESPACE();
        QFETCH(Setup, setup);
        QFETCH(bool, found);
        QFETCH(DiscoveryError::Kind, failure);
        const bool byName = setup == Setup::answersSearchToName;
        Device den(byName ? QHostAddress(QHostAddress::LocalHost) : routedAddress);
        Device stranger(QHostAddress(QStringLiteral("127.0.0.6")));
        Responder responder;
        QString probed = den.address().toString();
        QString expectedHost = den.server->host();
        QString expectedName = QStringLiteral("Den");
        switch (setup) {
        case Setup::answersSearch:
        case Setup::answersSearchToName:
            den.describe(QStringLiteral("Den"), QStringLiteral("RX-A2A"), QStringLiteral("AAA"));
            responder.answers = { ssdpAnswer(den.location()) };
            if (byName) {
                probed = QStringLiteral("localhost");
                expectedHost = QStringLiteral("localhost:%1").arg(den.server->port());
            }
            break;
        case Setup::locationOnAnotherHost:
            stranger.describe(QStringLiteral("Den"), QStringLiteral("RX-A2A"), QStringLiteral("AAA"));
            responder.answers = { ssdpAnswer(stranger.location()) };
            break;
        case Setup::otherMakersDescription:
            den.describe(QStringLiteral("Den"), QStringLiteral("STR-DN1080"), QStringLiteral("DDD"),
                QStringLiteral("Sony Corporation"));
            responder.answers = { ssdpAnswer(den.location()) };
            break;
        case Setup::deviceInfoOnly:
            den.describe(QStringLiteral("unused"), QStringLiteral("RX-A2A"), QStringLiteral("AAA"));
            den.server->answer(
                QStringLiteral("system/getNetworkStatus"), R"({"response_code":0,"network_name":"Den"})");
            probed = den.server->host();
            break;
        case Setup::silentDeviceInfo:
            den.server->neverAnswer(QStringLiteral("system/getDeviceInfo"));
            probed = den.server->host();
            break;
        case Setup::noRoute:
            probed = QStringLiteral("10.233.9.9");
            break;
        case Setup::unresolvedName:
            // Nothing but loopback exists here: the system resolver's queries go nowhere.
            probed = QStringLiteral("no-such-receiver.invalid");
            break;
        case Setup::notAHost:
            probed = QStringLiteral("http://den/");
            break;
        }
        if (!responder.answers.isEmpty()) {
            QVERIFY(responder.startUnicastOnly(den.address()));
        }

        const QList<ProbeResult> results = probe({ probed });

        QCOMPARE(results.size(), 1);
        QCOMPARE(results.first().host, probed);
        const auto &receivers = results.first().receivers;
        QCOMPARE(receivers.ok(), found);
        if (found) {
            const QList<DiscoveredReceiver> expected {
                { expectedName, QStringLiteral("RX-A2A"), expectedHost, QStringLiteral("AAA") },
            };
            QCOMPARE(*receivers, expected);
        } else {
            QCOMPARE(receivers.error().kind(), failure);
        }
        // The same request as the search, to the host alone.
        if (!responder.answers.isEmpty()) {
            QCOMPARE(responder.searches, QList<QByteArray>(3, SSDPSearch::request()));
        }
        // Refused answers lead nowhere: the machine they name is never asked.
        QCOMPARE(stranger.server->requests().size(), 0);
        QCOMPARE(den.requestsFor(deviceInfoPath) > 0, found || setup == Setup::silentDeviceInfo);
    }

    // Hosts are probed side by side, each answering for itself in the order given, and the lot can be cancelled.
    void probesRunSideBySideAndCanBeCancelled()
    {
        REQUIRE_PRIVATE_NAMESPACE();
        Device den(routedAddress), silent(QHostAddress(QStringLiteral("127.0.0.7")));
        den.describe(QStringLiteral("Den"), QStringLiteral("RX-A2A"), QStringLiteral("AAA"));
        silent.server->neverAnswer(QStringLiteral("system/getDeviceInfo"));
        Responder responder;
        QVERIFY(responder.startUnicastOnly(den.address()));
        responder.answers = { ssdpAnswer(den.location()) };

        const QStringList hosts { silent.server->host(), den.address().toString() };
        const QList<ProbeResult> results = probe(hosts);
        QCOMPARE(results.size(), 2);
        QCOMPARE(results[0].host, hosts[0]);
        QCOMPARE(results[0].receivers.error(), DiscoveryError::noAnswer(hosts[0]));
        QCOMPARE(results[0].receivers.error().description(),
            QStringLiteral("Nothing answered at %1: no receiver there answered the search or its device "
                           "information.")
                .arg(hosts[0]));
        QCOMPARE(results[1].host, hosts[1]);
        QVERIFY(results[1].receivers.ok());
        QCOMPARE(results[1].receivers->first().deviceID, QStringLiteral("AAA"));

        QNetworkAccessManager network;
        auto options = test::loopbackDiscoveryOptions();
        options.search.timing = { 1000ms, 3, 100ms, 120s };
        ReceiverDiscovery discovery(options, &network);
        std::optional<QList<ProbeResult>> cancelled;
        auto task = collectProbe(discovery.probe(hosts), &cancelled);
        QTRY_VERIFY(!responder.searches.isEmpty());
        discovery.cancel();
        QTRY_VERIFY_WITH_TIMEOUT(cancelled.has_value(), 10000);
        QCOMPARE(cancelled->size(), 2);
        for (const ProbeResult &result : std::as_const(*cancelled)) {
            QCOMPARE(result.receivers.error(), DiscoveryError::cancelled());
        }
    }

    void nobodyAnsweringIsAnEmptyList()
    {
        REQUIRE_PRIVATE_NAMESPACE();
        const auto found = discover();
        QVERIFY(found.ok());
        QVERIFY(found->isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestReceiverDiscovery)
#include "tst_receiverdiscovery.moc"
