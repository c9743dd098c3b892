// Connection, discovery, recovery and the status line of the receiver store.

#include "StoreRig.h"
#include "qml/ConnectionModel.h"
#include "qml/DisplayText.h"
#include "support/WaitFor.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace amplora;
using namespace amplora::test;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(amplora::LaunchOptions)

namespace {

DiscoveredReceiver receiver(const QString &name, const QString &host, const QString &id)
{
    return { name, QStringLiteral("RX-V481"), host, id };
}

} // namespace

class TestReceiverStoreConnection : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void connectsAndPublishesEverything()
    {
        StoreRig rig;
        rig.settings->setDeviceID(QStringLiteral("AC44F2000001"));
        ConnectionModel shown(*rig.store);
        QSignalSpy statusLine(&shown, &ConnectionModel::statusLineChanged);
        rig.startConnected();

        QCOMPARE(rig.store->connection(), ConnectionState::connected());
        QCOMPARE(rig.store->state().deviceInfo()->modelName, QStringLiteral("RX-V481"));
        QCOMPARE(rig.store->availableZones(), (QList<Zone> { Zone::main, Zone::zone2 }));
        QCOMPARE(rig.store->networkName(), QStringLiteral("Den Receiver"));
        QCOMPARE(rig.store->state().playInfo()->track, QStringLiteral("Track"));
        QCOMPARE(rig.store->lastError(), std::nullopt);
        QCOMPARE(DisplayText::zoneTitle(*rig.store), QStringLiteral("Den \u00B7 RX-V481"));
        QCOMPARE(DisplayText::statusLine(*rig.store), QStringLiteral("Live \u00B7 polling"));
        QCOMPARE(rig.store->runningTasks(), 2);
        QCOMPARE(rig.current().registeredPorts().size(), 1);
        QCOMPARE(rig.store->eventPort(), rig.current().registeredPorts().first());
        // "Connecting…" was already the text before start(); only the real change is announced.
        QCOMPARE(statusLine.count(), 1);
    }

    // What the connection reads and what a failure of each costs: a zone without status is left out (both are
    // asked for when the features name none), only no zone at all fails the connection, and the network status
    // and what is playing are no load failures.
    void partialFailures_data()
    {
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<bool>("featuresNameZones");
        QTest::addColumn<QString>("connection"); // empty: connected
        QTest::addColumn<QString>("lastError");
        QTest::addColumn<QList<Zone>>("zones");

        const QString http = QStringLiteral(": The receiver answered with HTTP 500.");
        const QList<Zone> both { Zone::main, Zone::zone2 };
        QTest::addRow("features") << QStringList { QStringLiteral("system/getFeatures") } << true << QString()
                                  << (QStringLiteral("system/getFeatures") + http) << both;
        QTest::addRow("names and zone2")
            << QStringList { QStringLiteral("system/getNameText"), QStringLiteral("zone2/getStatus") } << true
            << QString() << (QStringLiteral("system/getNameText") + http + QStringLiteral("; zone2/getStatus") + http)
            << QList<Zone> { Zone::main };
        QTest::addRow("network status is not a load failure")
            << QStringList { QStringLiteral("system/getNetworkStatus"), QStringLiteral("netusb/getPlayInfo") } << true
            << QString() << QString() << both;
        QTest::addRow("features without zones, zone2 silent")
            << QStringList { QStringLiteral("zone2/getStatus") } << false << QString()
            << (QStringLiteral("zone2/getStatus") + http) << QList<Zone> { Zone::main };
        QTest::addRow("no zone answers") << QStringList { QStringLiteral("main/getStatus"),
            QStringLiteral("zone2/getStatus") }
                                         << true << QStringLiteral("Couldn\u2019t read getStatus: no usable zones")
                                         << QString() << QList<Zone> {};
    }

    void partialFailures()
    {
        QFETCH(QStringList, failing);
        QFETCH(bool, featuresNameZones);
        QFETCH(QString, connection);
        QFETCH(QString, lastError);
        QFETCH(QList<Zone>, zones);
        StoreRig rig;
        for (const QString &path : failing) {
            rig.transport->failOnly(path, YXCError::http(500));
        }
        if (!featuresNameZones) {
            Features noZones = sampleFeatures();
            noZones.zone.clear();
            rig.transport->answerOnly(QStringLiteral("system/getFeatures"), noZones);
        }
        rig.store->setSelectedZone(Zone::zone2);
        rig.startConnected();
        QCOMPARE(rig.store->connection(),
            connection.isEmpty() ? ConnectionState::connected() : ConnectionState::failed(connection));
        QCOMPARE(rig.store->lastError().value_or(QString()), lastError);
        QCOMPARE(rig.store->availableZones(), zones);
        QCOMPARE(rig.transport->count(QStringLiteral("zone2/getStatus")), 1);
        // The selection moves to a zone that has a status; polling goes on (and retries) in the background.
        QCOMPARE(
            rig.store->selectedZone(), zones.contains(Zone::zone2) || zones.isEmpty() ? Zone::zone2 : zones.first());
        QCOMPARE(rig.store->runningTasks(), 2);
    }

    void identityMismatch()
    {
        StoreRig rig;
        rig.settings->setDeviceID(QStringLiteral("SAVED"));
        rig.startConnected();
        QCOMPARE(DisplayText::statusLine(*rig.store),
            QStringLiteral("Offline: The saved address belongs to another receiver."));
        QCOMPARE(rig.store->state().deviceInfo(), std::nullopt);
        QCOMPARE(rig.settings->deviceID(), QStringLiteral("SAVED"));
        QCOMPARE(rig.discoveryRuns, 1); // recovery looked for the saved receiver
    }

    // The mock receiver accepts every command, so read-only mode has nothing to show there. Without an address
    // and with another receiver's identity saved, the mock mode neither scans nor refuses the receiver; its
    // demo list is the same at every scan, not only at the first.
    void mockModeBuildsTheMockReceiver_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addRow("mock") << false;
        QTest::addRow("mock and read-only") << true;
    }

    void mockModeBuildsTheMockReceiver()
    {
        QFETCH(bool, readOnly);
        StoreRig rig { QString() };
        rig.settings->setDeviceID(QStringLiteral("SAVED"));
        const auto store = rig.mockStore(LaunchOptions { .mock = true, .readOnly = readOnly });
        store->start();
        QCOMPARE(store->connection(), ConnectionState::connected());
        QCOMPARE(DisplayText::statusLine(*store), QStringLiteral("MOCK DATA  \u00B7  Live \u00B7 polling"));
        QVERIFY(store->state().deviceInfo()->modelName.has_value());
        QCOMPARE(rig.settings->host(), QString());
        QCOMPARE(rig.settings->deviceID(), QStringLiteral("SAVED"));
        store->scan();
        store->scan();
        QCOMPARE(store->foundReceivers().size(), 2);
    }

    void startWithoutAddress_data()
    {
        QTest::addColumn<QList<DiscoveredReceiver>>("found");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("connected");

        const auto den = receiver(QStringLiteral("Den"), QStringLiteral("10.0.0.5"), QStringLiteral("AC44F2000001"));
        const auto hall = receiver(QStringLiteral("Hall"), QStringLiteral("10.0.0.6"), QStringLiteral("X2"));
        QTest::addRow("one receiver is adopted") << QList { den } << QStringLiteral("Selected Den.") << true;
        QTest::addRow("blank address counts as none") << QList { den } << QStringLiteral("Selected Den.") << true;
        QTest::addRow("two receivers wait for a choice")
            << QList { den, hall } << QStringLiteral("Choose a receiver below.") << false;
        QTest::addRow("none found")
            << QList<DiscoveredReceiver> {}
            << QStringLiteral("No receivers found. Check that your receiver is on the same network, allow Local "
                              "Network access, or enter its IP address.")
            << false;
    }

    void startWithoutAddress()
    {
        QFETCH(QList<DiscoveredReceiver>, found);
        QFETCH(QString, message);
        QFETCH(bool, connected);
        StoreRig rig { QString::fromLatin1(QTest::currentDataTag()).startsWith(QLatin1String("blank"))
                ? QStringLiteral(" \t")
                : QString() };
        rig.discovered = found;
        rig.startConnected();

        QCOMPARE(rig.store->foundReceivers(), found);
        QCOMPARE(rig.store->discoveryMessage(), message);
        QCOMPARE(rig.store->needsReceiverSetup(), !connected);
        QCOMPARE(rig.store->isScanning(), false);
        if (connected) {
            QCOMPARE(rig.factoryHosts, QStringList { QStringLiteral("10.0.0.5") });
            QCOMPARE(rig.settings->deviceID(), QStringLiteral("AC44F2000001"));
            QCOMPARE(rig.store->connection(), ConnectionState::connected());
        } else {
            QCOMPARE(rig.store->connection(), ConnectionState::idle());
            QCOMPARE(rig.store->runningTasks(), 0);
        }
    }

    // A probed host's receiver joins the list and is chosen like a found one, unless the user has picked another
    // address while the probe ran.
    void probeOffersAndChooses_data()
    {
        QTest::addColumn<QList<DiscoveredReceiver>>("found"); // none: nothing answered
        QTest::addColumn<bool>("addressChangedMeanwhile");
        QTest::addColumn<QString>("host"); // saved afterwards
        QTest::addColumn<QString>("message");

        const auto den = receiver(QStringLiteral("Den"), QStringLiteral("den.lan"), QStringLiteral("AC44F2000001"));
        const auto hall = receiver(QStringLiteral("Hall"), QStringLiteral("den.lan:8080"), QStringLiteral("X2"));
        QTest::addRow("one receiver is chosen")
            << QList { den } << false << QStringLiteral("den.lan") << QStringLiteral("Selected Den.");
        QTest::addRow("two wait for a choice") << QList { den, hall } << false << QStringLiteral("192.168.1.20")
                                               << QStringLiteral("Choose a receiver below.");
        QTest::addRow("answer after the user moved on")
            << QList { den } << true << QStringLiteral("10.0.0.7") << QStringLiteral("Choose a receiver below.");
        QTest::addRow("nothing answered") << QList<DiscoveredReceiver> {} << false << QStringLiteral("192.168.1.20")
                                          << DiscoveryError::noAnswer(QStringLiteral("den.lan")).description();
    }
    void probeOffersAndChooses()
    {
        QFETCH(QList<DiscoveredReceiver>, found);
        QFETCH(bool, addressChangedMeanwhile);
        QFETCH(QString, host);
        QFETCH(QString, message);
        StoreRig rig;
        rig.discovered = QList { receiver(QStringLiteral("Attic"), QStringLiteral("10.0.0.9"), QStringLiteral("A9")) };
        rig.store->scan();
        rig.discovered = found;
        if (found.isEmpty()) {
            rig.discovered = Failure { DiscoveryError::noAnswer(QStringLiteral("den.lan")) };
        }
        if (addressChangedMeanwhile) {
            rig.discovery->whileProbing = [&rig] { rig.settings->setHost(QStringLiteral("10.0.0.7")); };
        }
        const bool chosen = test::waitFor(rig.store->probe(QStringLiteral("den.lan")));

        QCOMPARE(chosen, host == QStringLiteral("den.lan"));
        QCOMPARE(rig.settings->host(), host);
        QCOMPARE(rig.store->discoveryMessage(), message);
        QCOMPARE(rig.store->isScanning(), false);
        // What was found before stays listed beside what the probe found.
        QCOMPARE(rig.store->foundReceivers().size(), 1 + found.size());
    }

    void scanFailureText()
    {
        StoreRig rig;
        rig.discovered = Failure { DiscoveryError::noNetwork() };
        rig.store->scan();
        QVERIFY(rig.store->discoveryMessage()->startsWith(QStringLiteral("Could not scan: ")));
        QVERIFY(rig.store->discoveryMessage()->endsWith(
            DiscoveryError::noNetwork().description() + QStringLiteral(" You can enter an IP address instead.")));
        QVERIFY(rig.store->foundReceivers().isEmpty());
    }

    void recoveryAtMostEveryThirtySeconds()
    {
        StoreRig rig;
        rig.settings->setDeviceID(QStringLiteral("AC44F2000001"));
        rig.store->recoverAddress();
        rig.store->recoverAddress();
        QCOMPARE(rig.discoveryRuns, 1);
        rig.clock.advance(30s);
        rig.store->recoverAddress();
        QCOMPARE(rig.discoveryRuns, 1); // exactly 30 s is not enough
        rig.clock.advance(1ms);
        rig.store->recoverAddress();
        QCOMPARE(rig.discoveryRuns, 2);
    }

    // Where the move is said, and when another claimant keeps the receiver where it is, is tst_addressrecovery's
    // (against receivers on loopback); here, how long the store keeps saying it.
    void addressNoticeLasts_data()
    {
        QTest::addColumn<QStringList>("claimants");
        QTest::addRow("moved: until the user picks an address") << QStringList { QStringLiteral("10.0.0.9") };
        QTest::addRow("not moved: until the receiver answers")
            << QStringList { QStringLiteral("10.0.0.9"), QStringLiteral("10.0.0.8") };
    }

    void addressNoticeLasts()
    {
        QFETCH(QStringList, claimants);
        StoreRig rig(QStringLiteral("10.0.0.5"));
        rig.settings->setDeviceID(QStringLiteral("AC44F2000001"));
        DiscoveredReceiver claimed = receiver(QStringLiteral("Den"), claimants.first(), QStringLiteral("AC44F2000001"));
        claimed.otherHosts = claimants.mid(1);
        rig.discovered = QList { claimed };
        rig.transport->failOnly(
            QStringLiteral("system/getDeviceInfo"), YXCError::transport(QStringLiteral("Host unreachable")));
        const bool moved = claimants.size() == 1;
        if (!moved) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("each claim its id")));
        }
        rig.startConnected();
        const std::optional<QString> notice = rig.store->addressNotice();
        QVERIFY(notice);

        // The next search, 30 s on, finds the same and logs nothing new.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("each claim its id")));
        rig.clock.advance(32s);
        QCOMPARE(rig.store->addressNotice(), notice);
        if (moved) {
            rig.clock.advance(10min);
            QCOMPARE(rig.store->addressNotice(), notice);
            rig.store->useAddress(QStringLiteral("10.0.0.7"));
        } else {
            QCOMPARE(rig.discoveryRuns, 2);
            rig.transport->answerOnly(QStringLiteral("system/getDeviceInfo"), sampleDevice());
            rig.clock.advance(1500ms);
            QCOMPARE(rig.settings->host(), QStringLiteral("10.0.0.5"));
        }
        QCOMPARE(rig.store->connection(), ConnectionState::connected());
        QCOMPARE(rig.store->addressNotice(), std::nullopt);
        QCOMPARE(DisplayText::statusLine(*rig.store), QStringLiteral("Live \u00B7 polling"));
    }

    void useAddressForgetsIdentityAndReconnects()
    {
        StoreRig rig;
        rig.settings->setDeviceID(QStringLiteral("AC44F2000001"));
        rig.startConnected();
        rig.store->useAddress(QStringLiteral(" 10.0.0.7 "));
        QCOMPARE(rig.factoryHosts, QStringList { QStringLiteral(" 10.0.0.7 ") });
        QCOMPARE(rig.store->connection(), ConnectionState::connected());
        QCOMPARE(rig.settings->deviceID(), QStringLiteral("AC44F2000001")); // learnt again from the receiver
        QCOMPARE(rig.store->runningTasks(), 2); // the old loops ended, new ones run
    }

    void aNewerStartSupersedesOneStillConnecting()
    {
        StoreRig rig;
        rig.transport->answerOnly(QStringLiteral("system/getDeviceInfo"), sampleDevice(), ScriptedTransport::held);
        rig.transport->answer(QStringLiteral("system/getDeviceInfo"), sampleDevice());
        rig.store->start();
        rig.store->start();
        QCOMPARE(rig.store->connection(), ConnectionState::connected());
        const int statusReads = int(rig.transport->count(QStringLiteral("main/getStatus")));
        QVERIFY(rig.transport->release(QStringLiteral("system/getDeviceInfo")));
        // The first start saw that it was superseded: no second round of reads, no second pair of loops.
        QCOMPARE(rig.transport->count(QStringLiteral("main/getStatus")), statusReads);
        QCOMPARE(rig.store->runningTasks(), 2);
    }

    // The live and offline lines are checked where those states arise, in this file and the other store tests.
    void statusLine_data()
    {
        QTest::addColumn<LaunchOptions>("launch");
        QTest::addColumn<QString>("state"); // empty (not started), "connecting" or "connected"
        QTest::addColumn<QString>("expected");

        QTest::addRow("idle") << LaunchOptions {} << QString() << QStringLiteral("Connecting\u2026");
        QTest::addRow("connecting") << LaunchOptions {} << QStringLiteral("connecting")
                                    << QStringLiteral("Connecting\u2026");
        QTest::addRow("read-only") << LaunchOptions { .readOnly = true } << QStringLiteral("connected")
                                   << QStringLiteral("READ-ONLY  \u00B7  Live \u00B7 polling");
    }

    void statusLine()
    {
        QFETCH(LaunchOptions, launch);
        QFETCH(QString, state);
        QFETCH(QString, expected);
        StoreRig rig(QStringLiteral("192.168.1.20"), launch);
        rig.transport->setReadOnly(launch.readOnly);
        if (state == QStringLiteral("connecting")) {
            rig.transport->answerOnly(QStringLiteral("system/getDeviceInfo"), sampleDevice(), ScriptedTransport::held);
        }
        if (!state.isEmpty()) {
            rig.startConnected();
        }
        QCOMPARE(DisplayText::statusLine(*rig.store), expected);
        QCOMPARE(rig.store->connection().name(), state.isEmpty() ? QStringLiteral("idle") : state);
    }
};

QTEST_GUILESS_MAIN(TestReceiverStoreConnection)
#include "tst_receiverstore_connection.moc"
