#include "api/auth/InMemoryTokenStore.h"
#include "api/server/ReceiverAPIServer.h"

#include <QProcess>
#include <QTest>

#include "RawClient.h"
#include "support/WaitFor.h"

using namespace amplora;
using namespace amplora::api;
using namespace Qt::StringLiterals;

namespace {

// An address of this (private) network namespace that is not a loopback address.
const QHostAddress kOtherAddress(u"10.77.0.1"_s);

QCoro::Task<HTTPResponse> ok(HTTPRequest)
{
    co_return HTTPResponse::json(200, JSONValue::Object { { u"ok"_s, true } });
}

// What a client gets from `host`: the whole answer, or nothing when the connection is refused or dropped.
QByteArray fetch(const QHostAddress &host, quint16 port)
{
    return test::RawClient::exchange(port, "GET /api/v1/status HTTP/1.1\r\n\r\n", host);
}

} // namespace

// Runs in a private network namespace (label netns), where it may give loopback a second, ordinary address.
class TestServerBinding : public QObject {
    Q_OBJECT

    std::unique_ptr<ReceiverAPIServer> makeServer()
    {
        ReceiverAPIConfiguration configuration;
        configuration.port = 0;
        return std::make_unique<ReceiverAPIServer>(configuration, std::make_shared<InMemoryTokenStore>(u"t"_s),
            [](std::shared_ptr<TokenAuthenticator>) -> RequestHandler {
                return [](HTTPRequest request, Cancellation) { return ok(std::move(request)); };
            });
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsSet("AMPLORA_NO_NETNS"))
            QSKIP("Network namespaces are not permitted here; the binding test needs one");
        QProcess ip;
        ip.start(u"ip"_s, { u"addr"_s, u"add"_s, kOtherAddress.toString() + u"/32"_s, u"dev"_s, u"lo"_s });
        QVERIFY(ip.waitForFinished(5000));
        QCOMPARE(ip.exitCode(), 0);
    }

    void otherAddressesOnlyWhenNotLocalhostOnly_data()
    {
        QTest::addColumn<bool>("localhostOnly");
        QTest::addRow("localhost only") << true;
        QTest::addRow("every interface") << false;
    }
    void otherAddressesOnlyWhenNotLocalhostOnly()
    {
        QFETCH(bool, localhostOnly);
        auto server = makeServer();
        const auto port = amplora::test::waitFor(server->start(0, localhostOnly));
        QVERIFY(port);
        QVERIFY(fetch(QHostAddress::LocalHost, port.value()).startsWith("HTTP/1.1 200 OK"));
        const QByteArray other = fetch(kOtherAddress, port.value());
        QVERIFY2(localhostOnly ? other.isEmpty() : other.startsWith("HTTP/1.1 200 OK"), other.constData());
    }
};

QTEST_GUILESS_MAIN(TestServerBinding)
#include "tst_serverbinding.moc"
