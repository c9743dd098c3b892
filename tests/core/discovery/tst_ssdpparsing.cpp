#include "core/discovery/DeviceDescription.h"
#include "core/discovery/DiscoveredReceiver.h"
#include "core/discovery/HostAddress.h"
#include "core/discovery/SSDPSearch.h"

#include "support/Fixtures.h"

#include <QTest>

using namespace amplora;

namespace {

QByteArray crlf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

QByteArray descriptionXML(const QByteArray &manufacturer, const QByteArray &controlURL, const QByteArray &urlBase,
    const QByteArray &friendlyName = "<friendlyName>Living Room</friendlyName>")
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<root xmlns="urn:schemas-upnp-org:device-1-0" xmlns:yamaha="urn:schemas-yamaha-com:device-1-0">
  <specVersion><major>1</major><minor>0</minor></specVersion>
  <device><deviceType>urn:schemas-upnp-org:device:MediaRenderer:1</deviceType>
    )" + friendlyName
        + "<manufacturer>" + manufacturer + R"(</manufacturer>
    <modelName>RX-S601D</modelName><modelDescription>MusicCast</modelDescription></device>
  <yamaha:X_device><yamaha:X_URLBase>)"
        + urlBase + R"(</yamaha:X_URLBase>
    <yamaha:X_serviceList><yamaha:X_service><yamaha:X_yxcControlURL>)"
        + controlURL + R"(</yamaha:X_yxcControlURL>
      <yamaha:X_yxcVersion>1918    </yamaha:X_yxcVersion></yamaha:X_service></yamaha:X_serviceList>
  </yamaha:X_device>
</root>
)";
}

} // namespace

class TestSSDPParsing : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void requestIsExact()
    {
        QCOMPARE(SSDPSearch::request(),
            QByteArray("M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nMAN: "
                       "\"ssdp:discover\"\r\nMX: 1\r\nST: "
                       "urn:schemas-upnp-org:device:MediaRenderer:1\r\n\r\n"));
    }

    void location_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("expected"); // empty: no URL
        const QString desc = QStringLiteral("http://192.168.1.40:49154/MediaRenderer/desc.xml");
        const QByteArray answer = test::fixture(QStringLiteral("av-receiver/ssdp_msearch_response.txt"));
        QTest::addRow("receiver answer, LF only") << answer << desc;
        QTest::addRow("receiver answer, CRLF") << crlf(answer + "\n") << desc;
        QTest::addRow("lower-case status line and header")
            << crlf("http/1.1 200 ok\nlocation: http://10.0.0.5/desc.xml\n\n")
            << QStringLiteral("http://10.0.0.5/desc.xml");
        QTest::addRow("upper-case header, padded value")
            << crlf("HTTP/1.1 200 OK\nEXT:\nLOCATION:    http://10.0.0.5:80/d.xml   \n\n")
            << QStringLiteral("http://10.0.0.5:80/d.xml");
        QTest::addRow("space before the colon")
            << crlf("HTTP/1.1 200 OK\nLocation : http://10.0.0.5/d.xml\n") << QStringLiteral("http://10.0.0.5/d.xml");
        QTest::addRow("404 status") << crlf("HTTP/1.1 404 Not Found\nLocation: http://10.0.0.5/d.xml\n") << QString();
        QTest::addRow("NOTIFY message") << crlf("NOTIFY * HTTP/1.1\nLocation: http://10.0.0.5/d.xml\nNTS: ssdp:alive\n")
                                        << QString();
        QTest::addRow("https location") << crlf("HTTP/1.1 200 OK\nLocation: https://10.0.0.5/d.xml\n") << QString();
        QTest::addRow("location with user and password")
            << crlf("HTTP/1.1 200 OK\nLocation: http://a:b@10.0.0.5/d.xml\n") << QString();
        QTest::addRow("location without host") << crlf("HTTP/1.1 200 OK\nLocation: http:///d.xml\n") << QString();
        QTest::addRow("relative location") << crlf("HTTP/1.1 200 OK\nLocation: /d.xml\n") << QString();
        QTest::addRow("first usable location wins") << crlf(
            "HTTP/1.1 200 OK\nLocation: ftp://10.0.0.1/x\nLocation: http://10.0.0.2/a\nLocation: "
            "http://10.0.0.3/b\n") << QStringLiteral("http://10.0.0.2/a");
        QTest::addRow("no location header") << crlf("HTTP/1.1 200 OK\nST: upnp:rootdevice\n") << QString();
        QTest::addRow("not UTF-8") << QByteArray("HTTP/1.1 200 OK\r\nLocation: http://10.0.0.5/\xff\r\n") << QString();
        QTest::addRow("empty") << QByteArray() << QString();
    }
    void location()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QString, expected);
        const auto url = SSDPSearch::locationURL(datagram);
        QCOMPARE(url ? url->toString() : QString(), expected);
    }

    void description_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("name"); // empty: device skipped
        QTest::addColumn<QString>("host");
        const QByteArray control = "/YamahaExtendedControl/v1/";
        QTest::addRow("receiver with explicit port 80")
            << descriptionXML("Yamaha Corporation", control, "http://192.168.1.70:80/") << QStringLiteral("Living Room")
            << QStringLiteral("192.168.1.70");
        QTest::addRow("other port kept with the host")
            << descriptionXML("Yamaha Corporation", control, "http://127.0.0.2:8080/") << QStringLiteral("Living Room")
            << QStringLiteral("127.0.0.2:8080");
        QTest::addRow("manufacturer in any case") << descriptionXML("YAMAHA CORP", control, "http://10.0.0.1/")
                                                  << QStringLiteral("Living Room") << QStringLiteral("10.0.0.1");
        QTest::addRow("padded texts are trimmed") << descriptionXML("\n   Yamaha Corporation  \n",
            "  /YamahaExtendedControl/v1/\n", " http://10.0.0.1/ ", "<friendlyName>\n  Den  \n</friendlyName>")
                                                  << QStringLiteral("Den") << QStringLiteral("10.0.0.1");
        QTest::addRow("missing friendly name gives the host")
            << descriptionXML("Yamaha Corporation", control, "http://10.0.0.1/", "") << QStringLiteral("10.0.0.1")
            << QStringLiteral("10.0.0.1");
        QTest::addRow("another brand") << descriptionXML("Sony Corporation", control, "http://10.0.0.1/") << QString()
                                       << QString();
        QTest::addRow("control URL one character longer")
            << descriptionXML("Yamaha Corporation", "/YamahaExtendedControl/v1/x", "http://10.0.0.1/") << QString()
            << QString();
        QTest::addRow("https URL base") << descriptionXML("Yamaha Corporation", control, "https://10.0.0.1/")
                                        << QString() << QString();
        QTest::addRow("URL base without host")
            << descriptionXML("Yamaha Corporation", control, "http:///") << QString() << QString();
        QTest::addRow("maker elements without the maker namespace")
            << QByteArray("<root><manufacturer>Yamaha</manufacturer><X_URLBase>http://10.0.0.1/</X_URLBase>"
                          "<X_yxcControlURL>/YamahaExtendedControl/v1/</X_yxcControlURL></root>")
            << QString() << QString();
        QTest::addRow("truncated XML") << descriptionXML("Yamaha Corporation", control, "http://10.0.0.1/").left(600)
                                       << QString() << QString();
        // "Küche" in Latin-1: the ü is no UTF-8.
        const QByteArray latin1Name = descriptionXML("Yamaha Corporation", control, "http://10.0.0.1/",
            "<friendlyName>K\xFC"
            "che</friendlyName>");
        const QString replaced = QStringLiteral("K\uFFFDche");
        QTest::addRow("invalid UTF-8 byte in the name") << latin1Name << replaced << QStringLiteral("10.0.0.1");
        QTest::addRow("invalid UTF-8 byte, no declaration")
            << QByteArray(latin1Name).replace(R"(<?xml version="1.0" encoding="utf-8"?>)", "") << replaced
            << QStringLiteral("10.0.0.1");
        QTest::addRow("invalid UTF-8 byte after a byte order mark")
            << "\xEF\xBB\xBF" + latin1Name << replaced << QStringLiteral("10.0.0.1");
        QTest::addRow("declared Latin-1 is read as Latin-1")
            << QByteArray(latin1Name).replace(R"(encoding="utf-8")", R"(encoding='ISO-8859-1')")
            << QStringLiteral("K\u00FCche") << QStringLiteral("10.0.0.1");
        QTest::addRow("IPv4-mapped URL base as the IPv4 address")
            << descriptionXML("Yamaha Corporation", control, "http://[::ffff:10.0.0.1]:8080/")
            << QStringLiteral("Living Room") << QStringLiteral("10.0.0.1:8080");
        QTest::addRow("not XML") << QByteArray("{\"response_code\":0}") << QString() << QString();
        QTest::addRow("entity bomb") << QByteArray(R"(<?xml version="1.0"?><!DOCTYPE r [<!ENTITY a "aaaaaaaaaa">
            <!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;"><!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">
            <!ENTITY d "&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;"><!ENTITY e "&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;">
            <!ENTITY f "&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;"><!ENTITY g "&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;">]>
            <root><manufacturer>&g;</manufacturer></root>)")
                                     << QString() << QString();
    }
    void description()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, name);
        QFETCH(QString, host);
        const auto parsed = DeviceDescription::parse(xml);
        QCOMPARE(parsed.has_value(), !name.isEmpty());
        if (parsed) {
            QCOMPARE(parsed->name, name);
            QCOMPARE(parsed->host, host);
        }
    }

    void servedFrom_data()
    {
        QTest::addColumn<QByteArray>("urlBase");
        QTest::addColumn<QUrl>("location");
        QTest::addColumn<bool>("served");
        const QUrl location(QStringLiteral("http://192.168.1.70:49154/MediaRenderer/desc.xml"));
        QTest::addRow("same host, another port") << QByteArray("http://192.168.1.70:80/") << location << true;
        QTest::addRow("IPv4-mapped form of the host")
            << QByteArray("http://[::ffff:192.168.1.70]/") << location << true;
        QTest::addRow("another host") << QByteArray("http://192.168.1.71/") << location << false;
        QTest::addRow("names are not addresses") << QByteArray("http://receiver.local/")
                                                 << QUrl(QStringLiteral("http://receiver.local:49154/d.xml")) << false;
    }
    void servedFrom()
    {
        QFETCH(QByteArray, urlBase);
        QFETCH(QUrl, location);
        QFETCH(bool, served);
        const auto parsed
            = DeviceDescription::parse(descriptionXML("Yamaha Corporation", "/YamahaExtendedControl/v1/", urlBase));
        QVERIFY(parsed);
        QCOMPARE(parsed->isServedFrom(location), served);
    }

    void interfaces_data()
    {
        using F = QNetworkInterface::InterfaceFlag;
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("hasIPv4");
        QTest::addColumn<bool>("includeLoopback");
        QTest::addColumn<bool>("usable");
        const int wifi = F::IsUp | F::IsRunning | F::CanBroadcast | F::CanMulticast;
        QTest::addRow("wi-fi") << wifi << true << false << true;
        QTest::addRow("wi-fi without IPv4") << wifi << false << false << false;
        QTest::addRow("cable unplugged") << int(F::IsUp | F::CanMulticast) << true << false << false;
        QTest::addRow("interface down") << int(F::IsRunning | F::CanMulticast) << true << false << false;
        QTest::addRow("VPN tunnel without multicast")
            << int(F::IsUp | F::IsRunning | F::IsPointToPoint) << true << false << false;
        QTest::addRow("VPN tunnel with multicast")
            << int(F::IsUp | F::IsRunning | F::IsPointToPoint | F::CanMulticast) << true << false << true;
        QTest::addRow("loopback skipped") << int(F::IsUp | F::IsRunning | F::IsLoopBack) << true << false << false;
        QTest::addRow("loopback when asked") << int(F::IsUp | F::IsRunning | F::IsLoopBack) << true << true << true;
    }
    void interfaces()
    {
        QFETCH(int, flags);
        QFETCH(bool, hasIPv4);
        QFETCH(bool, includeLoopback);
        QFETCH(bool, usable);
        const SSDPSearch::InterfaceFacts facts { QStringLiteral("x"), QNetworkInterface::InterfaceFlags(flags),
            hasIPv4 };
        QCOMPARE(SSDPSearch::isUsable(facts, includeLoopback), usable);
    }

    void sorting_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("expected");
        for (const QString &locale : { QStringLiteral("C"), QStringLiteral("en_US"), QStringLiteral("de_DE") }) {
            QTest::addRow("numbers by value, %s", qPrintable(locale))
                << locale
                << QStringList { QStringLiteral("Den 10"), QStringLiteral("Den 9"), QStringLiteral("Den 009a") }
                << QStringList { QStringLiteral("Den 9"), QStringLiteral("Den 009a"), QStringLiteral("Den 10") };
            QTest::addRow("case-insensitive, %s", qPrintable(locale))
                << locale
                << QStringList { QStringLiteral("Living Room"), QStringLiteral("attic"), QStringLiteral("Bar") }
                << QStringList { QStringLiteral("attic"), QStringLiteral("Bar"), QStringLiteral("Living Room") };
        }
    }
    void sorting()
    {
        QFETCH(QString, locale);
        QFETCH(QStringList, names);
        QFETCH(QStringList, expected);
        QList<DiscoveredReceiver> receivers;
        for (const auto &name : names) {
            receivers << DiscoveredReceiver { name, QStringLiteral("RX-V481"), QStringLiteral("10.0.0.1"), name };
        }
        sortForDisplay(receivers, QLocale(locale));
        QStringList sorted;
        for (const auto &receiver : receivers) {
            sorted << receiver.name;
        }
        QCOMPARE(sorted, expected);
    }

    // What the address field and the probe take: accepted texts give the host to connect to, refused ones the
    // reason (an empty expectation) and nothing else.
    void receiverHost_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("connectTo"); // empty: refused
        QTest::addColumn<bool>("isName");
        const auto accept = [](const char *row, const char *text, const char *host, bool isName) {
            QTest::addRow("%s", row) << QString::fromUtf8(text) << QString::fromUtf8(host) << isName;
        };
        const auto refuse = [](const char *row, const char *text) {
            QTest::addRow("%s", row) << QString::fromUtf8(text) << QString() << false;
        };
        accept("IPv4", "192.168.1.20", "192.168.1.20", false);
        accept("IPv4 with port and blanks around", " 192.168.1.20:8080 ", "192.168.1.20:8080", false);
        accept("IPv6", "fe80::1", "fe80::1", false);
        accept("IPv6 in brackets with port", "[fe80::1]:80", "[fe80::1]:80", false);
        accept("single label", "receiver", "receiver", true);
        accept("mDNS name", "av-receiver.local", "av-receiver.local", true);
        accept("trailing dot", "den.example.com.", "den.example.com", true);
        accept("digits in labels", "rx-v6a-2.lan:80", "rx-v6a-2.lan:80", true);
        accept("international name", "wohnzimmer-k\u00FCche.local", "wohnzimmer-k\u00FCche.local", true);
        refuse("empty", "  ");
        refuse("blank inside", "den receiver");
        refuse("control character", "den\x07.local");
        refuse("scheme", "http://192.168.1.20");
        refuse("path", "192.168.1.20/YamahaExtendedControl");
        refuse("user information", "admin@192.168.1.20");
        refuse("port zero", "192.168.1.20:0");
        refuse("port out of range", "den.local:65536");
        refuse("port not a number", "den.local:http");
        refuse("empty port", "den.local:");
        refuse("label starting with a hyphen", "-den.local");
        refuse("empty label", "den..local");
        refuse("label longer than 63", "a123456789a123456789a123456789a123456789a123456789a123456789abcd.local");
        refuse("underscore", "den_receiver.local");
        refuse("incomplete IPv4", "192.168.1");
        refuse("IPv4 out of range", "192.168.1.300");
        refuse("IPv6 with a port outside brackets", "fe80::1:80x");
        refuse("brackets around IPv4", "[192.168.1.20]");
    }
    void receiverHost()
    {
        QFETCH(QString, text);
        QFETCH(QString, connectTo);
        const auto host = ReceiverHost::parse(text);
        if (connectTo.isEmpty()) {
            QVERIFY(!host.ok());
            QCOMPARE(host.error().kind(), DiscoveryError::Kind::badHost);
            QVERIFY2(host.error().description().startsWith(u'"' + text + QStringLiteral("\" is not a receiver")),
                qPrintable(host.error().description()));
            return;
        }
        QVERIFY2(host.ok(), qPrintable(host.ok() ? QString() : host.error().description()));
        QCOMPARE(host->text(), connectTo);
        QTEST(host->isName(), "isName");
    }

    void sortKeyUsesModelAndHostAfterTheName()
    {
        QList<DiscoveredReceiver> receivers { { QStringLiteral("Den"), QStringLiteral("RX-V6A"),
                                                  QStringLiteral("10.0.0.9"), QStringLiteral("b") },
            { QStringLiteral("Den"), QStringLiteral("RX-V6A"), QStringLiteral("10.0.0.10"), QStringLiteral("c") },
            { QStringLiteral("Den"), QStringLiteral("RX-A2A"), QStringLiteral("10.0.0.99"), QStringLiteral("a") } };
        sortForDisplay(receivers);
        QCOMPARE(receivers[0].deviceID, QStringLiteral("a"));
        QCOMPARE(receivers[1].deviceID, QStringLiteral("b"));
        QCOMPARE(receivers[2].deviceID, QStringLiteral("c"));
        QCOMPARE(receivers[0].label(), QStringLiteral("Den \u00B7 RX-A2A \u00B7 10.0.0.99"));
    }
};

QTEST_GUILESS_MAIN(TestSSDPParsing)
#include "tst_ssdpparsing.moc"
