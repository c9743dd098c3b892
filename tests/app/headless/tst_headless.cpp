// End to end: `amplora --headless --mock` as its own process, driven over real HTTP on loopback and through
// `amplora action` on the private session bus this test runs in.

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>

#include <algorithm>
#include <csignal>

namespace {

const QString token = QStringLiteral("e2e-token-0123456789");

struct Answer {
    int status = 0;
    QByteArray body;
};

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run amplora(const QStringList &args, const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(AMPLORA_EXECUTABLE), args);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return { process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError()) };
}

QString configDir()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Amplora");
}

} // namespace

class TestHeadless : public QObject {
    Q_OBJECT

private:
    QProcess m_app;
    QString m_base;
    QNetworkAccessManager m_network;

    QNetworkReply *send(const QByteArray &method, const QString &path, const QByteArray &body = {})
    {
        QNetworkRequest request(QUrl(m_base + path));
        request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
        if (!body.isEmpty()) {
            request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        }
        return m_network.sendCustomRequest(request, method, body);
    }

    static Answer finish(QNetworkReply *reply)
    {
        if (!reply->isFinished()) {
            QSignalSpy finished(reply, &QNetworkReply::finished);
            finished.wait(30000);
        }
        Answer answer { reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll() };
        reply->deleteLater();
        return answer;
    }

    Answer exchange(const QByteArray &method, const QString &path, const QByteArray &body = {})
    {
        return finish(send(method, path, body));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME") || qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
            QSKIP("Needs the private home and session bus that ctest gives this test");
        }
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();

        QDir().mkpath(configDir());
        QSettings mock(configDir() + QStringLiteral("/AmploraMock.conf"), QSettings::IniFormat);
        mock.setValue(QStringLiteral("apiPort"), port);
        mock.setValue(QStringLiteral("apiMockToken"), token);
        mock.setValue(QStringLiteral("maxVolumeDB"), -20.0);
        mock.sync();

        m_app.start(QStringLiteral(AMPLORA_EXECUTABLE), { QStringLiteral("--headless"), QStringLiteral("--mock") });
        QVERIFY(m_app.waitForStarted());
        // The first line on standard output is the base URL, printed once the API listens.
        while (!m_app.canReadLine()) {
            QVERIFY2(m_app.waitForReadyRead(60000), m_app.readAllStandardError().constData());
        }
        m_base = QString::fromUtf8(m_app.readLine()).trimmed();
        QCOMPARE(m_base, QStringLiteral("http://127.0.0.1:%1/api/v1").arg(port));
    }

    void statusOverHTTP()
    {
        const Answer status = exchange("GET", QStringLiteral("/status"));
        QCOMPARE(status.status, 200);
        QVERIFY2(status.body.contains("\"zone\":\"main\""), status.body.constData());
        QVERIFY(status.body.contains("\"volumeDb\":"));

        QNetworkRequest anonymous(QUrl(m_base + QStringLiteral("/status")));
        QCOMPARE(finish(m_network.get(anonymous)).status, 401);
    }

    void volumeAboveTheCapIsRefused()
    {
        const Answer refused = exchange("POST", QStringLiteral("/volume?zone=main"), R"({"db": -10})");
        QCOMPARE(refused.status, 422);
        QVERIFY2(refused.body.contains("\"code\":\"volume_above_cap\""), refused.body.constData());
    }

    void sceneSavedAndRun()
    {
        const Answer saved
            = exchange("POST", QStringLiteral("/scenes"), R"({"name": "Movie", "power": "on", "volumeDb": -35})");
        QCOMPARE(saved.status, 201);
        const Answer ran = exchange("POST", QStringLiteral("/scenes/Movie/run"));
        QCOMPARE(ran.status, 200);
        QVERIFY2(ran.body.contains(R"("applied":["power","volumeDb"])"), ran.body.constData());
        const Answer status = exchange("GET", QStringLiteral("/status"));
        QVERIFY2(status.body.contains("\"volumeDb\":-35"), status.body.constData());
    }

    void volumeBurstIsRateLimited()
    {
        QTest::qWait(1100); // let the scene run's volume change age out of the window
        QList<QNetworkReply *> burst;
        for (int i = 0; i < 7; ++i) {
            burst.append(send("POST", QStringLiteral("/volume?zone=zone2"), R"({"db": -40})"));
        }
        int accepted = 0;
        int limited = 0;
        for (QNetworkReply *reply : burst) {
            const Answer answer = finish(reply);
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
        QTest::addRow("volume") << QStringList { "action", "set-volume", "--zone", "zone2", "-30" } << 0
                                << "Volume -30.0 dB.\n"
                                << "";
        QTest::addRow("volume above the cap") << QStringList { "action", "set-volume", "-5" } << 1 << ""
                                              << "-5.0 dB is above the volume cap of -20.0 dB.\n";
        QTest::addRow("scene by any spelling") << QStringList { "action", "run-scene", "movie" } << 0 << "Ran Movie.\n"
                                               << "";
        QTest::addRow("scene list") << QStringList { "action", "list", "scenes" } << 0 << "Movie\n"
                                    << "";
        QTest::addRow("unmute") << QStringList { "action", "mute", "false" } << 0 << "Unmuted.\n"
                                << "";
        QTest::addRow("power off means standby") << QStringList { "action", "set-power", "off" } << 0 << "Done.\n"
                                                 << "";
        QTest::addRow("token of the running instance") << QStringList { "api-token" } << 0 << token + "\n"
                                                       << "";
        QTest::addRow("bad zone is a usage error")
            << QStringList { "action", "mute", "--zone", "zone3", "true" } << 2 << ""
            << "*";
    }

    void actionsFromTheCommandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, err);
        const Run run = amplora(args);
        QTEST(run.code, "code");
        QTEST(run.out, "out");
        if (err != QStringLiteral("*")) {
            QCOMPARE(run.err, err);
        }
    }

    void secondInstanceIsRefused()
    {
        const Run second = amplora({ QStringLiteral("--headless"), QStringLiteral("--mock") });
        QCOMPARE(second.code, 1);
        QCOMPARE(second.err, QStringLiteral("Amplora is already running.\n"));
    }

    void stopsCleanlyOnSIGTERM()
    {
        ::kill(static_cast<pid_t>(m_app.processId()), SIGTERM);
        QVERIFY(m_app.waitForFinished(30000));
        QCOMPARE(m_app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_app.exitCode(), 0);
        // A mock run keeps to its own settings file.
        QVERIFY(!QFile::exists(configDir() + QStringLiteral("/Amplora.conf")));

        const Run after = amplora({ QStringLiteral("action"), QStringLiteral("mute") });
        QCOMPARE(after.code, 1);
        QCOMPARE(after.err, QStringLiteral("Amplora is not running.\n"));
    }

    void sceneStoreThatCannotBeSetUp()
    {
        // A data folder that is a plain file cannot hold the scenes.
        const QString blocker = qEnvironmentVariable("HOME") + QStringLiteral("/not-a-folder");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), blocker);
        const Run run = amplora({ QStringLiteral("--headless"), QStringLiteral("--mock") }, environment);
        QCOMPARE(run.code, 1);
        // Log lines may come first; the message is a line of its own.
        const QStringList lines = run.err.split(u'\n');
        QVERIFY2(std::any_of(lines.begin(), lines.end(),
                     [](const QString &line) {
                         return line.startsWith(QStringLiteral("Could not set up the API's scene store: Couldn't "));
                     }),
            qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
    }

    void cleanupTestCase()
    {
        if (m_app.state() != QProcess::NotRunning) {
            m_app.kill();
            m_app.waitForFinished();
        }
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
