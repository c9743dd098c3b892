#pragma once

// One receiver over loopback and every door to it: the window's store, the control adapter, the local API's
// router on that adapter, the session-bus actions, the scene service and the media-player interface. Each door is
// one function taking the same door-neutral request, so one table can hold every door to the same outcome.

#include "api/auth/TokenAuthenticator.h"
#include "api/http/HTTPRequestParser.h"
#include "api/matching/VolumeRateLimiter.h"
#include "api/router/APIRouter.h"
#include "api/router/RequestBodies.h"
#include "api/scenes/SceneService.h"
#include "app/actions/ReceiverActions.h"
#include "app/controller/ReceiverControlAdapter.h"
#include "app/mpris/MprisService.h"
#include "core/capabilities/Levels.h"
#include "core/capabilities/Volume.h"
#include "core/protocol/YXCClient.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"
#include "support/CompletedTask.h"
#include "support/FakeReceiver.h"
#include "support/ManualClock.h"
#include "support/MemorySceneStore.h"
#include "support/WaitFor.h"

#include "../../api/server/RawClient.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <algorithm>
#include <cmath>
#include <limits>

namespace amplora::test {

using namespace Qt::StringLiterals;

// Main announces every function (tone -12..12 raw, so -6..6 dB; a subwoofer trim; dialogue 0..3; two scene
// buttons); zone 2 announces power, volume (in raw steps) and mute only, though its status reports a subwoofer trim.
inline const QByteArray doorsFeatures = R"({"response_code":0,
  "system":{"func_list":[],"input_list":[
    {"id":"hdmi1","play_info_type":"none"},{"id":"spotify","play_info_type":"netusb"}]},
  "zone":[
    {"id":"main","func_list":["power","volume","mute","actual_volume","tone_control","subwoofer_volume","sleep",
       "pure_direct","enhancer","dialogue_level","scene","extra_bass","surround_ai"],
     "input_list":["hdmi1","spotify"],"sound_program_list":["straight","sci-fi"],"tone_control_mode_list":["manual"],
     "scene_num":2,
     "range_step":[{"id":"volume","min":0,"max":194,"step":1},{"id":"actual_volume_db","min":-80.5,"max":16.5,"step":0.5},
       {"id":"tone_control","min":-12,"max":12,"step":1},{"id":"subwoofer_volume","min":-12,"max":12,"step":1},
       {"id":"dialogue_level","min":0,"max":3,"step":1}]},
    {"id":"zone2","func_list":["power","volume","mute"],"input_list":["spotify"],
     "range_step":[{"id":"volume","min":0,"max":194,"step":1},{"id":"actual_volume_db","min":-80.5,"max":16.5,"step":0.5}]}],
  "netusb":{"func_list":[],"preset":{"num":3}},
  "distribution":{"version":2,"server_zone_list":["main"]}})";

inline const QByteArray doorsNames = R"({"response_code":0,"zone_list":[],
  "input_list":[{"id":"hdmi1","text":"Blu-ray"},{"id":"spotify","text":"Spotify"}],
  "sound_program_list":[{"id":"straight","text":"Straight"},{"id":"sci-fi","text":"Sci-Fi"}]})";

inline const QByteArray doorsMainStatus = R"({"response_code":0,"power":"on","volume":121,"mute":false,
  "input":"spotify","sound_program":"straight","tone_control":{"mode":"manual","bass":4,"treble":-2},
  "subwoofer_volume":3,"sleep":0,"pure_direct":false,"direct":true,"enhancer":false,"dialogue_level":1,"extra_bass":false,
  "surround_ai":false,"actual_volume":{"mode":"db","value":-20.0,"unit":"dB"}})";

inline const QByteArray doorsZone2Status = R"({"response_code":0,"power":"on","volume":40,"mute":false,
  "input":"spotify","subwoofer_volume":3})";

inline const QByteArray doorsPresets = R"({"response_code":0,"preset_info":[
  {"input":"net_radio","text":"Harbour FM"},{"input":"unknown","text":""},{"input":"server","text":"Vinyl Rips"}]})";

// The receiver above: every read answered (playing as `playback` says), every change accepted.
inline void serveDoors(FakeReceiver &receiver, const QByteArray &playback = "play")
{
    receiver.answer(u"system/getFeatures"_s, doorsFeatures);
    receiver.answer(u"system/getNameText"_s, doorsNames);
    receiver.answer(u"main/getStatus"_s, doorsMainStatus);
    receiver.answer(u"zone2/getStatus"_s, doorsZone2Status);
    receiver.answer(u"netusb/getPlayInfo"_s,
        R"({"response_code":0,"input":"spotify","playback":")" + playback
            + R"(","track":"Song","repeat":"off","repeat_available":["off","all"],"shuffle_available":[]})");
    receiver.answer(u"netusb/getPresetInfo"_s, doorsPresets);
    receiver.answer(u"system/getNetworkStatus"_s, R"({"response_code":0,"network_name":"Den"})");
    receiver.answer(u"dist/getDistributionInfo"_s, R"({"response_code":0,"role":"none","group_name":""})");
    for (const char *command :
        { "setPower", "setActualVolume", "setVolume", "setMute", "setInput", "prepareInputChange", "setSoundProgram",
            "setToneControl", "setSubwooferVolume", "setExtraBass", "setSurroundAI", "setSleep", "setPureDirect",
            "setDirect", "setEnhancer", "setDialogueLevel", "recallScene" }) {
        receiver.answerOk(u"main/"_s + QLatin1String(command));
        receiver.answerOk(u"zone2/"_s + QLatin1String(command));
    }
    for (const char *command : { "setPlayback", "setRepeat", "setShuffle", "recallPreset" })
        receiver.answerOk(u"netusb/"_s + QLatin1String(command));
}

// One request in terms every door understands, written "what [zone2] value": "bass 3", "sleep zone2 30",
// "input Blu-ray", "status bass" (a read of what the door shows).
struct Ask {
    QString what;
    api::Zone zone = api::Zone::main;
    QString value;

    static Ask parse(const QString &text)
    {
        QStringList words = text.split(u' ');
        Ask ask;
        ask.what = words.takeFirst();
        if (!words.isEmpty() && words.first() == u"zone2"_s) {
            words.removeFirst();
            ask.zone = api::Zone::zone2;
        }
        ask.value = words.join(u' ');
        return ask;
    }
    double number() const { return value.toDouble(); }
    bool on() const { return value == u"true"_s; }
};

// The receiver, a store on it (loaded as the window has it) and every door on that store.
struct Doors {
    FakeReceiver receiver;
    QTemporaryDir dir;
    ManualClock clock;
    AppSettings settings;
    std::unique_ptr<ReceiverStore> store;
    std::shared_ptr<app::ReceiverControlAdapter> adapter;
    std::shared_ptr<MemorySceneStore> sceneStore = std::make_shared<MemorySceneStore>();
    std::shared_ptr<api::SceneService> scenes;
    std::shared_ptr<api::TokenAuthenticator> authenticator = std::make_shared<api::TokenAuthenticator>();
    std::unique_ptr<api::APIRouter> router;
    std::unique_ptr<app::ReceiverActions> actions;
    std::unique_ptr<app::MprisService> mpris;

    explicit Doors(const QByteArray &playback)
        : settings(std::make_unique<QSettings>(dir.filePath(u"a.conf"_s), QSettings::IniFormat))
    {
        serveDoors(receiver, playback);
        settings.setHost(receiver.host());
        settings.setMaxVolumeDB(-10);
        LaunchOptions launch;
        launch.isRunningTests = true;
        store = std::make_unique<ReceiverStore>(settings, launch,
            ReceiverStoreParts { std::make_shared<YXCClient>(receiver.host()), {}, {}, {}, &clock,
                QHostAddress(QHostAddress::LocalHost), 0 });
        adapter = std::make_shared<app::ReceiverControlAdapter>(*store);
        scenes = std::make_shared<api::SceneService>(adapter, sceneStore, api::ReceiverAPIConfiguration {});
        authenticator->setToken(u"tok"_s);
        router = std::make_unique<api::APIRouter>(adapter, scenes, api::ReceiverAPIConfiguration {}, authenticator,
            std::make_shared<api::VolumeRateLimiter>(5, 1.0, clock));
        actions = std::make_unique<app::ReceiverActions>(app::ReceiverActions::Parts { adapter, scenes });
        mpris = std::make_unique<app::MprisService>(*store, app::MprisService::Hooks {});
        for (const YXCEvent::Refresh &what : { YXCEvent::Refresh::features(), YXCEvent::Refresh::status(Zone::main),
                 YXCEvent::Refresh::status(Zone::zone2), YXCEvent::Refresh::playInfo(), YXCEvent::Refresh::presets(),
                 YXCEvent::Refresh::distribution() }) {
            const auto read = test::waitFor(store->freshRead(what));
            [&] { QVERIFY2(read, qPrintable(read ? QString() : read.error().description())); }();
        }
        receiver.clearRequests();
    }

    // An authorised request through the real parser and router.
    api::HTTPResponse http(const QByteArray &method, const QString &target, const QByteArray &body = {})
    {
        const api::HTTPRequestParser::State parsed
            = api::HTTPRequestParser::parse(rawRequest(method, "/api/v1/" + target.toUtf8(), "tok", body), {});
        if (!parsed.complete())
            return { 0, {}, "the request did not parse", {} };
        return test::waitFor(router->handle(parsed.request));
    }
};

// The volumes of main's volume commands the receiver got, in order.
inline QList<double> mainVolumesSent(const FakeReceiver &receiver)
{
    QList<double> volumes;
    for (const auto &request : receiver.requests()) {
        if (request.path.endsWith(u"/main/setActualVolume"_s))
            volumes.append(QUrlQuery(request.query).queryItemValue(u"value"_s).toDouble());
    }
    return volumes;
}

// The volume the store shows for main; NaN while it shows none.
inline double shownMainVolume(const Doors &d)
{
    const auto found = d.store->state().status().find(Zone::main);
    if (found == d.store->state().status().end())
        return std::nan("");
    return Volume::db(found->second, d.store->volumeScale(Zone::main)).value_or(std::nan(""));
}

// Keeps a fade of main going on the store's clock: moves the clock to each step's time in turn, counted from
// `start`, from step `first` up to `end`, and waits until the receiver has it and the store shows it. Before each
// time has come, nothing is sent. False, and a message, when a step came early or not at all.
inline bool followRamp(Doors &d, Clock::TimePoint start, const std::vector<Volume::RampStep> &steps, std::size_t first,
    std::size_t end = std::numeric_limits<std::size_t>::max())
{
    for (std::size_t i = first; i < std::min(end, steps.size()); ++i) {
        const qsizetype sent = mainVolumesSent(d.receiver).size();
        d.clock.advance(start + steps[i].at - std::chrono::milliseconds(1) - d.clock.now());
        QTest::qWait(20);
        if (mainVolumesSent(d.receiver).size() != sent) {
            qWarning("step %zu came before its time", i);
            return false;
        }
        d.clock.advance(std::chrono::milliseconds(1));
        if (!QTest::qWaitFor([&] { return shownMainVolume(d) == steps[i].db; })) {
            qWarning("step %zu to %g dB did not come", i, steps[i].db);
            return false;
        }
    }
    return true;
}

} // namespace amplora::test
