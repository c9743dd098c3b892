// End to end: `amplora --headless --mock` as its own process, driven over real HTTP on loopback and through
// `amplora action` on the private session bus this test runs in.

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>

#include "../HeadlessApp.h"
#include "../TableRows.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString token = u"e2e-token-0123456789"_s;

using amplora::test::HeadlessApp;
using Answer = HeadlessApp::Answer;
using amplora::test::Run;
using amplora::test::runAmplora;

QString configDir()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + u"/Amplora"_s;
}

} // namespace

class TestHeadless : public QObject {
    Q_OBJECT

private:
    HeadlessApp m_app;

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME") || qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
            QSKIP("Needs the private home and session bus that ctest gives this test");
        }
        const quint16 port = amplora::test::freeLoopbackPort();
        QDir().mkpath(configDir());
        QSettings mock(configDir() + u"/AmploraMock.conf"_s, QSettings::IniFormat);
        mock.setValue(u"apiPort"_s, port);
        mock.setValue(u"apiMockToken"_s, token);
        mock.setValue(u"maxVolumeDB"_s, -20.0);
        mock.sync();

        // The first line on standard output is the base URL, printed once the API listens...
        m_app.token = token;
        QVERIFY2(m_app.start(QStringLiteral(AMPLORA_EXECUTABLE), { u"--headless"_s, u"--mock"_s }),
            m_app.lastLines().constData());
        QCOMPARE(m_app.base, u"http://127.0.0.1:%1/api/v1"_s.arg(port));
        // ...and standard error says how to get the token of this --mock run.
        QTRY_VERIFY_WITH_TIMEOUT(
            m_app.log.append(m_app.process.readAllStandardError()).contains("amplora api-token --mock\n"), 60000);
    }

    void sceneSavedAndRun()
    {
        const Answer saved
            = m_app.exchange("POST", u"/scenes"_s, R"({"name": "Movie", "power": "on", "volumeDb": -35})");
        QCOMPARE(saved.status, 201);
        const Answer ran = m_app.exchange("POST", u"/scenes/Movie/run"_s);
        QCOMPARE(ran.status, 200);
        QVERIFY2(ran.body.contains(R"("applied":["power","volumeDb"])"), ran.body.constData());
        const Answer status = m_app.exchange("GET", u"/status"_s);
        QCOMPARE(status.status, 200);
        QVERIFY2(status.body.contains("\"volumeDb\":-35,\"zone\":\"main\""), status.body.constData());
    }

    // The demo receiver announces what it is sent, so the self-test passes and the health says push.
    void pushEventsInTheDemo()
    {
        const Run check = runAmplora({ u"action"_s, u"check-events"_s });
        QCOMPARE(check.code, 0);
        QVERIFY2(QRegularExpression(u"^Push events arrive \\(\\d+ ms\\)\\.\n$"_s).match(check.out).hasMatch(),
            qPrintable(check.out + check.err));
        const Answer health = m_app.exchange("GET", u"/health"_s);
        QCOMPARE(health.status, 200);
        QVERIFY2(health.body.startsWith(R"({"connection":"connected","eventPort":)")
                && health.body.endsWith(R"(,"receiver":"mock","updates":"push"})"),
            health.body.constData());
    }

    void volumeBurstIsRateLimited()
    {
        QTest::qWait(1100); // let the scene run's volume change age out of the window
        QList<QNetworkReply *> burst;
        for (int i = 0; i < 7; ++i) {
            burst.append(m_app.send("POST", u"/volume?zone=zone2"_s, R"({"db": -40})"));
        }
        int accepted = 0;
        int limited = 0;
        for (QNetworkReply *reply : burst) {
            const Answer answer = HeadlessApp::finish(reply);
            if (answer.status == 200) {
                ++accepted;
            } else if (answer.status == 429 && answer.body.contains("\"code\":\"rate_limited\"")) {
                ++limited;
            }
        }
        QVERIFY2(accepted <= 5 && accepted >= 1, qPrintable(QString::number(accepted)));
        QVERIFY(limited >= 2);
        QCOMPARE(accepted + limited, 7);
    }

    void actionsFromTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        using amplora::test::row;
        using amplora::test::words;
        row("volume", words("action set-volume --zone zone2 -30"), 0, "Volume -30.0 dB.\n", "");
        row("volume above the cap", words("action set-volume -5"), 1, "",
            "-5.0 dB is above the volume cap of -20.0 dB.\n");
        row("volume fade", words("action ramp-volume -- -30 8"), 0, "Fading to -30.0 dB over 8 s.\n", "");
        row("volume fade without its seconds is a usage error", words("action ramp-volume -- -30"), 2, "", "*");
        row("scene by any spelling", words("action run-scene movie"), 0, "Ran Movie.\n", "");
        row("scene list", words("action list scenes"), 0, "Movie\n", "");
        row("unmute", words("action mute false"), 0, "Unmuted.\n", "");
        row("power off means standby", words("action set-power off"), 0, "Done.\n", "");
        row("favourites in slot order", words("action list favourites"), 0,
            "Harbour FM\nMorning Jazz\nVinyl Rips\nRadio Nordlicht\n", "");
        row("favourite by name", words("action recall-favourite radio-nordlicht"), 0, "Recalled Radio Nordlicht.\n",
            "");
        row("zone without scene buttons", words("action recall-receiver-scene --zone zone2 1"), 1, "",
            "zone2 has no scene buttons.\n");
        row("token of the running instance", words("api-token"), 0, QString(token + u'\n'), "");
        row("bad zone is a usage error", words("action mute --zone zone3 true"), 2, "", "*");
        row("negative sleep is a usage error", words("action set-sleep -5"), 2, "", "*");
    }

    void actionsFromTheCommandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, err);
        const Run run = runAmplora(args);
        QTEST(run.code, "code");
        QTEST(run.out, "out");
        if (err != u"*"_s) {
            QCOMPARE(run.err, err);
        }
    }

    // Any API client, or a hand-edited scene file, names a scene: the list prints it on one line, inert.
    void listedNamesPrintEscaped()
    {
        // (A JSON body written out: moc misreads escapes in a raw string.)
        const Answer saved = m_app.exchange(
            "POST", u"/scenes"_s, "{\"name\": \"Night\\u001b[2J\\nOK: done\", \"power\": \"standby\"}");
        QCOMPARE(saved.status, 201);
        const Run run = runAmplora({ u"action"_s, u"list"_s, u"scenes"_s });
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, u"Movie\nNight\\x1b[2J\\nOK: done\n"_s);
        QCOMPARE(m_app.exchange("DELETE", u"/scenes/Night%1B%5B2J%0AOK%3A%20done"_s).status, 204);
    }

    void secondInstanceIsRefused()
    {
        const Run second = runAmplora({ u"--headless"_s, u"--mock"_s });
        QCOMPARE(second.code, 1);
        QCOMPARE(second.err, u"Amplora is already running.\n"_s);
    }

    void stopsCleanlyOnSIGTERM()
    {
        QVERIFY2(m_app.terminate(), m_app.lastLines().constData());
        // A mock run keeps to its own settings file.
        QVERIFY(!QFile::exists(configDir() + u"/Amplora.conf"_s));

        const Run after = runAmplora({ u"action"_s, u"mute"_s });
        QCOMPARE(after.code, 1);
        QCOMPARE(after.err, u"Amplora is not running.\n"_s);
    }

    // Without a bus nobody can tell whether Amplora runs: the message says what is missing instead.
    void actionWithoutASessionBus()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
        environment.remove(u"DISPLAY"_s);
        const Run run = runAmplora({ u"action"_s, u"set-volume"_s, u"--"_s, u"-40"_s }, environment);
        QCOMPARE(run.code, 1);
        const QRegularExpression message(
            uR"(^No D-Bus session bus: [^\n]+[^.]\. Use the local API, or run inside a desktop session\.\n$)"_s);
        QVERIFY2(message.match(run.err).hasMatch(), qPrintable(run.err));
    }

    void sceneStoreThatCannotBeSetUp()
    {
        // A data folder that is a plain file cannot hold the scenes.
        const QString blocker = qEnvironmentVariable("HOME") + u"/not-a-folder"_s;
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_DATA_HOME"_s, blocker);
        const Run run = runAmplora({ u"--headless"_s, u"--mock"_s }, environment);
        QCOMPARE(run.code, 1);
        // Log lines may come first; the message is a line of its own.
        const QStringList lines = run.err.split(u'\n');
        QVERIFY2(std::any_of(lines.begin(), lines.end(),
                     [](const QString &line) {
                         return line.startsWith(u"Could not set up the API's scene store: Couldn't "_s);
                     }),
            qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
