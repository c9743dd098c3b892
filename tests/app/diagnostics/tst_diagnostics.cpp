// The diagnostics bundle: what redaction removes and keeps, and the bundle for a fake receiver unpacked by tar and
// searched for anything that identifies the user's network.

#include "app/cli/DiagnosticsCommand.h"
#include "app/diagnostics/DiagnosticsBundle.h"
#include "app/diagnostics/RecentLines.h"
#include "app/diagnostics/Redaction.h"
#include "core/protocol/YXCClient.h"

#include "support/FakeReceiver.h"

#include "../TableRows.h"

#include <QCoroTask>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using amplora::diagnostics::BundleFile;
using amplora::diagnostics::BundleItem;
using amplora::diagnostics::RedactionContext;
using amplora::test::FakeReceiver;
using amplora::test::row;
using namespace Qt::StringLiterals;

namespace {

const QString token = u"Zq8vT0kenXy31aBcD9"_s;
const QString deviceId = u"AC44F2851234"_s;

// What the fake receiver serves, each holding something to hide; the receiver's own address is 127.0.0.1.
const QList<std::pair<QString, QByteArray>> answers {
    { u"system/getDeviceInfo"_s,
        R"({"response_code":0,"model_name":"RX-V6A/EU","device_id":"AC44F2851234","serial_number":"Y441234AB","system_version":2.87})" },
    { u"system/getFeatures"_s,
        R"({"response_code":0,"zone":[{"id":"main"},{"id":"zone2"}],"netusb":{"preset":{"num":40}},)"
        R"("tuner":{"func_list":["fm","dab"]},"distribution":{"server_zone_list":["main"]}})" },
    { u"system/getNetworkStatus"_s,
        R"({"response_code":0,"network_name":"RX-V6A AC44F2","connection":"wireless_lan","ip_address":"127.0.0.1",)"
        R"("subnet_mask":"255.255.255.0","default_gateway":"192.168.1.1","dns_server_2":"fd00::1",)"
        R"("wireless_lan":{"ssid":"Hausnetz M\u00fcller","type":"wpa2-psk","key":"","ch":6},)"
        R"("wireless_direct":{"type":"none","ssid":"RX-V6A direct"},)"
        R"("mac_address":{"wired_lan":"AC44F2851235","wireless_lan":"AC44F2851236","wireless_direct":"AC44F2851237"}})" },
    { u"system/getNameText"_s, R"({"response_code":0,"zone_list":[{"id":"main","text":"Living room"}]})" },
    { u"main/getStatus"_s, R"({"response_code":0,"power":"on","input":"net_radio","volume":80})" },
    { u"main/getSignalInfo"_s, R"({"response_code":0,"audio":{"format":"PCM","fs":"48 kHz"}})" },
    { u"zone2/getStatus"_s, R"({"response_code":0,"power":"standby"})" },
    { u"zone2/getSignalInfo"_s, R"({"response_code":0,"audio":{"format":"","fs":""}})" },
    { u"netusb/getPlayInfo"_s,
        R"({"response_code":0,"input":"server","artist":"Kraftwerk","albumart_url":"http://192.168.1.50:9000/a.jpg"})" },
    { u"netusb/getPresetInfo"_s, R"({"response_code":0,"preset_info":[{"input":"net_radio","text":"FIP"}]})" },
    { u"dist/getDistributionInfo"_s,
        R"({"response_code":0,"group_id":"9a2b","group_name":"Kitchen","role":"server",)"
        R"("client_list":[{"ip_address":"192.168.1.23","data_type":"base"}]})" },
    { u"tuner/getPlayInfo"_s, R"({"response_code":0,"band":"fm","fm":{"preset":3,"freq":98100,"tuned":true}})" },
    { u"tuner/getPresetInfo"_s, R"({"response_code":0,"preset_info":[{"band":"fm","number":98100}]})" },
};

// Everything that must not be found anywhere in a bundle made from the answers above.
const QStringList hidden { token, deviceId, u"ac44f2851234"_s, u"AC:44:F2:85:12:35"_s, u"AC44F2851235"_s,
    u"AC44F2851236"_s, u"AC44F2851237"_s, u"Y441234AB"_s, u"Hausnetz M\\u00fcller"_s, u"RX-V6A direct"_s,
    u"192.168.1.1"_s, u"192.168.1.23"_s, u"192.168.1.50"_s, u"fd00::1"_s, u"255.255.255.0"_s };

// The whole unpacked tree, names and contents, as one text to search.
QString unpackedText(const QString &archive, const QString &into)
{
    QProcess tar;
    tar.start(u"tar"_s, { u"-xzf"_s, archive, u"-C"_s, into });
    if (!tar.waitForFinished() || tar.exitCode() != 0) {
        return u"tar failed: "_s + QString::fromUtf8(tar.readAllStandardError());
    }
    QString text;
    QDirIterator files(into, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        text += file.fileName() + u'\n';
        if (file.open(QIODevice::ReadOnly)) {
            text += QString::fromUtf8(file.readAll()) + u'\n';
        }
    }
    return text;
}

QByteArray unpackedFile(const QString &root, const QString &name)
{
    QDirIterator files(root, { name }, QDir::Files, QDirIterator::Subdirectories);
    if (!files.hasNext()) {
        return {};
    }
    QFile file(files.next());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The served answer as a pattern in which each hidden value may stand as any placeholder, and nothing else changed.
QRegularExpression servedApartFromRedaction(const QByteArray &served)
{
    QString pattern = QRegularExpression::escape(QString::fromUtf8(served));
    QStringList sorted = hidden;
    std::ranges::sort(sorted, [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &value : std::as_const(sorted)) {
        pattern.replace(QRegularExpression::escape(value), u"<(?:[a-z-]+-\\d+|token)>"_s);
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}

QList<BundleFile> filesOf(const QStringList &namesAndContents)
{
    QList<BundleFile> files;
    for (qsizetype i = 0; i + 1 < namesAndContents.size(); i += 2) {
        files.append({ namesAndContents.at(i), namesAndContents.at(i + 1).toUtf8() });
    }
    return files;
}

using Written = amplora::Result<amplora::diagnostics::WrittenBundle, amplora::diagnostics::DiagnosticsError>;

// QCoro::waitFor needs an answer it can default-construct.
QCoro::Task<std::optional<Written>> make(amplora::diagnostics::BundleRequest request)
{
    auto written = co_await amplora::diagnostics::makeBundle(std::move(request));
    co_return std::optional<Written>(std::move(written));
}

using RawAnswer = amplora::Result<QByteArray, amplora::YXCError>;

QCoro::Task<std::optional<RawAnswer>> rawRead(QString host, QString path, amplora::YXCCommand::QueryItems query)
{
    amplora::YXCClient client(host);
    auto answer = co_await client.fetchRaw(std::move(path), std::move(query), amplora::Cancellation());
    co_return std::optional<RawAnswer>(std::move(answer));
}

} // namespace

class TestDiagnostics : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void redaction_data()
    {
        QTest::addColumn<QStringList>("files"); // name, contents, name, contents...
        QTest::addColumn<QString>("receiver");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("summary");

        const QString none;
        row("MAC with colons, either case", QStringList { u"a"_s, u"wired ac:44:f2:85:12:35 and AC:44:F2:85:12:35"_s },
            none, QStringList { u"a"_s, u"wired <mac-1> and <mac-1>"_s }, u"1 MAC address"_s);
        row("MAC with dashes, dotted and bare: one device",
            QStringList { u"a"_s, u"AC-44-F2-85-12-35 ac44.f285.1235 AC44F2851235"_s }, none,
            QStringList { u"a"_s, u"<mac-1> <mac-1> <mac-1>"_s }, u"1 MAC address"_s);
        row("MAC under its key at any depth",
            QStringList {
                u"a.json"_s, uR"({"mac_address":{"wired_lan":"AC44F2851235","wireless_lan":"AC44F2851236"}})"_s },
            none, QStringList { u"a.json"_s, uR"({"mac_address":{"wired_lan":"<mac-1>","wireless_lan":"<mac-2>"}})"_s },
            u"2 MAC addresses"_s);
        row("foreign IPv4 and IPv6 replaced, the receiver's kept",
            QStringList { u"a"_s,
                u"gw 192.168.1.1 rx 192.168.1.20 v6 fe80::1c2:3ff:fe4d:5e6f%wlan0 dns fd00::1 again 192.168.1.1"_s },
            u"192.168.1.20:80"_s,
            QStringList { u"a"_s, u"gw <ip-3> rx 192.168.1.20 v6 <ip-1> dns <ip-2> again <ip-3>"_s },
            u"3 IP addresses"_s);
        row("SSID by its key, then wherever it appears",
            QStringList { u"n.json"_s, uR"({"wireless_lan":{"ssid":"Hausnetz M\u00fcller"}})"_s, u"log.txt"_s,
                u"joined Hausnetz Müller"_s },
            none,
            QStringList {
                u"n.json"_s, uR"({"wireless_lan":{"ssid":"<ssid-1>"}})"_s, u"log.txt"_s, u"joined <ssid-1>"_s },
            u"1 SSID"_s);
        row("device id in contents and file names, linked across files",
            QStringList { u"info.json"_s, uR"({"device_id":"AC44F2851234"})"_s, u"events/AC44F2851234.txt"_s,
                u"from ac44f2851234"_s },
            none,
            QStringList { u"info.json"_s, uR"({"device_id":"<device-id-1>"})"_s, u"events/<device-id-1>.txt"_s,
                u"from <device-id-1>"_s },
            u"1 device id"_s);
        row("serial number", QStringList { u"a.json"_s, uR"({"serial_no":"Y441234AB","model":"RX-V6A"})"_s }, none,
            QStringList { u"a.json"_s, uR"({"serial_no":"<serial-1>","model":"RX-V6A"})"_s }, u"1 serial number"_s);
        row("known token and secrets in settings lines",
            QStringList { u"log.txt"_s, u"Authorization: Bearer Zq8vT0kenXy31aBcD9"_s, u"Amplora.conf"_s,
                u"[General]\napiMockToken=Zq8vT0kenXy31aBcD9\nwifiPassword=\"hunter2x\"\nreceiverHost=rx.local\n"_s },
            none,
            QStringList { u"log.txt"_s, u"Authorization: Bearer <token>"_s, u"Amplora.conf"_s,
                u"[General]\napiMockToken=<token>\nwifiPassword=\"<secret-1>\"\nreceiverHost=rx.local\n"_s },
            u"1 token, 1 secret"_s);
        row("times, versions and ordinary hex left alone",
            QStringList { u"a"_s, u"20:15:03.120 Qt 6.4.2 system_version 2.87 id 0B587073 group 9a2b amplora::cli"_s },
            none,
            QStringList { u"a"_s, u"20:15:03.120 Qt 6.4.2 system_version 2.87 id 0B587073 group 9a2b amplora::cli"_s },
            u"nothing"_s);
    }

    void redaction()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, receiver);
        QFETCH(QStringList, expected);
        QFETCH(QString, summary);

        const auto redacted = amplora::diagnostics::redact(filesOf(files), RedactionContext { receiver, { token } });
        QStringList actual;
        for (const BundleFile &file : redacted.files) {
            actual << file.name << QString::fromUtf8(file.contents);
        }
        QCOMPARE(actual, expected);
        QCOMPARE(redacted.summary.text(), summary);
    }

    void recentLines_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QString>("kept");

        row("fewer than it holds, oldest first", QStringList { u"a"_s, u"b"_s },
            u"2026-12-08T20:15:01.000Z a\n2026-12-08T20:15:02.000Z b\n"_s);
        row("more than it holds: the newest stay", QStringList { u"a"_s, u"b"_s, u"c"_s, u"d"_s },
            u"2026-12-08T20:15:02.000Z b\n2026-12-08T20:15:03.000Z c\n2026-12-08T20:15:04.000Z d\n"_s);
        row("a line break stays inside its line", QStringList { u"x\ny"_s }, u"2026-12-08T20:15:01.000Z x y\n"_s);
    }

    void recentLines()
    {
        QFETCH(QStringList, added);
        QFETCH(QString, kept);

        QDateTime now(QDate(2026, 12, 8), QTime(20, 15, 0), Qt::UTC);
        amplora::diagnostics::RecentLines lines(3, [&now] {
            now = now.addSecs(1);
            return now;
        });
        for (const QString &line : added) {
            lines.add(line);
        }
        QCOMPARE(QString::fromUtf8(lines.text()), kept);
    }

    // Every listed answer is in the bundle as it came apart from redaction, and nothing to hide is anywhere in it.
    void bundleForFakeReceiver()
    {
        FakeReceiver receiver;
        for (const auto &[path, body] : answers) {
            receiver.answer(path, body);
        }
        QTemporaryDir folder;
        QTemporaryDir unpacked;
        amplora::diagnostics::BundleRequest request;
        request.host = receiver.host();
        request.output = folder.filePath(u"bundle.tar.gz"_s);
        request.secrets = { token };
        request.when = QDateTime(QDate(2026, 12, 8), QTime(20, 15, 3));
        request.appItems = {
            BundleItem::present(
                u"log.txt"_s, (u"20:15:03 api: Bearer "_s + token + u" from 192.168.1.50\n"_s).toUtf8()),
            BundleItem::present(u"events.txt"_s, R"(20:15:04 {"device_id":"AC44F2851234","main":{"volume":81}})"),
        };

        const auto made = QCoro::waitFor(make(request));
        if (!made) {
            QFAIL("the bundle was never made");
        }
        const Written &written = *made;
        QVERIFY2(written, written ? "" : qPrintable(written.error().description()));
        QCOMPARE(written->path, request.output);

        const QString text = unpackedText(written->path, unpacked.path());
        QVERIFY2(!text.startsWith(u"tar failed"_s), qPrintable(text));
        for (const auto &[path, body] : answers) {
            const QString file = QString(path).replace(u'/', u'-') + u".json"_s;
            const QByteArray got = unpackedFile(unpacked.path(), file);
            QVERIFY2(servedApartFromRedaction(body).match(QString::fromUtf8(got)).hasMatch(),
                qPrintable(file + u": "_s + QString::fromUtf8(got)));
        }
        for (const QString &value : hidden) {
            QVERIFY2(!text.contains(value, Qt::CaseInsensitive), qPrintable(value + u" found in the bundle"_s));
        }
        QVERIFY(!text.contains(u"Hausnetz"_s));
        QVERIFY(text.contains(u"127.0.0.1"_s)); // the receiver's own address stays
        QVERIFY(text.contains(u"Kraftwerk"_s));
        QVERIFY(written->redacted.distinctValues.value(u"mac"_s) >= 3);
    }

    // The raw reads the bundle is gathered with never send a change, whatever path they are given.
    void rawReadsOnlyRead()
    {
        FakeReceiver receiver;
        receiver.answerOk(u"main/setVolume"_s);
        receiver.answer(u"tuner/getPresetInfo"_s, R"({"response_code":0, "preset_info":[]})");
        const auto change = QCoro::waitFor(rawRead(receiver.host(), u"main/setVolume"_s, { { u"volume"_s, u"80"_s } }));
        if (!change || *change) {
            QFAIL("a change went through a raw read");
        }
        QCOMPARE(change->error().kind(), amplora::YXCError::Kind::readOnlyBlocked);
        const auto read
            = QCoro::waitFor(rawRead(receiver.host(), u"tuner/getPresetInfo"_s, { { u"band"_s, u"common"_s } }));
        if (!read || !*read) {
            QFAIL("the raw read failed");
        }
        QCOMPARE(read->value(), QByteArray(R"({"response_code":0, "preset_info":[]})"));
        QCOMPARE(receiver.requests().size(), 1);
        QCOMPARE(receiver.requests().first().target(), u"tuner/getPresetInfo?band=common"_s);
    }

    void commandLine_data()
    {
        QTest::addColumn<QString>("receiverState"); // answering, silent
        QTest::addColumn<QString>("output"); // relative to a fresh folder
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("printed"); // a pattern for stdout + stderr
        QTest::addColumn<QString>("manifest"); // a pattern the manifest must match; empty: no bundle

        row("answers: the path and what was redacted", u"answering"_s, u"b.tar.gz"_s, 0,
            u"b\\.tar\\.gz\\nRedacted: .*1 device id.*MAC addresses"_s,
            u"receiver/system-getNetworkStatus\\.json\\n.*log\\.txt  missing: .*without a running Amplora"_s);
        row("receiver silent: a bundle with its answers missing", u"silent"_s, u"b.tar.gz"_s, 0, u"b\\.tar\\.gz"_s,
            u"receiver/system-getDeviceInfo\\.json  missing: .*receiver/dist-getDistributionInfo\\.json  missing: Not read"_s);
        row("folder missing: a clear error and nothing written", u"answering"_s, u"gone/b.tar.gz"_s, 1,
            u"^Couldn't write the diagnostics bundle: the folder .*/gone does not exist\\.\\n$"_s, QString());
        // A folder where the file should go fails as an unwritable folder does, also for root, whom permissions
        // do not stop.
        row("file cannot be created: the reason", u"answering"_s, u"taken"_s, 1,
            u"^Couldn't write the diagnostics bundle .*/taken: .+\\n$"_s, QString());
    }

    void commandLine()
    {
        QFETCH(QString, receiverState);
        QFETCH(QString, output);
        QFETCH(int, code);
        QFETCH(QString, printed);
        QFETCH(QString, manifest);

        FakeReceiver receiver;
        if (receiverState == u"answering"_s) {
            for (const auto &[path, body] : answers) {
                receiver.answer(path, body);
            }
        } else {
            for (const auto &[path, body] : answers) {
                FakeReceiver::Route nothing;
                nothing.behaviour = FakeReceiver::Behaviour::raw; // closes without a byte
                receiver.setRoute(path, nothing);
            }
        }
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir(u"taken"_s));
        const QString settings = folder.filePath(u"Amplora.conf"_s);
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write((u"[General]\nreceiverHost="_s + receiver.host() + u"\ndeviceID=AC44F2851234\n"_s).toUtf8());
        file.close();

        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        const int exit = amplora::cli::runDiagnostics(
            { u"--output"_s, folder.filePath(output) }, { { settings }, false }, outStream, errStream);
        outStream.flush();
        errStream.flush();
        QCOMPARE(exit, code);
        QVERIFY2(
            QRegularExpression(printed, QRegularExpression::DotMatchesEverythingOption).match(out + err).hasMatch(),
            qPrintable(out + err));
        if (manifest.isEmpty()) {
            QCOMPARE(
                QDir(folder.filePath(u"locked"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                QStringList());
            return;
        }
        QTemporaryDir unpacked;
        const QString text = unpackedText(folder.filePath(output), unpacked.path());
        QVERIFY2(QRegularExpression(manifest, QRegularExpression::DotMatchesEverythingOption)
                     .match(QString::fromUtf8(unpackedFile(unpacked.path(), u"manifest.txt"_s)))
                     .hasMatch(),
            qPrintable(text));
        QVERIFY(!text.contains(u"AC44F2851234"_s, Qt::CaseInsensitive));
    }
};

QTEST_GUILESS_MAIN(TestDiagnostics)
#include "tst_diagnostics.moc"
