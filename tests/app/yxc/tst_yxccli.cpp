// `amplora yxc` end to end against the fake receiver: argument handling, output and exit codes.

#include "app/cli/YxcCommand.h"

#include "support/FakeReceiver.h"

#include <QBuffer>
#include <QImage>
#include <QTest>

using amplora::test::FakeReceiver;

namespace {

struct Run {
    int code;
    QString out;
    QString err;
};

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
    args.replaceInStrings(QStringLiteral("HOST"), host);
    return args;
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

        QTest::addRow("read prints what was understood")
            << QStringList { QStringLiteral("HOST"), QStringLiteral("getStatus"), QStringLiteral("main") } << 0
            << "{\n  \"actual_volume\": {\n    \"value\": -40.0\n  },\n  \"power\": \"on\",\n  \"response_code\": "
               "0\n}\n"
            << ""
            << "main/getStatus";
        QTest::addRow("change prints OK") << QStringList { QStringLiteral("HOST"), QStringLiteral("setVolume"),
            QStringLiteral("main"), QStringLiteral("80") }
                                          << 0 << "OK\n"
                                          << ""
                                          << "main/setVolume?volume=80";
        QTest::addRow("decibels") << QStringList { QStringLiteral("HOST"), QStringLiteral("setActualVolume"),
            QStringLiteral("zone2"), QStringLiteral("-35.26") }
                                  << 0 << "OK\n"
                                  << ""
                                  << "zone2/setActualVolume?mode=db&value=-35.5";
        QTest::addRow("tone options") << QStringList { QStringLiteral("HOST"), QStringLiteral("setToneControl"),
            QStringLiteral("zone2"), QStringLiteral("--bass"), QStringLiteral("2") }
                                      << 0 << "OK\n"
                                      << ""
                                      << "zone2/setToneControl?bass=2";
        QTest::addRow("playback") << QStringList { QStringLiteral("HOST"), QStringLiteral("setPlayback"),
            QStringLiteral("next") }
                                  << 0 << "OK\n"
                                  << ""
                                  << "netusb/setPlayback?playback=next";
        QTest::addRow("registration") << QStringList { QStringLiteral("HOST"), QStringLiteral("registerForEvents"),
            QStringLiteral("41100") } << 0
                                      << "OK\n"
                                      << ""
                                      << "system/getDeviceInfo";
        QTest::addRow("receiver refuses") << QStringList { QStringLiteral("HOST"), QStringLiteral("setInput"),
            QStringLiteral("main"), QStringLiteral("hdmi9") }
                                          << 1 << ""
                                          << "main/setInput failed (response code 4).\n"
                                          << "main/setInput?input=hdmi9";
        QTest::addRow("read-only blocks before sending") << QStringList { QStringLiteral("--read-only"),
            QStringLiteral("HOST"), QStringLiteral("setMute"), QStringLiteral("main"), QStringLiteral("true") }
                                                         << 1 << ""
                                                         << "Read-only mode blocked main/setMute.\n"
                                                         << "";
        QTest::addRow("read-only still reads")
            << QStringList { QStringLiteral("--read-only"), QStringLiteral("HOST"), QStringLiteral("getNetworkStatus") }
            << 0 << "{\n  \"network_name\": \"Wohnzimmer\",\n  \"response_code\": 0\n}\n"
            << ""
            << "system/getNetworkStatus";
        QTest::addRow("invalid host") << QStringList { QStringLiteral("http://rx/"), QStringLiteral("getFeatures") }
                                      << 1 << "" << QString::fromUtf8("“http://rx/” is not a valid receiver address.\n")
                                      << "";
        QTest::addRow("album art") << QStringList { QStringLiteral("HOST"), QStringLiteral("albumArt"),
            QStringLiteral("/art.png") }
                                   << 0 << "image 3x2\n"
                                   << ""
                                   << "/art.png";
        QTest::addRow("no album art") << QStringList { QStringLiteral("HOST"), QStringLiteral("albumArt"),
            QStringLiteral("art/none.png") }
                                      << 0 << "no image\n"
                                      << ""
                                      << "/art/none.png";
    }

    void commands()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, target);
        FakeReceiver receiver;
        receiver.answer(QStringLiteral("main/getStatus"),
            R"({"response_code":0,"power":"on","actual_volume":{"value":-40},"sleep":0})");
        receiver.answer(
            QStringLiteral("system/getNetworkStatus"), R"({"response_code":0,"network_name":"Wohnzimmer","x":1})");
        for (const char *path : { "main/setVolume", "zone2/setActualVolume", "zone2/setToneControl",
                 "netusb/setPlayback", "system/getDeviceInfo", "main/setMute" }) {
            receiver.answerOk(QString::fromLatin1(path));
        }
        receiver.answer(QStringLiteral("main/setInput"), R"({"response_code":4})");
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        receiver.answer(QStringLiteral("/art.png"), png);

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

        QTest::addRow("nothing") << QStringList {} << "HOST and COMMAND are required";
        QTest::addRow("only the flag") << QStringList { QStringLiteral("--read-only"), QStringLiteral("127.0.0.1") }
                                       << "HOST and COMMAND are required";
        QTest::addRow("unknown command") << QStringList { QStringLiteral("127.0.0.1"), QStringLiteral("setLoudness"),
            QStringLiteral("main"), QStringLiteral("3") }
                                         << "unknown command setLoudness";
        QTest::addRow("zone missing") << QStringList { QStringLiteral("127.0.0.1"), QStringLiteral("setMute") }
                                      << "wrong arguments for setMute";
        QTest::addRow("unknown zone") << QStringList { QStringLiteral("127.0.0.1"), QStringLiteral("getStatus"),
            QStringLiteral("zone3") } << "ZONE must be main or zone2, not \"zone3\"";
        QTest::addRow("step not a number") << QStringList { QStringLiteral("127.0.0.1"), QStringLiteral("setVolume"),
            QStringLiteral("main"), QStringLiteral("loud") }
                                           << "wrong arguments for setVolume";
        QTest::addRow("decibels not finite") << QStringList { QStringLiteral("127.0.0.1"),
            QStringLiteral("setActualVolume"), QStringLiteral("main"), QStringLiteral("nan") }
                                             << "wrong arguments for setActualVolume";
        QTest::addRow("yes for a boolean") << QStringList { QStringLiteral("127.0.0.1"), QStringLiteral("setMute"),
            QStringLiteral("main"), QStringLiteral("yes") }
                                           << "wrong arguments for setMute";
        QTest::addRow("power state") << QStringList { QStringLiteral("127.0.0.1"), QStringLiteral("setPower"),
            QStringLiteral("main"), QStringLiteral("off") }
                                     << "wrong arguments for setPower";
        QTest::addRow("extra argument") << QStringList { QStringLiteral("127.0.0.1"), QStringLiteral("getFeatures"),
            QStringLiteral("main") } << "wrong arguments for getFeatures";
        QTest::addRow("tone option twice")
            << QStringList { QStringLiteral("127.0.0.1"), QStringLiteral("setToneControl"), QStringLiteral("main"),
                   QStringLiteral("--bass"), QStringLiteral("1"), QStringLiteral("--bass"), QStringLiteral("2") }
            << "wrong arguments for setToneControl";
        QTest::addRow("tone option without value") << QStringList { QStringLiteral("127.0.0.1"),
            QStringLiteral("setToneControl"), QStringLiteral("main"), QStringLiteral("--mode") }
                                                   << "wrong arguments for setToneControl";
        QTest::addRow("port out of range")
            << QStringList { QStringLiteral("127.0.0.1"), QStringLiteral("registerForEvents"), QStringLiteral("70000") }
            << "registerForEvents needs a port from 1 to 65535";
    }

    void badArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, complaint);
        const Run result = run(args);
        QCOMPARE(result.code, 2);
        QCOMPARE(result.out, QString());
        QVERIFY2(result.err.startsWith(QStringLiteral("amplora yxc: ") + complaint + u'\n'), qPrintable(result.err));
        QVERIFY(result.err.contains(QStringLiteral("Usage: amplora yxc")));
    }

    void help()
    {
        const Run result = run({ QStringLiteral("--help") });
        QCOMPARE(result.code, 0);
        QVERIFY(result.out.startsWith(QStringLiteral("Usage: amplora yxc [--read-only] HOST COMMAND [ARGS]")));
        QVERIFY(result.out.contains(QStringLiteral("setToneControl ZONE [--mode M] [--bass N] [--treble N]")));
        QCOMPARE(result.err, QString());
    }
};

QTEST_GUILESS_MAIN(TestYxcCli)
#include "tst_yxccli.moc"
