// Every door to one receiver function gives the same answer: the window's store control, the control adapter
// (which the API, the session-bus actions and the scenes call) and, for playback, the media-player interface. One
// receiver over loopback per row; each row names the door, the request and what comes of it: the value shown, the
// command that reached the receiver, or the refusal's kind and words.

#include "app/controller/ReceiverControlAdapter.h"
#include "app/mpris/MprisService.h"
#include "core/capabilities/Levels.h"
#include "core/protocol/YXCClient.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"
#include "support/FakeReceiver.h"
#include "support/ManualClock.h"
#include "support/WaitFor.h"

#include "../TableRows.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace amplora;
using amplora::app::MprisService;
using amplora::app::ReceiverControlAdapter;
using amplora::test::FakeReceiver;
using namespace Qt::StringLiterals;

namespace {

// Main announces tone (-12..12 raw, so -6..6 dB), a subwoofer trim, sleep, pure direct, the enhancer, a dialogue
// level and two scene buttons; zone 2 announces none of them, though its status reports a subwoofer trim.
const QByteArray features = R"({"response_code":0,
  "system":{"func_list":[],"input_list":[
    {"id":"hdmi1","play_info_type":"none"},{"id":"spotify","play_info_type":"netusb"}]},
  "zone":[
    {"id":"main","func_list":["power","volume","mute","actual_volume","tone_control","subwoofer_volume","sleep",
       "pure_direct","enhancer","dialogue_level","scene"],
     "input_list":["hdmi1","spotify"],"tone_control_mode_list":["manual"],"scene_num":2,
     "range_step":[{"id":"volume","min":0,"max":194,"step":1},{"id":"actual_volume_db","min":-80.5,"max":16.5,"step":0.5},
       {"id":"tone_control","min":-12,"max":12,"step":1},{"id":"subwoofer_volume","min":-12,"max":12,"step":1},
       {"id":"dialogue_level","min":0,"max":3,"step":1}]},
    {"id":"zone2","func_list":["power","volume","mute"],"input_list":["spotify"],
     "range_step":[{"id":"volume","min":0,"max":194,"step":1},{"id":"actual_volume_db","min":-80.5,"max":16.5,"step":0.5}]}],
  "netusb":{"func_list":[],"preset":{"num":3}}})";

const QByteArray mainStatus = R"({"response_code":0,"power":"on","volume":121,"mute":false,"input":"spotify",
  "tone_control":{"mode":"manual","bass":4,"treble":-2},"subwoofer_volume":3,"sleep":0,"pure_direct":false,
  "enhancer":false,"dialogue_level":1,"actual_volume":{"mode":"db","value":-20.0,"unit":"dB"}})";

const QByteArray zone2Status = R"({"response_code":0,"power":"on","volume":40,"mute":false,"input":"spotify",
  "subwoofer_volume":3})";

const QByteArray presets = R"({"response_code":0,"preset_info":[
  {"input":"net_radio","text":"Harbour FM"},{"input":"unknown","text":""},{"input":"server","text":"Vinyl Rips"}]})";

QByteArray playInfo(const QByteArray &playback)
{
    return R"({"response_code":0,"input":"spotify","playback":")" + playback
        + R"(","track":"Song","repeat":"off","repeat_available":["off","all"],"shuffle_available":[]})";
}

// The receiver, a store on it (loaded as the window has it) and every door on that store.
struct Doors {
    FakeReceiver receiver;
    QTemporaryDir dir;
    test::ManualClock clock;
    AppSettings settings;
    std::unique_ptr<ReceiverStore> store;
    std::unique_ptr<ReceiverControlAdapter> adapter;
    std::unique_ptr<MprisService> mpris;

    explicit Doors(const QByteArray &playback)
        : settings(std::make_unique<QSettings>(dir.filePath(u"a.conf"_s), QSettings::IniFormat))
    {
        receiver.answer(u"system/getFeatures"_s, features);
        receiver.answer(u"system/getNameText"_s, R"({"response_code":0,"zone_list":[],"input_list":[]})");
        receiver.answer(u"main/getStatus"_s, mainStatus);
        receiver.answer(u"zone2/getStatus"_s, zone2Status);
        receiver.answer(u"netusb/getPlayInfo"_s, playInfo(playback));
        receiver.answer(u"netusb/getPresetInfo"_s, presets);
        for (const char *path : { "main/setToneControl", "main/setSubwooferVolume", "zone2/setSubwooferVolume",
                 "main/setSleep", "main/setPureDirect", "main/setEnhancer", "main/setDialogueLevel",
                 "main/setActualVolume", "main/setPower", "netusb/setPlayback", "netusb/setRepeat",
                 "netusb/recallPreset", "main/recallScene" }) {
            receiver.answerOk(QString::fromLatin1(path));
        }
        settings.setHost(receiver.host());
        settings.setMaxVolumeDB(-10);
        LaunchOptions launch;
        launch.isRunningTests = true;
        store = std::make_unique<ReceiverStore>(settings, launch,
            ReceiverStoreParts { std::make_shared<YXCClient>(receiver.host()), {}, {}, {}, &clock,
                QHostAddress(QHostAddress::LocalHost), 0 });
        adapter = std::make_unique<ReceiverControlAdapter>(*store);
        mpris = std::make_unique<MprisService>(*store, MprisService::Hooks {});
        for (const YXCEvent::Refresh &what :
            { YXCEvent::Refresh::features(), YXCEvent::Refresh::status(Zone::main),
                YXCEvent::Refresh::status(Zone::zone2), YXCEvent::Refresh::playInfo(), YXCEvent::Refresh::presets() }) {
            const auto read = test::waitFor(store->freshRead(what));
            [&] { QVERIFY2(read, qPrintable(read ? QString() : read.error().description())); }();
        }
    }

    QStringList changes() const
    {
        QStringList out;
        for (const auto &request : receiver.requests()) {
            const QString command = request.path.section(u'/', -1);
            if (command.startsWith(u"set"_s) || command.startsWith(u"recall"_s)) {
                out.append(request.target());
            }
        }
        return out;
    }
};

QString kindName(api::ControlError::Kind kind)
{
    using Kind = api::ControlError::Kind;
    static const QHash<Kind, QString> names { { Kind::notSupported, u"notSupported"_s },
        { Kind::outOfRange, u"outOfRange"_s }, { Kind::unknownFavourite, u"unknownFavourite"_s },
        { Kind::unknownReceiverScene, u"unknownReceiverScene"_s }, { Kind::receiverFailed, u"receiverFailed"_s } };
    return names.value(kind, u"other"_s);
}

QString refused(const api::ControlError &error)
{
    return kindName(error.kind()) + u": "_s + error.description();
}

// The window's door: nothing is awaited; a refusal comes back at once, in the same terms as the API's.
QString shown(const std::optional<Refusal> &refusal)
{
    return refusal ? refused(ReceiverControlAdapter::controlError(*refusal)) : u"done"_s;
}

template<class T> QString awaited(api::ControlTask<T> task)
{
    const auto result = test::waitFor(std::move(task));
    if (!result) {
        return refused(result.error());
    }
    if constexpr (std::is_same_v<T, int>) {
        return QString::number(result.value());
    }
    if constexpr (std::is_same_v<T, api::Favourite>) {
        return result.value().name;
    }
    return u"done"_s;
}

QString number(const std::optional<double> &value)
{
    return value ? QString::number(*value) : u"none"_s;
}

QString playPause(MprisService &mpris)
{
    const QDBusMessage call = QDBusMessage::createMethodCall(
        MprisService::serviceName(), MprisService::objectPath(), MprisService::playerInterface(), u"PlayPause"_s);
    return mpris.handleMessage(call, QDBusConnection(u"no bus"_s)) ? u"done"_s : u"unhandled"_s;
}

using Door = std::function<QString(Doors &)>;
Door door(Door act)
{
    return act;
}

api::ReceiverStatus statusOf(Doors &d, api::Zone zone)
{
    return test::waitFor(d.adapter->status(zone, Cancellation())).value();
}

int raw(double dB)
{
    return Levels::rawLevel(dB);
}

} // namespace

class TestDoors : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sameAnswerAtEveryDoor_data()
    {
        QTest::addColumn<QByteArray>("playback");
        QTest::addColumn<Door>("request");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("sent");
        using test::row;
        const QByteArray play = "play";

        // Levels read in dB from the receiver's half-decibel steps.
        row("bass raw 4 on a -12..12 zone: window", play,
            door([](Doors &d) { return number(d.store->displayedLevelDb(u"bass"_s)); }), u"2"_s, QString());
        row("bass raw 4 on a -12..12 zone: adapter", play,
            door([](Doors &d) { return number(statusOf(d, api::Zone::main).bass); }), u"2"_s, QString());
        row("subwoofer raw 3: window", play,
            door([](Doors &d) { return number(d.store->displayedLevelDb(u"subwoofer"_s)); }), u"1.5"_s, QString());
        row("subwoofer raw 3: adapter", play,
            door([](Doors &d) { return number(statusOf(d, api::Zone::main).subwoofer); }), u"1.5"_s, QString());
        row("subwoofer zone 2 does not announce: adapter", play,
            door([](Doors &d) { return number(statusOf(d, api::Zone::zone2).subwoofer); }), u"none"_s, QString());

        // Levels set in dB, within the zone's announced range.
        const QString bass3 = u"main/setToneControl?mode=manual&bass=6"_s;
        row("bass 3 dB: window", play, door([](Doors &d) { return shown(d.store->setBass(raw(3))); }), u"done"_s,
            bass3);
        row("bass 3 dB: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->setTone(api::Zone::main, 3.0, std::nullopt, {})); }),
            u"done"_s, bass3);
        const QString bassOut = u"outOfRange: Bass 6.5 dB is outside main's range of -6 to 6 dB."_s;
        row("bass beyond the announced range: window", play,
            door([](Doors &d) { return shown(d.store->setBass(raw(6.5))); }), bassOut, QString());
        row("bass beyond the announced range: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->setTone(api::Zone::main, 6.5, std::nullopt, {})); }), bassOut,
            QString());
        const QString sub = u"main/setSubwooferVolume?volume=-3"_s;
        row("subwoofer -1.5 dB: window", play, door([](Doors &d) { return shown(d.store->setSubwoofer(raw(-1.5))); }),
            u"done"_s, sub);
        row("subwoofer -1.5 dB: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->setSubwoofer(api::Zone::main, -1.5, {})); }), u"done"_s, sub);
        const QString noSub = u"notSupported: zone2 has no subwoofer trim."_s;
        row("subwoofer where func_list lacks it: window", play, door([](Doors &d) {
            d.store->setSelectedZone(Zone::zone2);
            return shown(d.store->setSubwoofer(raw(1.5)));
        }),
            noSub, QString());
        row("subwoofer where func_list lacks it: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->setSubwoofer(api::Zone::zone2, 1.5, {})); }), noSub,
            QString());

        // The volume under the user's cap.
        const QString capped = u"main/setActualVolume?mode=db&value=-10.0"_s;
        row("volume above the cap: window", play, door([](Doors &d) {
            d.store->setVolume(0);
            return u"done"_s;
        }),
            u"done"_s, capped);
        row("volume above the cap: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->setVolume(api::Zone::main, 0, {})); }), u"done"_s, capped);

        // Switches, sleep and dialogue, each where the zone announces it.
        row("enhancer on: window", play, door([](Doors &d) { return shown(d.store->toggleEnhancer()); }), u"done"_s,
            u"main/setEnhancer?enable=true"_s);
        row("enhancer on: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->setEnhancer(api::Zone::main, true, {})); }), u"done"_s,
            u"main/setEnhancer?enable=true"_s);
        row("direct is pure direct: window", play, door([](Doors &d) { return shown(d.store->toggleDirect()); }),
            u"done"_s, u"main/setPureDirect?enable=true"_s);
        row("direct is pure direct: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->setDirect(api::Zone::main, true, {})); }), u"done"_s,
            u"main/setPureDirect?enable=true"_s);
        const QString noSleep = u"notSupported: zone2 has no sleep timer."_s;
        row("sleep where not announced: window", play, door([](Doors &d) {
            d.store->setSelectedZone(Zone::zone2);
            return shown(d.store->cycleSleep());
        }),
            noSleep, QString());
        row("sleep where not announced: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->setSleep(api::Zone::zone2, 30, {})); }), noSleep, QString());
        row("sleep from off: window", play, door([](Doors &d) { return shown(d.store->cycleSleep()); }), u"done"_s,
            u"main/setSleep?sleep=30"_s);
        row("sleep rounds up: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->setSleep(api::Zone::main, 1, {})); }), u"30"_s,
            u"main/setSleep?sleep=30"_s);
        const QString noDirect = u"notSupported: zone2 has no direct mode."_s;
        row("direct where not announced: window", play, door([](Doors &d) {
            d.store->setSelectedZone(Zone::zone2);
            return shown(d.store->toggleDirect());
        }),
            noDirect, QString());
        row("direct where not announced: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->setDirect(api::Zone::zone2, true, {})); }), noDirect,
            QString());
        row("dialogue 3: window", play, door([](Doors &d) { return shown(d.store->setDialogueLevel(3)); }), u"done"_s,
            u"main/setDialogueLevel?value=3"_s);
        row("dialogue 3: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->setDialogueLevel(api::Zone::main, 3, {})); }), u"done"_s,
            u"main/setDialogueLevel?value=3"_s);

        // Repeat and shuffle as what is playing offers them.
        row("repeat all: window", play, door([](Doors &d) { return shown(d.store->cycleRepeat()); }), u"done"_s,
            u"netusb/setRepeat?mode=all"_s);
        row("repeat all: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->setRepeat(api::Zone::main, api::RepeatMode::all, {})); }),
            u"done"_s, u"netusb/setRepeat?mode=all"_s);
        const QString noShuffle = u"notSupported: main has no shuffle."_s;
        row("shuffle not offered: window", play, door([](Doors &d) { return shown(d.store->cycleShuffle()); }),
            noShuffle, QString());
        row("shuffle not offered: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->setShuffle(api::Zone::main, api::ShuffleMode::on, {})); }),
            noShuffle, QString());

        // Favourites and the zone's own scene buttons.
        row("favourite 3: window", play, door([](Doors &d) { return shown(d.store->recallFavourite(3)); }), u"done"_s,
            u"netusb/recallPreset?zone=main&num=3"_s);
        row("favourite 3: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->recallFavourite(api::Zone::main, 3, {})); }), u"Vinyl Rips"_s,
            u"netusb/recallPreset?zone=main&num=3"_s);
        const QString emptySlot = u"unknownFavourite: No favourite number 2."_s;
        row("empty favourite slot: window", play, door([](Doors &d) { return shown(d.store->recallFavourite(2)); }),
            emptySlot, QString());
        row("empty favourite slot: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->recallFavourite(api::Zone::main, 2, {})); }), emptySlot,
            QString());
        const QString noScene = u"unknownReceiverScene: main has no scene button 3 (it has 1 to 2)."_s;
        row("scene button beyond the count: window", play,
            door([](Doors &d) { return shown(d.store->recallReceiverScene(3)); }), noScene, QString());
        row("scene button beyond the count: adapter", play,
            door([](Doors &d) { return awaited(d.adapter->recallReceiverScene(api::Zone::main, 3, {})); }), noScene,
            QString());

        // Play/pause: whatever moves through the track is playing, so the button pauses it.
        for (const auto &[playback, action] : { std::pair { "play", "pause" }, std::pair { "fast_forward", "pause" },
                 std::pair { "fast_reverse", "pause" }, std::pair { "pause", "play" }, std::pair { "stop", "play" } }) {
            const QByteArray window = QByteArray("play/pause while ") + playback + ": window";
            const QByteArray mpris = QByteArray("play/pause while ") + playback + ": media player";
            const QString sent = u"netusb/setPlayback?playback="_s + QLatin1String(action);
            row(window.constData(), QByteArray(playback), door([](Doors &d) {
                d.store->togglePlayback();
                return u"done"_s;
            }),
                u"done"_s, sent);
            row(mpris.constData(), QByteArray(playback), door([](Doors &d) { return playPause(*d.mpris); }), u"done"_s,
                sent);
        }
    }

    void sameAnswerAtEveryDoor()
    {
        QFETCH(QByteArray, playback);
        QFETCH(Door, request);
        QFETCH(QString, sent);
        Doors doors(playback);
        QTEST(request(doors), "outcome");
        const QStringList expected = sent.isEmpty() ? QStringList() : QStringList { sent };
        // The window's commands go out without being awaited.
        QTRY_COMPARE(doors.changes(), expected);
        QTest::qWait(20); // and nothing after them
        QCOMPARE(doors.changes(), expected);
    }

    // The API's own refusal of what a scene names keeps the words the zone's rules use.
    void refusalWordsMatchTheAPIs()
    {
        using Feature = api::ControlError::Feature;
        for (const auto &[feature, capability] :
            { std::pair { Feature::sleep, Capability::sleep }, std::pair { Feature::direct, Capability::direct } }) {
            QCOMPARE(api::ControlError::notSupported(api::Zone::zone2, feature),
                ReceiverControlAdapter::controlError(Refusal::notSupported(Zone::zone2, capability)));
        }
    }
};

QTEST_MAIN(TestDoors)
#include "tst_doors.moc"
