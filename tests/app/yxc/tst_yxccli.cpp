// `amplora yxc` end to end against the fake receiver: argument handling, output and exit codes; and what the
// executable's subcommands leave on stderr.

#include "app/cli/YxcCommand.h"

#include "support/FakeReceiver.h"

#include "../RunAmplora.h"
#include "../TableRows.h"

#include <QRegularExpression>
#include <QTest>

using amplora::test::FakeReceiver;
using amplora::test::row;
using amplora::test::words;
using namespace Qt::StringLiterals;

namespace {

using amplora::test::Run;

Run run(const QStringList &args)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int code = amplora::cli::runYxc(args, outStream, errStream);
    outStream.flush();
    errStream.flush();
    return { code, out, err };
}

QStringList withHost(QStringList args, const QString &host)
{
    args.replaceInStrings(u"HOST"_s, host);
    return args;
}

// The executable itself, with "NAME=VALUE" entries added to a clean environment. The fake receiver answers from
// this process's event loop, so the wait keeps it turning.
Run runExecutable(const QStringList &args, const QStringList &environment)
{
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.remove(u"QT_LOGGING_RULES"_s);
    variables.remove(u"QT_MESSAGE_PATTERN"_s);
    // No instance to find: this test has no session bus of its own, and must not reach the user's.
    variables.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/amplora-test-bus"_s);
    for (const QString &entry : environment) {
        variables.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    }
    return amplora::test::runAmplora(args, variables);
}

} // namespace

class TestYxcCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commands_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QString>("target"); // the request the receiver saw; empty: none

        row("read prints what was understood", words("HOST getStatus main"), 0,
            "{\n  \"actual_volume\": {\n    \"value\": -40.0\n  },\n  \"power\": \"on\",\n  \"response_code\": 0\n}\n",
            "", "main/getStatus");
        row("change prints OK", words("HOST setVolume main 80"), 0, "OK\n", "", "main/setVolume?volume=80");
        row("decibels", words("HOST setActualVolume zone2 -35.26"), 0, "OK\n", "",
            "zone2/setActualVolume?mode=db&value=-35.5");
        row("tone options", words("HOST setToneControl zone2 --bass 2"), 0, "OK\n", "", "zone2/setToneControl?bass=2");
        row("playback", words("HOST setPlayback next"), 0, "OK\n", "", "netusb/setPlayback?playback=next");
        row("registration", words("HOST registerForEvents 41100"), 0, "OK\n", "", "system/getDeviceInfo");
        row("receiver refuses", words("HOST setInput main hdmi9"), 1, "", "main/setInput failed (response code 4).\n",
            "main/setInput?input=hdmi9");
        row("read-only blocks before sending", words("--read-only HOST setMute main true"), 1, "",
            "Read-only mode blocked main/setMute.\n", "");
        row("read-only still reads", words("--read-only HOST getNetworkStatus"), 0,
            "{\n  \"network_name\": \"Wohnzimmer\",\n  \"response_code\": 0\n}\n", "", "system/getNetworkStatus");
        row("album art", words("HOST albumArt /art.png"), 0, "image 3x2\n", "", "/art.png");
        row("no album art", words("HOST albumArt art/none.png"), 0, "no image\n", "", "/art/none.png");
        // A cover path is no way around the commands: the receiver's command interface is never fetched as one.
        row("album art cannot send a link change",
            words("HOST albumArt /YamahaExtendedControl/v1/dist/startDistribution"), 0, "no image\n", "", "");
        row("link read", words("--read-only HOST getDistributionInfo"), 0,
            "{\n  \"client_list\": [],\n  \"group_name\": \"Den\",\n  \"response_code\": 0,\n  \"role\": "
            "\"client\"\n}\n",
            "", "dist/getDistributionInfo");
    }

    void commands()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, target);
        FakeReceiver receiver;
        receiver.answer(u"main/getStatus"_s,
            R"({"response_code":0,"power":"on","actual_volume":{"value":-40},"link_control":"standard"})");
        receiver.answer(u"system/getNetworkStatus"_s, R"({"response_code":0,"network_name":"Wohnzimmer","x":1})");
        for (const char *path : { "main/setVolume", "zone2/setActualVolume", "zone2/setToneControl",
                 "netusb/setPlayback", "system/getDeviceInfo", "main/setMute" }) {
            receiver.answerOk(QString::fromLatin1(path));
        }
        receiver.answer(u"main/setInput"_s, R"({"response_code":4})");
        receiver.answer(u"dist/getDistributionInfo"_s, R"({"response_code":0,"role":"client","group_name":"Den"})");
        receiver.answerOk(u"dist/startDistribution"_s);
        receiver.setRoute(u"/art.png"_s, FakeReceiver::picture(3, 2, Qt::blue));

        const Run result = run(withHost(args, receiver.host()));
        QTEST(result.code, "code");
        QTEST(result.out, "out");
        QTEST(result.err, "err");
        if (target.isEmpty()) {
            QCOMPARE(receiver.requests().size(), 0);
        } else {
            QCOMPARE(receiver.requests().size(), 1);
            QCOMPARE(receiver.requests().at(0).target(), target);
        }
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("complaint");

        row("nothing", QStringList(), "HOST and COMMAND are required");
        row("only the flag", words("--read-only 127.0.0.1"), "HOST and COMMAND are required");
        row("unknown command", words("127.0.0.1 setLoudness main 3"), "unknown command setLoudness");
        // Amplora shows a link but never changes one: no door names such a command.
        row("no link change", words("127.0.0.1 setServerInfo"), "unknown command setServerInfo");
        row("zone missing", words("127.0.0.1 setMute"), "wrong arguments for setMute");
        row("unknown zone", words("127.0.0.1 getStatus zone3"), "ZONE must be main or zone2, not \"zone3\"");
        row("step not a number", words("127.0.0.1 setVolume main loud"), "wrong arguments for setVolume");
        row("decibels not finite", words("127.0.0.1 setActualVolume main nan"), "wrong arguments for setActualVolume");
        row("yes for a boolean", words("127.0.0.1 setMute main yes"), "wrong arguments for setMute");
        row("power state", words("127.0.0.1 setPower main off"), "wrong arguments for setPower");
        row("extra argument", words("127.0.0.1 getFeatures main"), "wrong arguments for getFeatures");
        row("tone option twice", words("127.0.0.1 setToneControl main --bass 1 --bass 2"),
            "wrong arguments for setToneControl");
        row("tone option without value", words("127.0.0.1 setToneControl main --mode"),
            "wrong arguments for setToneControl");
        row("port out of range", words("127.0.0.1 registerForEvents 70000"),
            "registerForEvents needs a port from 1 to 65535");
    }

    void badArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, complaint);
        const Run result = run(args);
        QCOMPARE(result.code, 2);
        QCOMPARE(result.out, QString());
        QVERIFY2(result.err.startsWith(u"amplora yxc: "_s + complaint + u'\n'), qPrintable(result.err));
        QVERIFY(result.err.contains(u"Usage: amplora yxc"_s));
    }

    void executable_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // what the command says, the last thing on stderr
        QTest::addColumn<bool>("logged"); // log lines before it; otherwise nothing but it

        const QStringList none;
        const QString refused = u"main/setInput failed (response code 4).\n"_s;
        row("an error shows once", words("yxc HOST setInput main hdmi9"), none, 1, "", refused, false);
        row("a success leaves stderr empty", words("yxc HOST setVolume main 80"), none, 0, "OK\n", "", false);
        row("--verbose adds the log lines", words("yxc --verbose HOST setInput main hdmi9"), none, 1, "", refused,
            true);
        row("--verbose after the arguments", words("yxc HOST setInput main hdmi9 --verbose"), none, 1, "", refused,
            true);
        row("QT_LOGGING_RULES asks for them", words("yxc HOST setInput main hdmi9"),
            QStringList { u"QT_LOGGING_RULES=amplora.yxc.debug=true"_s }, 1, "", refused, true);
        row("no receivers found", words("discover --mock-discovery-empty"), none, 0, "", "No receivers found.\n",
            false);
        row("probed hosts, one found", words("discover --mock --probe 10.0.0.9,192.168.1.68"), none, 0,
            "Den \u00B7 RX-A2A \u00B7 192.168.1.68 \u00B7 mock-den\n",
            "Nothing answered at 10.0.0.9: no receiver there answered the search or its device information.\n", false);
        row("probed host, none found", words("discover --mock --probe=10.0.0.9"), none, 1, "",
            "Nothing answered at 10.0.0.9: no receiver there answered the search or its device information.\n", false);
        // The bus address points nowhere: the action says the bus is missing, not that Amplora is.
        row("no session bus", words("action mute"), none, 1, "",
            "No D-Bus session bus: Failed to connect to socket /nonexistent/amplora-test-bus: No such file or "
            "directory. Use the local API, or run inside a desktop session.\n",
            false);
        row("version", words("--version"), none, 0, "amplora " AMPLORA_VERSION "\n", "", false);
    }

    void executable()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, environment);
        QFETCH(QString, err);
        QFETCH(bool, logged);
        FakeReceiver receiver;
        receiver.answerOk(u"main/setVolume"_s);
        receiver.answer(u"main/setInput"_s, R"({"response_code":4})");
        receiver.answer(u"dist/getDistributionInfo"_s, R"({"response_code":0,"role":"client","group_name":"Den"})");
        receiver.answerOk(u"dist/startDistribution"_s);

        QFETCH(int, code);
        const Run result = runExecutable(withHost(args, receiver.host()), environment);
        QVERIFY2(result.code == code, qPrintable(u"exit %1: %2"_s.arg(result.code).arg(result.err)));
        QTEST(result.out, "out");
        if (!logged) {
            QCOMPARE(result.err, err);
            return;
        }
        QVERIFY2(result.err.endsWith(err), qPrintable(result.err));
        const QString logs = result.err.chopped(err.size());
        QVERIFY2(logs.contains(QRegularExpression(u"^amplora\\.yxc: "_s, QRegularExpression::MultilineOption)),
            qPrintable(result.err));
    }

    void help()
    {
        const Run result = run({ u"--help"_s });
        QCOMPARE(result.code, 0);
        QVERIFY(result.out.startsWith(u"Usage: amplora yxc [--read-only] [--verbose] HOST COMMAND [ARGS]"_s));
        QVERIFY(result.out.contains(u"setToneControl ZONE [--mode M] [--bass N] [--treble N]"_s));
        QCOMPARE(result.err, QString());
    }
};

QTEST_GUILESS_MAIN(TestYxcCli)
#include "tst_yxccli.moc"
