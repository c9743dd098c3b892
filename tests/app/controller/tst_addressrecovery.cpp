// Address recovery end to end, inside a private network namespace: a store on real sockets whose saved receiver
// stops answering a poll, the real discovery searching for the saved device id among machines that each have an
// address of loopback, and the health the local API reports afterwards.

#include "core/discovery/ReceiverDiscovery.h"
#include "qml/DisplayText.h"
#include "support/FakeLan.h"

#include "../TableRows.h"
#include "../contract/DoorsRig.h"

#include <QNetworkAccessManager>
#include <QRegularExpression>

#include <memory>
#include <vector>

using namespace amplora;
using namespace amplora::test;
using namespace Qt::StringLiterals;

namespace {

const QString savedID = u"AC44F2000001"_s;
const QString maker = u"Yamaha Corporation"_s;
const QString controlURL = u"/YamahaExtendedControl/v1/"_s;

QString listed(const QStringList &hosts)
{
    return hosts.size() < 2 ? hosts.join(QString())
                            : hosts.first(hosts.size() - 1).join(u", "_s) + u" and "_s + hosts.last();
}

// A store over the real client and the real discovery, on a manual clock: time moves only when a test says so, so
// the polling loop stays asleep and each test drives the poll itself. The adapter answers for the local API.
struct Rig {
    QTemporaryDir dir;
    ManualClock clock;
    QNetworkAccessManager network;
    AppSettings settings;
    ReceiverStore store;
    app::ReceiverControlAdapter adapter;

    explicit Rig(const QString &host)
        : settings(std::make_unique<QSettings>(dir.filePath(u"a.conf"_s), QSettings::IniFormat))
        , store((settings.setHost(host), settings.setDeviceID(savedID), settings), LaunchOptions {}, parts())
        , adapter(store)
    { }

    ReceiverStoreParts parts()
    {
        ReceiverStoreParts parts;
        parts.discovery = std::make_unique<ReceiverDiscovery>(loopbackDiscoveryOptions(), &network);
        parts.transportFactory = [](const QString &host) { return std::make_shared<YXCClient>(host); };
        parts.clock = &clock;
        parts.eventBindAddress = QHostAddress(QHostAddress::LocalHost);
        parts.eventPort = 0;
        return parts;
    }

    QString healthReceiver() { return test::waitFor(adapter.health()).value().receiver; }
};

} // namespace

class TestAddressRecovery : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What the saved address does once its poll has failed: answers getDeviceInfo again (though not the search),
    // answers the search too, is gone, or answers as another receiver. What each other machine claiming the saved
    // id serves: a valid receiver's description, or a description the search must refuse (another maker, no
    // extended control, control sent to yet another machine that would answer with the id).
    void recovery_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QStringList>("claims");
        QTest::addColumn<QString>("outcome");

        row("saved host answers again", u"answers again"_s, QStringList { u"valid"_s }, u"kept"_s);
        row("saved host answers the search beside a claimant", u"answers the search"_s, QStringList { u"valid"_s },
            u"kept"_s);
        row("impostor of another maker", u"gone"_s, QStringList { u"other maker"_s }, u"kept"_s);
        row("impostor without the control interface", u"gone"_s, QStringList { u"other control URL"_s }, u"kept"_s);
        row("impostor sending control elsewhere", u"gone"_s, QStringList { u"control elsewhere"_s }, u"kept"_s);
        row("saved host gone, one valid claimant", u"gone"_s, QStringList { u"valid"_s }, u"moved"_s);
        row("saved address taken by another receiver", u"another receiver"_s, QStringList { u"valid"_s }, u"moved"_s);
        row("two valid claimants", u"gone"_s, QStringList { u"valid"_s, u"valid"_s }, u"refused"_s);
        row("two valid claimants, saved host answers again", u"answers again"_s, QStringList { u"valid"_s, u"valid"_s },
            u"kept"_s);
    }

    void recovery()
    {
        REQUIRE_PRIVATE_NAMESPACE();
        QFETCH(QString, saved);
        QFETCH(QStringList, claims);
        QFETCH(QString, outcome);

        auto home = std::make_unique<FakeDevice>(QHostAddress(u"127.0.0.2"_s));
        serveDoors(*home->server);
        home->describe(u"Den"_s, u"RX-V481"_s, savedID);
        const QString homeHost = home->server->host();
        Rig rig(homeHost);
        QCoro::waitFor(rig.store.start());
        QCOMPARE(rig.store.connection(), ConnectionState::connected());

        SSDPResponder responder;
        QVERIFY(responder.start());
        // Never in the search; a description elsewhere may point control at it, and it would answer with the id.
        FakeDevice elsewhere(QHostAddress(u"127.0.0.9"_s));
        serveDoors(*elsewhere.server);
        elsewhere.describe(u"Den"_s, u"RX-V481"_s, savedID);
        std::vector<FakeDevice> claimants;
        claimants.reserve(claims.size());
        QStringList valid;
        for (const QString &claim : claims) {
            FakeDevice &device = claimants.emplace_back(QHostAddress(u"127.0.0.%1"_s.arg(3 + claimants.size())));
            serveDoors(*device.server);
            if (claim == u"valid"_s) {
                device.describe(u"Den"_s, u"RX-V481"_s, savedID);
                valid << device.server->host();
            } else if (claim == u"other maker"_s) {
                device.describe(u"Den"_s, u"RX-V481"_s, savedID, u"Acme Audio"_s);
            } else if (claim == u"other control URL"_s) {
                device.describe(u"Den"_s, u"RX-V481"_s, savedID, maker, u"/YamahaExtendedControl/v2/"_s);
            } else {
                device.server->answer(u"/desc.xml"_s, descriptionXML(u"Den"_s, maker, controlURL, elsewhere.base()));
                device.server->answer(u"system/getDeviceInfo"_s, deviceInfoJSON(u"RX-V481"_s, savedID));
            }
            responder.answersFrom << std::pair { device.address(), ssdpAnswer(device.location()) };
        }
        valid.sort();

        if (saved == u"answers the search"_s) {
            responder.answersFrom << std::pair { home->address(), ssdpAnswer(home->location()) };
        }
        if (saved == u"gone"_s) {
            home.reset();
        } else {
            home->server->answer(u"main/getStatus"_s, R"({"response_code":0})", 500);
        }
        if (saved == u"another receiver"_s) {
            home->server->answer(u"system/getDeviceInfo"_s, deviceInfoJSON(u"R-N803"_s, u"AC44F2000999"_s));
        }

        // What is logged: whoever else claims the id, and what was decided.
        if (valid.size() + (saved == u"answers the search"_s ? 1 : 0) > 1) {
            QTest::ignoreMessage(QtWarningMsg,
                QRegularExpression(
                    u"^Device id %1 is claimed by 127\\.0\\.0\\.\\d:\\d+ and by 127\\.0\\.0\\.\\d:\\d+$"_s.arg(
                        savedID)));
        }
        QString notice;
        if (outcome == u"moved"_s) {
            QTest::ignoreMessage(QtInfoMsg,
                qPrintable(u"Receiver moved from %1 to %2 (device id %3); %2 is saved"_s.arg(
                    homeHost, valid.first(), savedID)));
            notice = u"Receiver moved from %1 to %2."_s.arg(homeHost, valid.first());
        } else if (outcome == u"refused"_s) {
            QTest::ignoreMessage(QtWarningMsg,
                qPrintable(u"The receiver (device id %1) does not answer at %2, and %3 each claim its id: not moved, "
                           "the user chooses"_s.arg(savedID, homeHost, listed(valid))));
            notice = u"Receiver not moved: %1 both claim to be it."_s.arg(listed(valid));
        } else if (!valid.isEmpty()) {
            const QString why = saved == u"answers again"_s
                ? u"The receiver answers at %1 again"_s.arg(homeHost)
                : u"The receiver still answers the search at %1"_s.arg(homeHost);
            QTest::ignoreMessage(
                QtInfoMsg, qPrintable(why + u"; not moved to %1, also claiming its id"_s.arg(listed(valid))));
        }

        const Result<Done, StoreError> polled = test::waitFor(rig.store.poll(rig.clock.now()));
        QVERIFY(!polled);
        QCOMPARE(responder.searches.size(), 3); // recovery searched once

        const QString inUse = outcome == u"moved"_s ? valid.first() : homeHost;
        QCOMPARE(rig.settings.host(), inUse);
        QCOMPARE(rig.settings.deviceID(), savedID);
        QCOMPARE(rig.store.transportHost(), inUse);
        QCOMPARE(rig.healthReceiver(), inUse);
        QCOMPARE(rig.store.addressNotice().value_or(QString()), notice);
        if (!notice.isEmpty()) {
            QVERIFY2(DisplayText::statusLine(rig.store).endsWith(u"  \u00B7  "_s + notice),
                qPrintable(DisplayText::statusLine(rig.store)));
        }
        if (outcome == u"moved"_s) {
            QCOMPARE(rig.store.connection(), ConnectionState::connected());
            QCOMPARE(claimants.front().requestsFor(u"/YamahaExtendedControl/v1/main/getStatus"_s), 1);
        } else {
            QCOMPARE(rig.store.connection().name(), u"failed"_s);
        }
        // The decoys were never asked who they are, and neither was the machine one of them sent control to.
        for (qsizetype i = 0; i < claims.size(); ++i) {
            if (claims.at(i) != u"valid"_s) {
                QCOMPARE(claimants.at(size_t(i)).requestsFor(deviceInfoPath), 0);
            }
        }
        QCOMPARE(elsewhere.requestsFor(deviceInfoPath), 0);

        // Another failure within the spacing searches no more; the decision stands.
        QCoro::waitFor(rig.store.recoverAddress());
        QCOMPARE(responder.searches.size(), 3);
        QCOMPARE(rig.settings.host(), inUse);
    }
};

QTEST_GUILESS_MAIN(TestAddressRecovery)
#include "tst_addressrecovery.moc"
