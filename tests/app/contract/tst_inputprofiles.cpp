// Input profiles at every door that can switch the input: the API, the window's control and the receiver's own
// remote (a push event). The profile reaches the receiver once, in order, through the control contract.

#include "DoorsRig.h"

#include "api/scenes/InputProfileService.h"
#include "app/controller/InputProfileApplier.h"
#include "app/settings/InputProfilesBackend.h"
#include "qml/InputProfilesModel.h"
#include "support/CommandText.h"
#include "support/MemoryInputProfileStore.h"

using namespace amplora;
using namespace amplora::test;
using namespace std::chrono_literals;

namespace {

// The doors' receiver (on Spotify, -20 dB, cap -10 dB) with an applier over a profile for Blu-ray, and every
// change on its way to the receiver written down as it leaves.
struct ProfileDoors : Doors {
    std::shared_ptr<MemoryInputProfileStore> profileStore = std::make_shared<MemoryInputProfileStore>();
    std::shared_ptr<api::InputProfileService> profiles
        = std::make_shared<api::InputProfileService>(adapter, profileStore, api::ReceiverAPIConfiguration {});
    std::unique_ptr<app::InputProfileApplier> applier;
    QStringList sent;

    explicit ProfileDoors(std::optional<double> volumeDb = -30)
        : Doors("play")
    {
        api::InputProfile bluRay;
        bluRay.input = u"Blu-ray"_s;
        bluRay.soundMode = u"Sci-Fi"_s;
        bluRay.direct = true;
        bluRay.volumeDb = volumeDb;
        bluRay.dialogueLevel = 2;
        profileStore->profiles = { bluRay };
        // From here on the receiver reports Blu-ray, as it does once it switched, whoever switched it.
        receiver.answer(
            u"main/getStatus"_s, QByteArray(doorsMainStatus).replace(R"("input":"spotify")", R"("input":"hdmi1")"));
        receiver.answer(
            u"system/getDeviceInfo"_s, R"({"response_code":0,"model_name":"RX-A2A","device_id":"00A0DE000001"})");
        applier = std::make_unique<app::InputProfileApplier>(*store, adapter, profiles);
        QObject::connect(store.get(), &ReceiverStore::commandSending, store.get(),
            [this](const YXCCommand &command) { sent.append(commandText(command)); });
    }

    // A profile on its way is let finish, so nothing of it outlives the receiver.
    ~ProfileDoors()
    {
        if (!QTest::qWaitFor([this] { return !applier->isApplying(); }))
            qWarning("an input profile was still being applied when the test ended");
    }

    // Past the settle delay; the first of the profile's commands leaves at once.
    void settle() { clock.advance(app::InputProfileApplier::settleDelay); }
};

const QStringList bluRayProfile { u"main/setSoundProgram?program=sci-fi"_s, u"main/setPureDirect?enable=true"_s,
    u"main/setActualVolume?mode=db&value=-30.0"_s, u"main/setDialogueLevel?value=2"_s };
const QString toBluRay = u"main/setInput?input=hdmi1"_s;

} // namespace

class TestInputProfiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // However the input changes, the profile follows once, in the scene order, after the switch.
    void appliedAfterASwitch_data()
    {
        QTest::addColumn<QString>("door");
        QTest::addColumn<QStringList>("switching"); // what the door itself sent
        QTest::newRow("the API") << u"api"_s << QStringList { toBluRay };
        QTest::newRow("the window") << u"window"_s << QStringList { toBluRay };
        QTest::newRow("a D-Bus action") << u"dbus"_s << QStringList { toBluRay };
        QTest::newRow("a scene") << u"scene"_s << QStringList { toBluRay };
        QTest::newRow("the receiver's remote") << u"remote"_s << QStringList {};
    }
    void appliedAfterASwitch()
    {
        QFETCH(QString, door);
        QFETCH(QStringList, switching);
        ProfileDoors doors;
        if (door == u"api"_s) {
            QCOMPARE(doors.http("POST", u"input"_s, R"({"input":"blu-ray"})").status, 200);
        } else if (door == u"dbus"_s) {
            QVERIFY(test::waitFor(doors.actions->switchInput(api::Zone::main, u"blu-ray"_s)));
        } else if (door == u"scene"_s) {
            doors.sceneStore->scenes.append(api::parseScene(R"({"name":"Film","input":"Blu-ray"})").value());
            QVERIFY(test::waitFor(doors.scenes->run(u"Film"_s, api::Zone::main)));
        } else if (door == u"window"_s) {
            doors.store->setInput(u"hdmi1"_s);
            QTRY_COMPARE(doors.sent, switching);
        } else {
            doors.store->handlePacket(R"({"main":{"input":"hdmi1"}})");
        }
        QCOMPARE(doors.sent, switching);
        doors.clock.advance(app::InputProfileApplier::settleDelay - 1ms);
        QCOMPARE(doors.sent, switching); // the receiver recalls its own settings first

        doors.clock.advance(1ms);
        QTRY_COMPARE(doors.sent, switching + bluRayProfile);

        // A poll that finds the input as it is applies nothing again.
        const auto polled = test::waitFor(doors.store->poll(doors.clock.now()));
        QVERIFY(polled);
        doors.clock.advance(2s);
        QCOMPARE(doors.sent, switching + bluRayProfile);
    }

    // The first input read after connecting is no switch; nor is an input without a profile.
    void nothingWithoutASwitchOrAProfile()
    {
        ProfileDoors doors;
        doors.profileStore->profiles.first().input = u"Spotify"_s;
        doors.applier = std::make_unique<app::InputProfileApplier>(*doors.store, doors.adapter, doors.profiles);
        doors.clock.advance(2s);
        QCOMPARE(doors.sent, QStringList());

        doors.store->handlePacket(R"({"main":{"input":"hdmi1"}})");
        doors.clock.advance(2s);
        QCOMPARE(doors.sent, QStringList());
    }

    // A change the user makes soon after the switch wins: the profile leaves that setting alone, or the user's
    // change comes after it.
    void theUsersChangeWins_data()
    {
        QTest::addColumn<int>("userAfterMs");
        QTest::addColumn<QStringList>("expected");
        const QString userVolume = u"main/setActualVolume?mode=db&value=-40.0"_s;
        QTest::newRow("before the profile goes out")
            << 200 << QStringList { userVolume, bluRayProfile[0], bluRayProfile[1], bluRayProfile[3] };
        QTest::newRow("a second after the switch") << 1000 << bluRayProfile + QStringList { userVolume };
    }
    void theUsersChangeWins()
    {
        QFETCH(int, userAfterMs);
        const std::chrono::milliseconds userAfter(userAfterMs);
        QFETCH(QStringList, expected);
        ProfileDoors doors;
        doors.store->handlePacket(R"({"main":{"input":"hdmi1"}})");
        if (userAfter < app::InputProfileApplier::settleDelay) {
            doors.clock.advance(userAfter);
            QCOMPARE(doors.http("POST", u"volume"_s, R"({"db":-40})").status, 200);
            doors.settle();
        } else {
            doors.settle();
            QTRY_COMPARE(doors.sent, bluRayProfile);
            doors.clock.advance(userAfter - app::InputProfileApplier::settleDelay);
            QCOMPARE(doors.http("POST", u"volume"_s, R"({"db":-40})").status, 200);
        }
        QTRY_COMPARE(doors.sent, expected);
    }

    // The volume goes out capped; a refusal stops the profile and goes no further.
    void cappedAndFailuresStayInside()
    {
        ProfileDoors doors(-5);
        doors.receiver.answer(u"main/setPureDirect"_s, R"({"response_code":3})");
        doors.store->handlePacket(R"({"main":{"input":"hdmi1"}})");
        doors.settle();
        QTRY_COMPARE(doors.sent, bluRayProfile.mid(0, 2));
        doors.clock.advance(2s);
        QCOMPARE(doors.sent, bluRayProfile.mid(0, 2));

        ProfileDoors capped(-5);
        capped.store->handlePacket(R"({"main":{"input":"hdmi1"}})");
        capped.settle();
        QTRY_COMPARE(capped.sent,
            (QStringList {
                bluRayProfile[0], bluRayProfile[1], u"main/setActualVolume?mode=db&value=-10.0"_s, bluRayProfile[3] }));
    }

    // The window: "remember" stores what the zone has now for its input, the list marks the inputs with a
    // profile, and a profile is deleted by a loosely written name.
    void theWindowRemembersWhatTheZoneHas()
    {
        ProfileDoors doors;
        InputProfilesModel model;
        app::InputProfilesBackend backend(*doors.store, doors.adapter, doors.profiles, model);
        QTRY_COMPARE(model.inputs(), QStringList { u"Blu-ray"_s });

        model.rememberCurrent(); // the zone as the window shows it: Spotify, Straight, pure direct off, -20 dB
        QTRY_COMPARE(model.inputs(), (QStringList { u"Blu-ray"_s, u"Spotify"_s }));
        QCOMPARE(model.profiles().constLast().toMap(),
            (QVariantMap { { u"input"_s, u"Spotify"_s }, { u"soundMode"_s, u"Straight"_s }, { u"direct"_s, false },
                { u"volumeDb"_s, -20.0 }, { u"dialogueLevel"_s, 1 } }));
        QCOMPARE(model.message(), QString());

        model.remove(u"spotify "_s);
        QTRY_COMPARE(model.inputs(), QStringList { u"Blu-ray"_s });
        model.remove(u"Spotify"_s);
        QTRY_COMPARE(model.message(), u"No input profile for \"Spotify\" in main."_s);
        QVERIFY(doors.sent.isEmpty()); // remembering sends the receiver nothing
    }
};

QTEST_MAIN(TestInputProfiles)
#include "tst_inputprofiles.moc"
