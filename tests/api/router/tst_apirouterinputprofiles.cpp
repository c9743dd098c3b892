#include "RouterRig.h"

#include "api/scenes/InputProfileService.h"
#include "support/MemoryInputProfileStore.h"

#include <QTest>

using namespace amplora;
using namespace amplora::api;
using namespace amplora::test;
using namespace Qt::StringLiterals;

namespace {

// The router rig with input profiles over an in-memory store. Main has direct and a dialogue level of 0 to 3;
// zone2 has neither.
struct ProfileRig : RouterRig {
    std::shared_ptr<MemoryInputProfileStore> store = std::make_shared<MemoryInputProfileStore>();

    ProfileRig()
    {
        control->zoneStatus(Zone::main).direct = false;
        control->zoneStatus(Zone::main).dialogueLevel = 1;
        router.setInputProfiles(std::make_shared<InputProfileService>(
            control, store, ReceiverAPIConfiguration {}, [](Zone zone, int level) -> std::optional<ControlError> {
                if (level < 0 || level > 3)
                    return ControlError::dialogueOutOfRange(zone, level, 0, 3);
                return std::nullopt;
            }));
    }
};

InputProfile stored(Zone zone, const QString &input, double volumeDb)
{
    InputProfile profile;
    profile.zone = zone;
    profile.input = input;
    profile.volumeDb = volumeDb;
    return profile;
}

} // namespace

class TestAPIRouterInputProfiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void put_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("response");
        const auto row
            = [](const char *name, const char *target, const char *body, int status, const QByteArray &response) {
                  QTest::newRow(name) << QByteArray(target) << QByteArray(body) << status << response;
              };
        row("every key, names resolved loosely", "/api/v1/input-profiles/av-1",
            R"({"soundMode":"sci fi","direct":true,"volumeDb":-35,"dialogueLevel":2})", 201,
            R"({"dialogueLevel":2,"direct":true,"input":"AV 1","soundMode":"Sci-Fi","volumeDb":-35})");
        row("a percent-encoded input", "/api/v1/input-profiles/Net%20Radio", R"({"volumeDb":-40})", 201,
            R"({"input":"Net Radio","volumeDb":-40})");
        row("zone2 by the query", "/api/v1/input-profiles/tuner?zone=zone2", R"({"volumeDb":-40})", 201,
            R"({"input":"Tuner","volumeDb":-40})");
        row("unknown input", "/api/v1/input-profiles/Phono", R"({"volumeDb":-40})", 400,
            bodyJSON(
                R"({"error":{"code":"unknown_input","message":"No input called `Phono` in main.","status":400,"validNames":["HDMI 1","HDMI1","HDMI 2","AV 1","Net Radio"]}})"));
        row("ambiguous input", "/api/v1/input-profiles/hdmi-1", R"({"volumeDb":-40})", 400,
            bodyJSON(
                R"({"error":{"code":"ambiguous_name","message":"`hdmi-1` matches more than one input: HDMI 1, HDMI1.","status":400,"validNames":["HDMI 1","HDMI1"]}})"));
        row("no setting", "/api/v1/input-profiles/AV%201", "{}", 400,
            errorJSON(400, "missing_field", "Send at least one of soundMode, direct, volumeDb, dialogueLevel."));
        row("unknown key", "/api/v1/input-profiles/AV%201", R"({"volumeDb":-40,"bass":2})", 400,
            errorJSON(
                400, "unknown_field", "Unknown field(s): bass. Allowed: dialogueLevel, direct, soundMode, volumeDb."));
        row("dialogue not whole", "/api/v1/input-profiles/AV%201", R"({"dialogueLevel":1.5})", 400,
            errorJSON(400, "invalid_value", "`dialogueLevel` must be a whole number."));
        row("volume above the cap", "/api/v1/input-profiles/AV%201", R"({"volumeDb":-10})", 422,
            bodyJSON(
                R"({"error":{"cap":-20,"code":"volume_above_cap","message":"Volume -10 dB is above the cap of -20 dB.","status":422}})"));
        row("volume off the step", "/api/v1/input-profiles/AV%201", R"({"volumeDb":-30.2})", 400,
            errorJSON(400, "invalid_step", "`volume` must be a multiple of 0.5 dB."));
        row("unknown sound mode", "/api/v1/input-profiles/AV%201", R"({"soundMode":"Jazz Club"})", 400,
            bodyJSON(
                R"({"error":{"code":"unknown_sound_mode","message":"No sound mode called `Jazz Club` in main.","status":400,"validNames":["Straight","Sci-Fi","Movie Hall"]}})"));
        row("sound mode where there are none", "/api/v1/input-profiles/Tuner?zone=zone2", R"({"soundMode":"Straight"})",
            400, errorJSON(400, "not_supported", "zone2 has no sound modes."));
        row("direct where the zone has none", "/api/v1/input-profiles/Tuner?zone=zone2", R"({"direct":true})", 400,
            errorJSON(400, "not_supported", "zone2 has no direct mode."));
        row("dialogue where the zone has none", "/api/v1/input-profiles/Tuner?zone=zone2", R"({"dialogueLevel":1})",
            400, errorJSON(400, "not_supported", "zone2 has no dialogue level."));
        row("dialogue out of the zone's range", "/api/v1/input-profiles/AV%201", R"({"dialogueLevel":4})", 422,
            errorJSON(422, "out_of_range", "Dialogue level 4 is outside main^s range of 0 to 3."));
    }
    void put()
    {
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QByteArray, response);

        ProfileRig rig;
        const HTTPResponse answer = rig.send("PUT", target, body);
        QCOMPARE(answer.body, response);
        QCOMPARE(answer.status, status);
        QCOMPARE(rig.store->profiles.size(), status == 201 ? 1 : 0);
        QVERIFY(rig.control->commands.isEmpty()); // saving never touches the receiver
    }

    void lifecycle()
    {
        ProfileRig rig;
        rig.store->profiles = { stored(Zone::zone2, u"Tuner"_s, -50) };
        QCOMPARE(rig.send("GET", "/api/v1/input-profiles").body, QByteArray(R"({"profiles":[],"zone":"main"})"));
        QCOMPARE(rig.send("PUT", "/api/v1/input-profiles/AV%201", R"({"volumeDb":-30})").status, 201);
        QCOMPARE(rig.send("PUT", "/api/v1/input-profiles/HDMI%202", R"({"volumeDb":-45})").status, 201);
        const HTTPResponse replaced = rig.send("PUT", "/api/v1/input-profiles/av1", R"({"soundMode":"straight"})");
        QCOMPARE(replaced.status, 200);
        QCOMPARE(replaced.body, QByteArray(R"({"input":"AV 1","soundMode":"Straight"})"));
        QCOMPARE(rig.send("GET", "/api/v1/input-profiles?zone=main").body,
            QByteArray(
                R"({"profiles":[{"input":"HDMI 2","volumeDb":-45},{"input":"AV 1","soundMode":"Straight"}],"zone":"main"})"));
        QCOMPARE(rig.send("GET", "/api/v1/input-profiles?zone=zone2").body,
            QByteArray(R"({"profiles":[{"input":"Tuner","volumeDb":-50}],"zone":"zone2"})"));

        // Deleting matches the zone's profiles loosely, and only that zone's.
        QCOMPARE(rig.send("DELETE", "/api/v1/input-profiles/tuner").body,
            errorJSON(404, "input_profile_not_found", "No input profile for `tuner` in main."));
        QCOMPARE(rig.send("DELETE", "/api/v1/input-profiles/hdmi-2").status, 204);
        QCOMPARE(rig.send("DELETE", "/api/v1/input-profiles/hdmi-2").status, 404);
        QCOMPARE(rig.send("DELETE", "/api/v1/input-profiles/tuner?zone=zone2").status, 204);
        QCOMPARE(rig.store->profiles, (QList<InputProfile> { [] {
            InputProfile kept;
            kept.input = u"AV 1"_s;
            kept.soundMode = u"Straight"_s;
            return kept;
        }() }));
        QCOMPARE(rig.send("GET", "/api/v1/input-profiles?zone=zone3").status, 400);
        QVERIFY(rig.control->commands.isEmpty());
    }

    // A store that fails answers 500 with its reason; a router without profiles does not offer them.
    void storeFailureAndAbsence()
    {
        ProfileRig rig;
        rig.store->failure = SceneStoreError { u"Couldn't read /x.json: Permission denied."_s };
        QCOMPARE(rig.send("GET", "/api/v1/input-profiles").body,
            errorJSON(500, "input_profile_store_error",
                "Couldn^t read or write input profiles: Couldn^t read /x.json: Permission denied."));

        RouterRig without;
        QCOMPARE(without.send("GET", "/api/v1/input-profiles").status, 404);
        QVERIFY(!without.router.endpoints().contains(u"PUT /api/v1/input-profiles/{input}"_s));
        QVERIFY(rig.router.endpoints().contains(u"PUT /api/v1/input-profiles/{input}"_s));
    }
};

QTEST_GUILESS_MAIN(TestAPIRouterInputProfiles)
#include "tst_apirouterinputprofiles.moc"
