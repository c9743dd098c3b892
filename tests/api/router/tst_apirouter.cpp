#include "RouterRig.h"

#include <QTest>

using namespace amplora;
using namespace amplora::api;
using namespace amplora::test;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

QByteArray header(const HTTPResponse &response, const QByteArray &name)
{
    for (const auto &[key, value] : response.headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

void row(const char *name, const char *method, const char *target, const char *body, int status,
    const QByteArray &response, const QStringList &commands = {}, bool authorised = true)
{
    QTest::addRow("%s", name) << QByteArray(method) << QByteArray(target) << QByteArray(body) << authorised << status
                              << response << commands;
}

// The rows of TestAPIRouter::endpoint; outside the class because moc misreads raw strings holding \".
void addEndpointRows()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("authorised");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QStringList>("commands");

    const QByteArray notFound = errorJSON(404, "not_found", "No such endpoint. The API lives under /api/v1.");
    const QByteArray unauthorized
        = errorJSON(401, "unauthorized", "Missing or wrong token. Send `Authorization: Bearer <token>`.");

    // Prefix, token, path and method, in that order.
    row("outside the API without a token", "GET", "/health", "", 404, notFound, {}, false);
    row("wrong version", "GET", "/api/v2/status", "", 404, notFound);
    row("unknown endpoint without a token", "GET", "/api/v1/nope", "", 401, unauthorized, {}, false);
    row("known endpoint without a token", "POST", "/api/v1/power", "{\"power\":\"on\"}", 401, unauthorized, {}, false);
    row("unknown endpoint", "GET", "/api/v1/nope", "", 404,
        errorJSON(404, "not_found", "No such endpoint: /api/v1/nope."));
    row("bare prefix", "GET", "/api/v1", "", 404, errorJSON(404, "not_found", "No such endpoint: /api/v1/."));
    row("segments are case-sensitive", "GET", "/api/v1/Status", "", 404,
        errorJSON(404, "not_found", "No such endpoint: /api/v1/Status."));
    row("run needs exactly three segments", "POST", "/api/v1/scenes/Movie/run/now", "", 404,
        errorJSON(404, "not_found", "No such endpoint: /api/v1/scenes/Movie/run/now."));
    // A method the path does not take is refused before its zone is read (everyRouteAnswers holds each path's
    // methods).
    row("method before zone", "GET", "/api/v1/volume?zone=zone9", "", 405,
        errorJSON(405, "method_not_allowed", "Use POST here."));

    // Reads.
    row("status of main", "GET", "/api/v1/status", "", 200,
        R"({"bass":0,"input":"HDMI 1","mute":false,"power":"on","soundMode":"Straight","volumeDb":-40,"zone":"main"})");
    row("lower-case method and zone value", "get", "/api/v1/status?zone=ZONE2", "", 200,
        R"({"input":"Tuner","mute":false,"power":"on","volumeDb":-20,"zone":"zone2"})");
    row("unknown zone", "GET", "/api/v1/status?zone=zone3", "", 400,
        errorJSON(400, "invalid_zone", "zone must be `main` or `zone2`."));
    row("inputs", "GET", "/api/v1/inputs?zone=zone2", "", 200, R"({"inputs":["HDMI 1","Tuner"],"zone":"zone2"})");
    row("sound modes", "GET", "/api/v1/sound-modes", "", 200,
        R"({"soundModes":["Straight","Sci-Fi","Movie Hall"],"zone":"main"})");
    row("a read ignores its body", "GET", "/api/v1/inputs", "not json", 200,
        R"({"inputs":["HDMI 1","HDMI1","HDMI 2","AV 1","Net Radio"],"zone":"main"})");
    const QByteArray health
        = R"({"connection":"connected","eventPort":41100,"lastEventSecondsAgo":12,"receiver":"192.168.1.20","updates":"push"})";
    row("health", "GET", "/api/v1/health", "", 200, health);
    row("health has no zone", "GET", "/api/v1/health?zone=zone9", "", 200, health);
    row("health without a token", "GET", "/api/v1/health", "", 401, unauthorized, {}, false);

    // Power.
    row("power missing", "POST", "/api/v1/power", "{}", 400, errorJSON(400, "missing_field", "`power` is required."));
    row("zone before body", "POST", "/api/v1/power?zone=zone3", "[]", 400,
        errorJSON(400, "invalid_zone", "zone must be `main` or `zone2`."));

    // Volume.
    row("volume exactly at the cap", "POST", "/api/v1/volume", R"({"db":-20})", 200,
        R"({"ok":true,"volumeDb":-20,"zone":"main"})", { u"setVolume main -20"_s });
    row("volume above the cap", "POST", "/api/v1/volume", R"({"db":-19.5})", 422,
        R"({"error":{"cap":-20,"code":"volume_above_cap","message":"Volume -19.5 dB is above the cap of -20 dB.","status":422}})");
    row("volume above the cap and off the step", "POST", "/api/v1/volume", R"({"db":-10.3})", 422,
        R"({"error":{"cap":-20,"code":"volume_above_cap","message":"Volume -10.3 dB is above the cap of -20 dB.","status":422}})");
    row("volume at the minimum", "POST", "/api/v1/volume", R"({"db":-80.5})", 200,
        R"({"ok":true,"volumeDb":-80.5,"zone":"main"})", { u"setVolume main -80.5"_s });
    row("volume below the minimum", "POST", "/api/v1/volume", R"({"db":-81})", 400,
        errorJSON(400, "out_of_range", "Volume must be at least -80.5 dB."));
    row("volume off the step", "POST", "/api/v1/volume", R"({"db":-30.25})", 400,
        errorJSON(400, "invalid_step", "`volume` must be a multiple of 0.5 dB."));
    row("step up at the cap", "POST", "/api/v1/volume?zone=zone2", R"({"step":"up"})", 422,
        R"({"error":{"cap":-20,"code":"volume_above_cap","message":"Volume -19.5 dB is above the cap of -20 dB.","status":422}})");
    row("step down at the cap", "POST", "/api/v1/volume?zone=zone2", R"({"step":"down"})", 200,
        R"({"ok":true,"step":"down","zone":"zone2"})", { u"stepVolume zone2 down"_s });
    row("volume ramp started", "POST", "/api/v1/volume", R"({"db":-30,"rampSeconds":8})", 202,
        R"({"ok":true,"rampSeconds":8,"volumeDb":-30,"zone":"main"})", { u"rampVolume main -30 8"_s });
    row("volume ramp above the cap", "POST", "/api/v1/volume", R"({"db":-19.5,"rampSeconds":8})", 422,
        R"({"error":{"cap":-20,"code":"volume_above_cap","message":"Volume -19.5 dB is above the cap of -20 dB.","status":422}})");

    // Input.
    row("input ambiguous", "POST", "/api/v1/input", R"({"input":"Hdmi-1"})", 400,
        bodyJSON(
            R"({"error":{"code":"ambiguous_name","message":"`Hdmi-1` matches more than one input: HDMI 1, HDMI1.","status":400,"validNames":["HDMI 1","HDMI1"]}})"));
    row("input unknown in zone2", "POST", "/api/v1/input?zone=zone2", R"({"input":"Net Radio"})", 400,
        bodyJSON(
            R"({"error":{"code":"unknown_input","message":"No input called `Net Radio` in zone2.","status":400,"validNames":["HDMI 1","Tuner"]}})"));

    // Sound mode.
    row("sound mode unknown", "POST", "/api/v1/sound-mode", R"({"soundMode":"Jazz Club"})", 400,
        bodyJSON(
            R"({"error":{"code":"unknown_sound_mode","message":"No sound mode called `Jazz Club` in main.","status":400,"validNames":["Straight","Sci-Fi","Movie Hall"]}})"));

    // Tone.
    row("both at the range ends", "POST", "/api/v1/tone?zone=zone2", R"({"bass":-6,"treble":6})", 200,
        R"({"bass":-6,"ok":true,"treble":6,"zone":"zone2"})", { u"setTone zone2 bass=-6 treble=6"_s });

    // What only some zones have.
    row("sleep negative", "POST", "/api/v1/sleep", R"({"minutes":-1})", 400,
        errorJSON(400, "invalid_value", "`minutes` must be 0 or more."));
    row("dialogue with a fraction", "POST", "/api/v1/dialogue", R"({"level":0.5})", 400,
        errorJSON(400, "invalid_value", "`level` must be a whole number."));
    row("repeat mode unknown", "POST", "/api/v1/repeat", R"({"mode":"twice"})", 400,
        errorJSON(400, "invalid_value", "`mode` must be one of: off, one, all."));
    row("shuffle", "POST", "/api/v1/shuffle", R"({"mode":"on"})", 200, R"({"ok":true,"shuffle":"on","zone":"main"})",
        { u"setShuffle main on"_s });
    row("favourites", "GET", "/api/v1/favourites", "", 200,
        R"({"favourites":[{"input":"net_radio","name":"Harbour FM","number":1},{"input":"spotify","name":"Morning Jazz","number":2},{"input":"server","name":"Vinyl Rips","number":4}],"zone":"main"})");
    row("recall a favourite by name", "POST", "/api/v1/favourites/Harbour%20FM/recall", "", 404,
        errorJSON(404, "favourite_not_found", "No favourite number Harbour FM."));
    row("recall a scene button", "POST", "/api/v1/receiver-scenes/08/recall", "", 200,
        R"({"ok":true,"receiverScene":8,"zone":"main"})", { u"recallReceiverScene main 8"_s });
    row("recall a scene button beyond an int", "POST", "/api/v1/receiver-scenes/99999999999/recall?zone=zone2", "", 404,
        errorJSON(404, "receiver_scene_not_found", "zone2 has no scene button 99999999999."));
}

void addFailureRows()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<ControlError>("error");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QStringList>("commands");

    const auto row
        = [](const char *name, const char *operation, const ControlError &error, const char *method, const char *target,
              const char *body, const QByteArray &response, const QStringList &commands = {}) {
              QTest::addRow("%s", name) << QString::fromLatin1(operation) << error << QByteArray(method)
                                        << QByteArray(target) << QByteArray(body) << response << commands;
          };
    const ControlError late = ControlError::receiverFailure(u"The receiver did not answer in time."_s);
    const QByteArray receiverError
        = errorJSON(502, "receiver_error", "The receiver call failed: The receiver did not answer in time.");
    const QByteArray readOnly = errorJSON(502, "read_only",
        "Amplora is running read-only (--read-only), so it blocked main/setMute before it reached the receiver. "
        "Nothing was changed.");

    row("status read fails", "status", late, "GET", "/api/v1/status", "", receiverError);
    row("health unreadable", "health", late, "GET", "/api/v1/health", "", receiverError);
    row("command fails", "setPower", late, "POST", "/api/v1/power", R"({"power":"on"})", receiverError,
        { u"setPower main on"_s });
    row("step fails", "stepVolume", late, "POST", "/api/v1/volume", R"({"step":"up"})", receiverError,
        { u"stepVolume main up"_s });
    row("cap unreadable: nothing sent", "volumeCapDb", late, "POST", "/api/v1/volume", R"({"db":-30})", receiverError);
    row("inputs unreadable: nothing sent", "inputs", late, "POST", "/api/v1/input", R"({"input":"AV 1"})",
        receiverError);
    row("read-only", "setMute", ControlError::readOnly(u"main/setMute"_s), "POST", "/api/v1/mute", R"({"mute":true})",
        readOnly, { u"setMute main true"_s });
    row("input unknown to the receiver", "setInput",
        ControlError::unknownInput(u"AV 1"_s, Zone::main, { u"HDMI 1"_s, u"AV 2"_s }), "POST", "/api/v1/input",
        R"({"input":"AV 1"})",
        bodyJSON(
            R"({"error":{"code":"unknown_input","message":"No input called `AV 1` in main.","status":400,"validNames":["HDMI 1","AV 2"]}})"),
        { u"setInput main AV 1"_s });
    row("sound mode unknown to the receiver", "setSoundMode",
        ControlError::unknownSoundMode(u"Straight"_s, Zone::main, {}), "POST", "/api/v1/sound-mode",
        R"({"soundMode":"Straight"})",
        bodyJSON(
            R"({"error":{"code":"unknown_sound_mode","message":"No sound mode called `Straight` in main.","status":400,"validNames":[]}})"),
        { u"setSoundMode main Straight"_s });
    row("no volume range", "setVolume", ControlError::noVolumeRange(Zone::zone2), "POST", "/api/v1/volume?zone=zone2",
        R"({"db":-30})", errorJSON(502, "receiver_error", "The receiver reported no volume range for zone2."),
        { u"setVolume zone2 -30"_s });
    row("no status", "status", ControlError::noStatus(Zone::zone2), "GET", "/api/v1/status?zone=zone2", "",
        errorJSON(502, "receiver_error", "The receiver sent no status for zone2."));
}

} // namespace

Q_DECLARE_METATYPE(amplora::api::ControlError)

class TestAPIRouter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every row starts from a fresh rig; a refusal must leave the receiver untouched (no commands).
    void endpoint_data() { addEndpointRows(); }
    void endpoint()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, body);
        QFETCH(bool, authorised);
        QFETCH(int, status);
        QFETCH(QByteArray, response);
        QFETCH(QStringList, commands);

        RouterRig rig;
        const HTTPResponse answer = rig.send(method, target, body, authorised);
        QCOMPARE(answer.body, response);
        QCOMPARE(answer.status, status);
        QCOMPARE(header(answer, "Content-Type"), QByteArray("application/json; charset=utf-8"));
        QCOMPARE(rig.control->commands, commands);
        QCOMPARE(header(answer, "WWW-Authenticate").isEmpty(), status != 401);
        QVERIFY(header(answer, "Allow").isEmpty());
    }

    // The router lists exactly the API's paths, each answers its own methods, and any other method is refused
    // with the path's methods in the table's order.
    void everyRouteAnswers_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("allowed");
        RouterRig rig;
        const QStringList endpoints = rig.router.endpoints();
        QCOMPARE(endpoints,
            QStringList({ u"GET /api/v1/status"_s, u"GET /api/v1/health"_s, u"GET /api/v1/inputs"_s,
                u"GET /api/v1/sound-modes"_s, u"POST /api/v1/power"_s, u"POST /api/v1/volume"_s, u"POST /api/v1/mute"_s,
                u"POST /api/v1/input"_s, u"POST /api/v1/sound-mode"_s, u"POST /api/v1/tone"_s,
                u"POST /api/v1/subwoofer"_s, u"POST /api/v1/playback"_s, u"POST /api/v1/sleep"_s,
                u"POST /api/v1/direct"_s, u"POST /api/v1/enhancer"_s, u"POST /api/v1/dialogue"_s,
                u"POST /api/v1/repeat"_s, u"POST /api/v1/shuffle"_s, u"GET /api/v1/favourites"_s,
                u"POST /api/v1/favourites/{number}/recall"_s, u"POST /api/v1/receiver-scenes/{number}/recall"_s,
                u"GET /api/v1/tuner/presets"_s, u"POST /api/v1/tuner/presets/{number}/recall"_s,
                u"GET /api/v1/scenes"_s, u"POST /api/v1/scenes"_s, u"GET /api/v1/scenes/{name}"_s,
                u"DELETE /api/v1/scenes/{name}"_s, u"POST /api/v1/scenes/{name}/run"_s }));
        QHash<QString, QStringList> methods;
        for (const QString &endpoint : endpoints) {
            const QStringList parts = endpoint.split(u' ');
            methods[parts.at(1)].append(parts.at(0));
        }
        for (const QString &endpoint : endpoints) {
            const QStringList parts = endpoint.split(u' ');
            QTest::addRow("%s", qPrintable(endpoint))
                << parts.at(0) << parts.at(1) << methods.value(parts.at(1)).join(u", "_s);
        }
    }
    void everyRouteAnswers()
    {
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(QString, allowed);
        RouterRig rig;
        const QByteArray target
            = QString(path).replace(u"{number}"_s, u"1"_s).replace(u"{name}"_s, u"Movie"_s).toUtf8();
        const HTTPResponse answer = rig.send(method.toUtf8(), target, "{}");
        QVERIFY2(answer.status != 0 && answer.status != 405 && !answer.body.contains(R"("code":"not_found")"),
            answer.body.constData());
        const HTTPResponse refused = rig.send("PATCH", target, "{}");
        QCOMPARE(refused.body,
            errorJSON(405, "method_not_allowed", QByteArray("Use " + allowed.toUtf8() + " here.").constData()));
    }

    // The status leaves out what is unknown; the health names every key, with null for the unknown.
    void healthWritesNullForTheUnknown()
    {
        RouterRig rig;
        rig.control->healthReport = {};
        QCOMPARE(rig.send("GET", "/api/v1/health").body,
            QByteArray(
                R"({"connection":"idle","eventPort":null,"lastEventSecondsAgo":null,"receiver":"","updates":"stale"})"));
        QCOMPARE(rig.control->reads, QStringList { u"health"_s });
    }

    void refusesEveryoneUntilATokenIsSet()
    {
        RouterRig rig;
        rig.authenticator->setToken(std::nullopt);
        QCOMPARE(rig.send("GET", "/api/v1/status").status, 401);
        QCOMPARE(rig.send("POST", "/api/v1/mute", R"({"mute":true})").status, 401);
        QVERIFY(rig.control->commands.isEmpty());
        QVERIFY(rig.control->reads.isEmpty());
    }

    void rateLimit()
    {
        RouterRig rig;
        for (int i = 0; i < 5; ++i)
            QCOMPARE(rig.send("POST", "/api/v1/volume", R"({"db":-30})").status, 200);
        rig.advance(200ms);
        const HTTPResponse refused = rig.send("POST", "/api/v1/volume", R"({"step":"down"})");
        QCOMPARE(refused.status, 429);
        QCOMPARE(refused.body,
            QByteArray(
                R"({"error":{"code":"rate_limited","message":"Too many volume changes: at most 5 per 1 s. Try again shortly.","retryAfterSeconds":1,"status":429}})"));
        QCOMPARE(header(refused, "Retry-After"), QByteArray("1"));
        QCOMPARE(rig.control->commands.size(), 5);

        // The other zone has its own allowance; a refusal for another reason uses none of it.
        QCOMPARE(rig.send("POST", "/api/v1/volume?zone=zone2", R"({"db":-10})").status, 422);
        QCOMPARE(rig.send("POST", "/api/v1/volume?zone=zone2", R"({"step":"up"})").status, 422);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(rig.send("POST", "/api/v1/volume?zone=zone2", R"({"step":"down"})").status, 200);
        QCOMPARE(rig.send("POST", "/api/v1/volume?zone=zone2", R"({"db":-30})").status, 429);

        // Other commands are never limited, the ones that leave the volume alone least of all; a window later the
        // volume moves again.
        QCOMPARE(rig.send("POST", "/api/v1/mute", R"({"mute":true})").status, 200);
        QCOMPARE(rig.send("POST", "/api/v1/sleep", R"({"minutes":30})").status, 200);
        QCOMPARE(rig.send("POST", "/api/v1/favourites/1/recall").status, 200);
        QCOMPARE(rig.send("POST", "/api/v1/receiver-scenes/1/recall").status, 200);
        rig.advance(800ms);
        QCOMPARE(rig.send("POST", "/api/v1/volume", R"({"db":-31})").status, 200);
        QCOMPARE(rig.control->commands.constLast(), u"setVolume main -31"_s);
    }

    // A fade is one volume change for the limit, whatever number of steps the control sends for it.
    void rampCountsOnce()
    {
        RouterRig rig;
        QCOMPARE(rig.send("POST", "/api/v1/volume", R"({"db":-30,"rampSeconds":1})").status, 202);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(rig.send("POST", "/api/v1/volume", R"({"db":-30})").status, 200);
        QCOMPARE(rig.send("POST", "/api/v1/volume", R"({"db":-30,"rampSeconds":1})").status, 429);
    }

    void retryAfterIsWholeSecondsRoundedUp()
    {
        RouterRig rig(1, 2.5);
        QCOMPARE(rig.send("POST", "/api/v1/volume", R"({"db":-30})").status, 200);
        rig.advance(100ms);
        const HTTPResponse refused = rig.send("POST", "/api/v1/volume", R"({"db":-30})");
        QCOMPARE(header(refused, "Retry-After"), QByteArray("3"));
        QVERIFY(refused.body.contains("at most 1 per 2.5 s."));
    }

    // How each kind of control failure reaches the client; nothing the control refused reaches the receiver.
    void failures_data() { addFailureRows(); }
    void failures()
    {
        QFETCH(QString, operation);
        QFETCH(ControlError, error);
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, response);
        QFETCH(QStringList, commands);

        RouterRig rig;
        rig.control->failOn(operation, error);
        const HTTPResponse answer = rig.send(method, target, body);
        QCOMPARE(answer.body, response);
        QCOMPARE(rig.control->commands, commands);
    }

    // A request waiting for the receiver keeps the router's collaborators alive after the router is gone.
    void requestOutlivesItsRouter()
    {
        auto control = std::make_shared<FakeReceiverControl>();
        control->capDb = 0;
        auto authenticator = std::make_shared<TokenAuthenticator>();
        authenticator->setToken(QString::fromLatin1(RouterRig::token));
        std::optional<HTTPResponse> answer;
        {
            auto router = std::make_unique<APIRouter>(control, std::make_shared<MemorySceneStore>(),
                ReceiverAPIConfiguration {}, authenticator, std::make_shared<VolumeRateLimiter>(5, 1.0));
            control->hold = true;
            const auto drive = [](QCoro::Task<HTTPResponse> task, std::optional<HTTPResponse> *into) -> QCoro::Task<> {
                into->emplace(co_await task);
            };
            drive(router->handle(RouterRig::request("POST", "/api/v1/volume", R"({"db":-30})")), &answer);
            QCOMPARE(control->heldCount(), 1); // waiting for the cap
        }
        control->hold = false;
        control->releaseHeld();
        QVERIFY(answer);
        QCOMPARE(answer->status, 200);
        QCOMPARE(control->commands, QStringList { u"setVolume main -30"_s });
    }
};

QTEST_GUILESS_MAIN(TestAPIRouter)
#include "tst_apirouter.moc"
