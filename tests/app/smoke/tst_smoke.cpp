// The binary people run, end to end: the built `amplora --headless` against a fake receiver on loopback that
// serves a whole model's answers, with the API on and no token stored yet. Each row connects, reads and changes
// the receiver through the API, takes a push event, regenerates the token where a session bus carries the call,
// runs for at least 15 s and stops on SIGTERM with status 0. A process that dies fails the row with its last
// lines. AMPLORA_SMOKE_EXECUTABLE runs the same checks against another binary (a release build, a package's).

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTest>
#include <QUdpSocket>

#include "support/FakeReceiver.h"

#include "../HeadlessApp.h"

#include <chrono>
#include <functional>

using namespace Qt::StringLiterals;
using amplora::test::FakeReceiver;
using Answer = amplora::test::HeadlessApp::Answer;

namespace {

constexpr auto runFor = std::chrono::seconds(15);

QString executable()
{
    const QString chosen = qEnvironmentVariable("AMPLORA_SMOKE_EXECUTABLE");
    return chosen.isEmpty() ? QStringLiteral(AMPLORA_EXECUTABLE) : chosen;
}

QJsonObject json(const Answer &answer)
{
    return QJsonDocument::fromJson(answer.body).object();
}

// Every answer file of a model ("main_getStatus.json" answers main/getStatus), and the changes the run sends.
void serveModel(FakeReceiver &receiver, const QString &folder, const QStringList &unanswered)
{
    const QStringList files = QDir(folder).entryList({ u"*_*.json"_s }, QDir::Files);
    for (const QString &file : files) {
        QFile answer(folder + u'/' + file);
        QVERIFY(answer.open(QIODevice::ReadOnly));
        const QString path = file.chopped(5).replace(u'_', u'/');
        receiver.answer(path.section(u'/', 0, 0) + u'/' + path.section(u'/', 1), answer.readAll());
    }
    // Some models answer a read they do not offer with response code 3 instead of the list.
    for (const QString &path : unanswered) {
        receiver.answer(path, R"({"response_code":3})");
    }
    for (const char *command : { "main/setPower", "main/setVolume", "main/setActualVolume", "main/setMute",
             "main/setInput", "main/prepareInputChange", "main/setSoundProgram" }) {
        receiver.answerOk(QString::fromLatin1(command));
    }
}

// Asks until `done` holds for the answer or the time is up; the last answer either way.
Answer until(amplora::test::HeadlessApp &app, const QString &path, const std::function<bool(const QJsonObject &)> &done)
{
    Answer answer;
    QDeadlineTimer deadline(std::chrono::seconds(20));
    do {
        answer = app.exchange("GET", path);
        if (answer.status == 200 && done(json(answer))) {
            break;
        }
        QTest::qWait(200);
    } while (!deadline.hasExpired() && app.alive());
    return answer;
}

// A command line of the same binary, to its end: its standard output, trimmed, and its exit code.
QString commandLine(const QStringList &args, const QProcessEnvironment &environment, int *code)
{
    const amplora::test::Run run = amplora::test::runAmplora(args, environment, executable());
    *code = run.code;
    return run.out.trimmed();
}

} // namespace

class TestSmoke : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void headlessAgainstAFakeReceiver_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QStringList>("unanswered");
        QTest::addColumn<bool>("sessionBus");
        QTest::addColumn<QString>("inputBefore"); // as GET /status names the fixture's input
        QTest::addColumn<QString>("inputAsked"); // what the client asks for
        QTest::addColumn<QString>("inputSwitched"); // what the answer names
        QTest::addColumn<QString>("inputSent"); // the receiver's id

        const QString demo = QStringLiteral(AMPLORA_RESOURCES_DIR "/fixtures");
        const QString rxv481 = QStringLiteral(AMPLORA_FIXTURES_DIR "/av-receiver");
        QTest::newRow("named receiver, Secret Service")
            << demo << QStringList() << true << u"Apple TV"_s << u"turntable"_s << u"Turntable"_s << u"phono"_s;
        QTest::newRow("no names or presets (code 3), no session bus")
            << rxv481 << QStringList { u"system/getNameText"_s, u"netusb/getPresetInfo"_s } << false << u"net_radio"_s
            << u"AV-1"_s << u"av1"_s << u"av1"_s;
    }

    void headlessAgainstAFakeReceiver()
    {
        QFETCH(QString, model);
        QFETCH(QStringList, unanswered);
        QFETCH(bool, sessionBus);
        if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME") || qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
            QSKIP("Needs the private home, session bus and Secret Service that ctest gives this test");
        }
        QElapsedTimer running;
        FakeReceiver receiver;
        serveModel(receiver, model, unanswered);

        // A home of its own per row: no token stored, the receiver's address and a free API port set.
        const QString home
            = QDir::temp().filePath(u"amplora-smoke-%1"_s.arg(QTest::currentDataTag()).replace(u' ', u'-'));
        QDir(home).removeRecursively();
        const quint16 port = amplora::test::freeLoopbackPort();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_s, home);
        environment.insert(u"XDG_CONFIG_HOME"_s, home + u"/.config"_s);
        environment.insert(u"XDG_DATA_HOME"_s, home + u"/.local/share"_s);
        environment.insert(u"XDG_CACHE_HOME"_s, home + u"/.cache"_s);
        if (!sessionBus) {
            environment.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
        }
        environment.remove(u"DISPLAY"_s);
        QVERIFY(QDir().mkpath(home + u"/.config/Amplora"_s));
        {
            QSettings settings(home + u"/.config/Amplora/Amplora.conf"_s, QSettings::IniFormat);
            settings.setValue(u"receiverHost"_s, receiver.host());
            settings.setValue(u"apiPort"_s, port);
            settings.setValue(u"maxVolumeDB"_s, -20.0);
        }

        running.start();
        // The first line on standard output is the base URL, once the token is in place and the API listens.
        amplora::test::HeadlessApp app;
        QVERIFY2(app.start(executable(), { u"--headless"_s }, environment), app.lastLines().constData());
        QCOMPARE(app.base, u"http://127.0.0.1:%1/api/v1"_s.arg(port));

        int code = -1;
        app.token = commandLine({ u"api-token"_s }, environment, &code);
        QVERIFY2(code == 0 && app.alive(), app.lastLines().constData());
        QCOMPARE(app.token.size(), 43); // 32 random bytes, base64url

        // Connected, then the fixture's state as the API words it.
        const Answer health = until(app, u"/health"_s,
            [](const QJsonObject &body) { return body[u"connection"_s].toString() == u"connected"_s; });
        QVERIFY2(
            json(health)[u"connection"_s].toString() == u"connected"_s, (health.body + app.lastLines()).constData());
        QCOMPARE(json(health)[u"receiver"_s].toString(), receiver.host());
        const Answer status = app.exchange("GET", u"/status"_s);
        QCOMPARE(status.status, 200);
        QCOMPARE(json(status)[u"power"_s].toString(), u"standby"_s);
        QTEST(json(status)[u"input"_s].toString(), "inputBefore");
        QCOMPARE(json(status)[u"mute"_s].toBool(), false);

        // Changes reach the receiver as its commands.
        QCOMPARE(app.exchange("POST", u"/power"_s, R"({"power": "on"})").status, 200);
        const Answer volume = app.exchange("POST", u"/volume"_s, R"({"db": -35.5})");
        QCOMPARE(volume.status, 200);
        QCOMPARE(json(volume)[u"volumeDb"_s].toDouble(), -35.5);
        QCOMPARE(app.exchange("POST", u"/volume"_s, R"({"db": -10})").status, 422); // above the cap
        QFETCH(QString, inputAsked);
        const Answer input
            = app.exchange("POST", u"/input"_s, QJsonDocument(QJsonObject { { u"input"_s, inputAsked } }).toJson());
        QCOMPARE(input.status, 200);
        QTEST(json(input)[u"input"_s].toString(), "inputSwitched");
        QCOMPARE(app.exchange("POST", u"/mute"_s, R"({"mute": true})").status, 200);
        QStringList sent;
        for (const auto &request : receiver.requests()) {
            if (request.path.contains(u"/set"_s)) {
                sent << request.target();
            }
        }
        // Exactly these, in this order: the refused volume sent nothing.
        QFETCH(QString, inputSent);
        const QStringList expected { u"main/setPower?power=on"_s, u"main/setActualVolume?mode=db&value=-35.5"_s,
            u"main/setInput?input="_s + inputSent, u"main/setMute?enable=true"_s };
        QCOMPARE(sent, expected);

        // A push event to the port Amplora registered: the volume it names shows without a poll's wait.
        quint16 eventPort = 0;
        for (const auto &request : receiver.requests()) {
            if (const QByteArray header = request.header("X-AppPort"); !header.isEmpty()) {
                eventPort = header.toUShort();
            }
        }
        QVERIFY2(eventPort != 0, "Amplora registered no port for push events");
        // The receiver changes first, as a real one does, so the read the event asks for agrees with it.
        QFile statusFile(model + u"/main_getStatus.json"_s);
        QVERIFY(statusFile.open(QIODevice::ReadOnly));
        QJsonObject changed = QJsonDocument::fromJson(statusFile.readAll()).object();
        changed[u"power"_s] = u"on"_s;
        changed[u"volume"_s] = 70;
        changed[u"actual_volume"_s]
            = QJsonObject { { u"mode"_s, u"db"_s }, { u"value"_s, -45.5 }, { u"unit"_s, u"dB"_s } };
        receiver.answer(u"main/getStatus"_s, QJsonDocument(changed).toJson());
        QFile deviceFile(model + u"/system_getDeviceInfo.json"_s);
        QVERIFY(deviceFile.open(QIODevice::ReadOnly));
        const QString deviceID = QJsonDocument::fromJson(deviceFile.readAll()).object()[u"device_id"_s].toString();
        const QByteArray event = QJsonDocument(
            QJsonObject {
                { u"main"_s, QJsonObject { { u"volume"_s, 70 }, { u"actual_volume"_s, changed[u"actual_volume"_s] } } },
                { u"device_id"_s,
                    deviceID } }).toJson(QJsonDocument::Compact);
        QUdpSocket sender;
        QCOMPARE(sender.writeDatagram(event, QHostAddress(QHostAddress::LocalHost), eventPort), qint64(event.size()));
        const Answer pushed
            = until(app, u"/status"_s, [](const QJsonObject &body) { return body[u"volumeDb"_s].toDouble() == -45.5; });
        QVERIFY2(json(pushed)[u"volumeDb"_s].toDouble() == -45.5, (pushed.body + app.lastLines()).constData());
        QCOMPARE(json(app.exchange("GET", u"/health"_s))[u"updates"_s].toString(), u"push"_s);

        // A new token through the running instance: the old one is refused from then on, the new one works.
        if (sessionBus) {
            const QString old = app.token;
            app.token = commandLine({ u"api-token"_s, u"--regenerate"_s }, environment, &code);
            QVERIFY2(code == 0 && app.alive(), app.lastLines().constData());
            QCOMPARE(app.token.size(), 43); // 32 random bytes, base64url
            QVERIFY(app.token != old);
            QCOMPARE(app.exchange("GET", u"/status"_s, {}, old).status, 401);
            QCOMPARE(app.exchange("GET", u"/status"_s).status, 200);
            QCOMPARE(commandLine({ u"api-token"_s }, environment, &code), app.token);
        }

        // It keeps running while polled, then stops cleanly on SIGTERM.
        while (std::chrono::milliseconds(running.elapsed()) < runFor && app.alive()) {
            QCOMPARE(app.exchange("GET", u"/inputs"_s).status, 200);
            QTest::qWait(500);
        }
        QVERIFY2(app.alive(), app.lastLines().constData());
        QVERIFY2(app.terminate(), app.lastLines().constData());
        QDir(home).removeRecursively();
    }
};

QTEST_GUILESS_MAIN(TestSmoke)
#include "tst_smoke.moc"
