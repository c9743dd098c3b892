#include "RouterRig.h"

#include "api/router/RequestBodies.h"

#include <QTest>

using namespace amplora;
using namespace amplora::api;
using namespace amplora::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// A scene as it may already sit in the store (stored scenes are checked again before they run).
ReceiverScene storedScene(const QString &name)
{
    ReceiverScene scene;
    scene.name = name;
    return scene;
}

void addSaveRows()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("response");

    const auto row = [](const char *name, const QByteArray &body, int status, const QByteArray &response) {
        QTest::addRow("%s", name) << body << status << response;
    };
    row("resolved names are stored",
        R"({"name":" Movie ","power":"on","input":"hdmi 1","soundMode":"sci fi","volumeDb":-35,"zone":"MAIN"})", 201,
        R"({"input":"HDMI 1","name":"Movie","power":"on","soundMode":"Sci-Fi","volumeDb":-35,"zone":"main"})");
    row("zone2 scene", R"({"name":"Kitchen","zone":"zone2","input":"tuner","bass":-1.5})", 201,
        R"({"bass":-1.5,"input":"Tuner","name":"Kitchen","zone":"zone2"})");
    row("name missing", R"({"power":"on"})", 400, errorJSON(400, "missing_field", "`name` is required."));
    row("name alone", R"({"name":"Night"})", 400, errorJSON(400, "empty_scene", "A scene needs at least one setting."));
    row("standby with a volume", R"({"name":"Night","power":"standby","volumeDb":-40})", 400,
        errorJSON(400, "invalid_scene", "A scene that puts the receiver in standby can^t change other settings."));
    row("input unknown in the scene's zone", R"({"name":"Kitchen","zone":"zone2","input":"HDMI 2"})", 400,
        bodyJSON(
            R"({"error":{"code":"unknown_input","message":"No input called `HDMI 2` in zone2.","status":400,"validNames":["HDMI 1","Tuner"]}})"));
    row("sound mode where there are none", R"({"name":"Kitchen","zone":"zone2","soundMode":"Straight"})", 400,
        errorJSON(400, "not_supported", "zone2 has no sound modes."));
    row("bass before treble", R"({"name":"Loud","treble":9,"bass":9})", 400,
        errorJSON(400, "out_of_range", "`bass` must be between -6 and 6 dB."));
    row("volume off the step", R"({"name":"Loud","volumeDb":-30.2})", 400,
        errorJSON(400, "invalid_step", "`volume` must be a multiple of 0.5 dB."));
    row("subwoofer out of range", R"({"name":"Boom","sub":6.5})", 400,
        errorJSON(400, "out_of_range", "`sub` must be between -6 and 6 dB."));

    row("the extras, the favourite as the receiver names it",
        R"({"name":"Radio","favourite":"harbour-fm","sleep":45,"direct":false})", 201,
        R"({"direct":false,"favourite":"Harbour FM","name":"Radio","sleep":45})");
    row("a sleep alone is a setting", R"({"name":"Nap","sleep":0})", 201, R"({"name":"Nap","sleep":0})");
    row("standby with a sleep", R"({"name":"Night","power":"standby","sleep":30})", 400,
        errorJSON(400, "invalid_scene", "A scene that puts the receiver in standby can^t change other settings."));
    row("input and favourite", R"({"name":"Radio","input":"AV 1","favourite":"Harbour FM"})", 400,
        errorJSON(400, "invalid_scene",
            "A scene can^t both switch the input and recall a favourite: the favourite picks its own input."));
    row("favourite unknown", R"({"name":"Radio","favourite":"Jazz FM"})", 400,
        bodyJSON(
            R"({"error":{"code":"unknown_favourite","message":"No favourite called `Jazz FM` in main.","status":400,"validNames":["Harbour FM","Morning Jazz","Vinyl Rips"]}})"));
    row("sleep negative", R"({"name":"Nap","sleep":-30})", 400,
        errorJSON(400, "invalid_value", "`sleep` must be 0 or more."));
    row("sleep where the zone has none", R"({"name":"Kitchen","zone":"zone2","input":"tuner","sleep":30})", 400,
        errorJSON(400, "not_supported", "zone2 has no sleep timer."));
}

// Main's status shows a sleep timer and direct, so the zone has them; zone2's shows neither.
void announceSleepAndDirectInMain(RouterRig &rig)
{
    rig.control->zoneStatus(Zone::main).sleep = 0;
    rig.control->zoneStatus(Zone::main).direct = false;
}

void addRunRows()
{
    QTest::addColumn<QByteArray>("scene"); // as stored, read as a saved body would be
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QStringList>("commands");
    const auto row = [](const char *name, const char *scene, const char *query, const char *failing, int status,
                         const QByteArray &response, const QStringList &commands = {}) {
        QTest::newRow(name) << QByteArray(scene) << QByteArray(query) << QString::fromLatin1(failing) << status
                            << response << commands;
    };

    const char *full
        = R"({"name":"Movie","power":"on","input":"HDMI 2","soundMode":"Sci-Fi","volumeDb":-35,"bass":1,"treble":-1,"sub":2})";
    const QStringList allCommands { u"setPower main on"_s, u"setInput main HDMI 2"_s, u"setSoundMode main Sci-Fi"_s,
        u"setVolume main -35"_s, u"setTone main bass=1 treble=-1"_s, u"setSubwoofer main 2"_s };
    row("every step in order", full, "", "", 200,
        R"({"applied":["power","input","soundMode","volumeDb","tone","sub"],"scene":"Movie","zone":"main"})",
        allCommands);
    row("stops at input, power stays applied", full, "", "setInput", 502,
        errorJSON(
            502, "receiver_error", "Scene `Movie` stopped at input (already applied: power): The receiver said no."),
        allCommands.mid(0, 2));
    row("stops at the first step", full, "", "setPower", 502,
        errorJSON(
            502, "receiver_error", "Scene `Movie` stopped at power (already applied: nothing): The receiver said no."),
        allCommands.mid(0, 1));
    row("a name sent percent-encoded", R"({"name":"Late Night Café","power":"on"})", "", "", 200,
        R"({"applied":["power"],"scene":"Late Night Café","zone":"main"})", { u"setPower main on"_s });
    row("a scene without a zone runs in the query's zone", R"({"name":"Quiet","volumeDb":-50})", "?zone=Zone2", "", 200,
        R"({"applied":["volumeDb"],"scene":"Quiet","zone":"zone2"})", { u"setVolume zone2 -50"_s });
    const char *kitchen = R"({"name":"Kitchen","zone":"zone2","input":"tuner"})";
    row("the scene's zone wins over the query", kitchen, "?zone=main", "", 200,
        R"({"applied":["input"],"scene":"Kitchen","zone":"zone2"})", { u"setInput zone2 Tuner"_s });
    row("the query zone is still checked", kitchen, "?zone=zone3", "", 400,
        errorJSON(400, "invalid_zone", "zone must be `main` or `zone2`."));
    row("a hand-edited standby scene is refused", R"({"name":"Sleepy","power":"standby","input":"AV 1"})", "", "", 400,
        errorJSON(400, "invalid_scene", "A scene that puts the receiver in standby can^t change other settings."));

    const char *evening
        = R"({"name":"Evening","power":"on","favourite":"Morning Jazz","soundMode":"Straight","direct":true,"volumeDb":-35,"bass":1,"sub":2,"sleep":100})";
    const QStringList eveningCommands { u"setPower main on"_s, u"recallFavourite main 2"_s,
        u"setSoundMode main Straight"_s, u"setDirect main true"_s, u"setVolume main -35"_s,
        u"setTone main bass=1 treble=-"_s, u"setSubwoofer main 2"_s, u"setSleep main 120"_s };
    row("the extras in order, the favourite in place of the input", evening, "", "", 200,
        R"({"applied":["power","favourite","soundMode","direct","volumeDb","tone","sub","sleep"],"scene":"Evening","zone":"main"})",
        eveningCommands);
    row("stops at direct", evening, "", "setDirect", 502,
        errorJSON(502, "receiver_error",
            "Scene `Evening` stopped at direct (already applied: power, favourite, soundMode): The receiver said no."),
        eveningCommands.mid(0, 4));
    row("a favourite the receiver no longer has changes nothing",
        R"({"name":"Radio","power":"on","favourite":"Jazz FM"})", "", "", 400,
        bodyJSON(
            R"({"error":{"code":"unknown_favourite","message":"No favourite called `Jazz FM` in main.","status":400,"validNames":["Harbour FM","Morning Jazz","Vinyl Rips"]}})"));
}

const QByteArray sunriseNotFound = errorJSON(404, "scene_not_found", "No scene called `Sunrise`.");

} // namespace

class TestAPIRouterScenes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void save_data() { addSaveRows(); }
    void save()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QByteArray, response);

        RouterRig rig;
        announceSleepAndDirectInMain(rig);
        const HTTPResponse answer = rig.send("POST", "/api/v1/scenes", body);
        QCOMPARE(answer.body, response);
        QCOMPARE(answer.status, status);
        QCOMPARE(rig.scenes->scenes.size(), status == 201 ? 1 : 0);
        QVERIFY(rig.control->commands.isEmpty()); // saving never touches the receiver
    }

    void lifecycle()
    {
        RouterRig rig;
        QCOMPARE(rig.send("GET", "/api/v1/scenes").body, QByteArray(R"({"scenes":[]})"));
        QCOMPARE(rig.send("POST", "/api/v1/scenes", R"({"name":"Night","power":"standby"})").status, 201);
        QCOMPARE(rig.send("POST", "/api/v1/scenes", R"({"name":"Movie","input":"av 1"})").status, 201);
        // Same name in other letters: replaced, renamed and moved to the end.
        const HTTPResponse replaced = rig.send("POST", "/api/v1/scenes", R"({"name":"night","power":"on"})");
        QCOMPARE(replaced.status, 200);
        QCOMPARE(replaced.body, QByteArray(R"({"name":"night","power":"on"})"));
        QCOMPARE(rig.send("GET", "/api/v1/scenes").body,
            QByteArray(R"({"scenes":[{"input":"AV 1","name":"Movie"},{"name":"night","power":"on"}]})"));
        QCOMPARE(rig.send("GET", "/api/v1/scenes/NIGHT").body, QByteArray(R"({"name":"night","power":"on"})"));
        QCOMPARE(rig.send("GET", "/api/v1/scenes/Sunrise").body, sunriseNotFound);

        const HTTPResponse deleted = rig.send("DELETE", "/api/v1/scenes/Night");
        QCOMPARE(deleted.status, 204);
        QCOMPARE(deleted.serialized(),
            QByteArray("HTTP/1.1 204 No Content\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
        QCOMPARE(rig.send("DELETE", "/api/v1/scenes/Night").status, 404);
        QCOMPARE(rig.scenes->scenes.size(), 1);
        QVERIFY(rig.control->commands.isEmpty());
    }

    void run_data() { addRunRows(); }
    void run()
    {
        QFETCH(QByteArray, scene);
        QFETCH(QByteArray, query);
        QFETCH(QString, failing);
        QFETCH(int, status);
        QFETCH(QByteArray, response);
        QFETCH(QStringList, commands);

        RouterRig rig;
        announceSleepAndDirectInMain(rig);
        const ReceiverScene stored = parseScene(scene).value();
        rig.scenes->scenes.append(stored);
        if (!failing.isEmpty())
            rig.control->failOnReceiver(failing, u"The receiver said no."_s);
        const HTTPResponse answer
            = rig.send("POST", "/api/v1/scenes/" + QUrl::toPercentEncoding(stored.name) + "/run" + query);
        QCOMPARE(answer.body, response);
        QCOMPARE(answer.status, status);
        QCOMPARE(rig.control->commands, commands);
    }

    void runIsRateLimitedOnlyWithAVolume()
    {
        RouterRig rig;
        ReceiverScene quiet = storedScene(u"Quiet"_s);
        quiet.volumeDb = -50;
        ReceiverScene hdmi = storedScene(u"Console"_s);
        hdmi.input = u"HDMI 2"_s;
        rig.scenes->scenes = { quiet, hdmi };
        for (int i = 0; i < 5; ++i)
            QCOMPARE(rig.send("POST", "/api/v1/scenes/Quiet/run").status, 200);
        const HTTPResponse refused = rig.send("POST", "/api/v1/scenes/Quiet/run");
        QCOMPARE(refused.status, 429);
        QCOMPARE(refused.headers.constLast().first, QByteArray("Retry-After"));
        QCOMPARE(rig.send("POST", "/api/v1/scenes/Console/run").status, 200);
        QCOMPARE(rig.send("POST", "/api/v1/scenes/Quiet/run?zone=zone2").status, 200);
        QCOMPARE(rig.control->commands.count(u"setVolume main -50"_s), 5);
    }

    void storeFailures()
    {
        RouterRig rig;
        rig.scenes->failure = SceneStoreError { u"The disk is full."_s };
        const QByteArray expected
            = errorJSON(500, "scene_store_error", "Couldn^t read or write scenes: The disk is full.");
        QCOMPARE(rig.send("GET", "/api/v1/scenes").body, expected);
        QCOMPARE(rig.send("GET", "/api/v1/scenes/Movie").body, expected);
        QCOMPARE(rig.send("DELETE", "/api/v1/scenes/Movie").body, expected);
        QCOMPARE(rig.send("POST", "/api/v1/scenes/Movie/run").body, expected);
        QCOMPARE(rig.send("POST", "/api/v1/scenes", R"({"name":"Movie","power":"on"})").body, expected);
        QVERIFY(rig.control->commands.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAPIRouterScenes)
#include "tst_apirouterscenes.moc"
