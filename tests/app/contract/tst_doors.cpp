// Every door to one receiver function gives the same answer: the window's store control, the control adapter,
// the local API's router on it, the session-bus actions, a scene's step and, for playback, the media-player
// interface; and what a change through the API shows on screen while the window is hidden. One receiver over loopback
// per row; each row names the door, the request and what comes of it: the value shown or answered, the command that
// reached the receiver, or the refusal's kind and words.

#include "DoorsRig.h"

#include "../ControlOutcome.h"

#include "api/control/EnumCases.h"
#include "api/control/RampSeconds.h"
#include "api/http/JSONEncoder.h"
#include "api/server/StatusEvents.h"
#include "app/controller/StatusEventFeed.h"
#include "qml/MainWindowHost.h"

#include <QHash>
#include <QQuickItem>
#include <QQuickWindow>

using namespace amplora;
using namespace Qt::StringLiterals;
using amplora::test::Ask;
using amplora::test::Doors;

namespace {

using test::outcome;
using test::refused;

// A field of a status in JSON as the tests compare it: "none" when absent, a boolean or a name as it is written,
// else the number.
QString field(const QByteArray &json, const QString &key)
{
    const QJsonValue value = QJsonDocument::fromJson(json).object().value(key);
    if (value.isBool())
        return value.toBool() ? u"true"_s : u"false"_s;
    return value.isUndefined() ? u"none"_s : value.isString() ? value.toString() : QString::number(value.toDouble());
}

// The request's value as the API names the enumeration's cases ("standby", "next", "all").
template<class E> E named(const Ask &ask)
{
    const std::optional<E> value = api::enumFromName<E>(ask.value);
    if (!value)
        qFatal("a row names no such case: %s", qPrintable(ask.value));
    return *value;
}

// A fade's request, written "ramp [zone2] DB SECONDS".
struct Ramp {
    double db = 0;
    double seconds = 0;
};
Ramp ramp(const Ask &ask)
{
    const QStringList words = ask.value.split(u' ');
    return { words.value(0).toDouble(), words.value(1).toDouble() };
}

// The window's door: nothing is awaited; a refusal comes back at once, in the same terms as the API's.
QString window(Doors &d, const Ask &ask)
{
    ReceiverStore &s = *d.store;
    s.setSelectedZone(app::ReceiverControlAdapter::coreZone(ask.zone));
    const int raw = Levels::rawLevel(ask.number());
    using Call = std::function<std::optional<Refusal>()>;
    const auto done = [](std::function<void()> action) {
        return Call([action] {
            action();
            return std::optional<Refusal>();
        });
    };
    const QHash<QString, Call> calls {
        { u"volume"_s, done([&] { s.setVolume(ask.number()); }) },
        { u"power"_s, done([&] { s.togglePower(); }) },
        { u"mute"_s, done([&] { s.toggleMute(); }) },
        { u"input"_s, done([&] { s.setInput(ask.value); }) },
        { u"soundmode"_s, done([&] { s.setSoundProgram(ask.value); }) },
        { u"playback"_s, done([&] { s.togglePlayback(); }) },
        { u"bass"_s, [&] { return s.setBass(raw); } },
        { u"treble"_s, [&] { return s.setTreble(raw); } },
        { u"subwoofer"_s, [&] { return s.setSubwoofer(raw); } },
        { u"extrabass"_s, [&] { return s.toggleExtraBass(); } },
        { u"surroundai"_s, [&] { return s.setSurroundAI(ask.on()); } },
        { u"direct"_s, [&] { return s.toggleDirect(); } },
        { u"enhancer"_s, [&] { return s.toggleEnhancer(); } },
        { u"dialogue"_s, [&] { return s.setDialogueLevel(ask.number()); } },
        { u"sleep"_s, [&] { return s.cycleSleep(); } },
        { u"repeat"_s, [&] { return s.cycleRepeat(); } },
        { u"shuffle"_s, [&] { return s.cycleShuffle(); } },
        { u"favourite"_s, [&] { return s.recallFavourite(int(ask.number())); } },
        { u"receiverscene"_s, [&] { return s.recallReceiverScene(int(ask.number())); } },
    };
    if (ask.what == u"status"_s) {
        const std::optional<double> level = s.displayedLevelDb(ask.value);
        return level ? QString::number(*level) : u"none"_s;
    }
    if (!calls.contains(ask.what))
        return u"no such request at this door"_s;
    const std::optional<Refusal> refusal = calls[ask.what]();
    return refusal ? refused(app::ReceiverControlAdapter::controlError(*refusal)) : u"done"_s;
}

// The control adapter, which the API, the session-bus actions and the scenes call.
QString adapter(Doors &d, const Ask &ask)
{
    api::ReceiverControl &c = *d.adapter;
    const api::Zone z = ask.zone;
    const double v = ask.number();
    const Cancellation none;
    if (ask.what == u"status"_s) {
        const auto status = test::waitFor(c.status(z, none));
        return status ? field(api::JSONEncoder::encode(status->toJSON()).value_or(""), ask.value)
                      : refused(status.error());
    }
    const QHash<QString, std::function<QString()>> calls {
        { u"volume"_s, [&] { return outcome(c.setVolume(z, v, none)); } },
        { u"ramp"_s,
            [&] { return outcome(c.rampVolume(z, ramp(ask).db, api::rampDuration(ramp(ask).seconds), none)); } },
        { u"step"_s, [&] { return outcome(c.stepVolume(z, named<api::VolumeStepDirection>(ask), none)); } },
        { u"power"_s, [&] { return outcome(c.setPower(z, named<api::PowerState>(ask), none)); } },
        { u"mute"_s, [&] { return outcome(c.setMute(z, ask.on(), none)); } },
        { u"input"_s, [&] { return outcome(c.setInput(z, ask.value, none)); } },
        { u"soundmode"_s, [&] { return outcome(c.setSoundMode(z, ask.value, none)); } },
        { u"bass"_s, [&] { return outcome(c.setTone(z, v, std::nullopt, none)); } },
        { u"treble"_s, [&] { return outcome(c.setTone(z, std::nullopt, v, none)); } },
        { u"subwoofer"_s, [&] { return outcome(c.setSubwoofer(z, v, none)); } },
        { u"direct"_s, [&] { return outcome(c.setDirect(z, ask.on(), none)); } },
        { u"enhancer"_s, [&] { return outcome(c.setEnhancer(z, ask.on(), none)); } },
        { u"dialogue"_s, [&] { return outcome(c.setDialogueLevel(z, int(v), none)); } },
        { u"sleep"_s, [&] { return outcome(c.setSleep(z, int(v), none)); } },
        { u"playback"_s, [&] { return outcome(c.playback(named<api::PlaybackAction>(ask), none)); } },
        { u"repeat"_s, [&] { return outcome(c.setRepeat(z, named<api::RepeatMode>(ask), none)); } },
        { u"shuffle"_s, [&] { return outcome(c.setShuffle(z, named<api::ShuffleMode>(ask), none)); } },
        { u"favourite"_s, [&] { return outcome(c.recallFavourite(z, int(v), none)); } },
        { u"receiverscene"_s, [&] { return outcome(c.recallReceiverScene(z, int(v), none)); } },
    };
    return calls.contains(ask.what) ? calls[ask.what]() : u"no such request at this door"_s;
}

// An answer of the API without its quotes: "200 {ok:true,volumeDb:-30,zone:main}", or for an error its status,
// code and message: "422 volume_above_cap: Volume 0 dB is above the cap of -10 dB."
QString answer(const api::HTTPResponse &response)
{
    const QJsonObject body = QJsonDocument::fromJson(response.body).object();
    const QString status = QString::number(response.status) + u' ';
    if (body.contains(u"error"_s)) {
        const QJsonObject error = body[u"error"_s].toObject();
        return status + error[u"code"_s].toString() + u": "_s + error[u"message"_s].toString();
    }
    return status + QString::fromUtf8(response.body).remove(u'"');
}

// The local API, through the real parser and router on the adapter: the body names the request's value under
// the endpoint's key; a number, a boolean or (for the keys that take one) a string.
QString http(Doors &d, const Ask &ask)
{
    const QString zone = ask.zone == api::Zone::zone2 ? u"?zone=zone2"_s : QString();
    if (ask.what == u"status"_s) {
        return field(d.http("GET", u"status"_s + zone).body, ask.value);
    }
    if (ask.what == u"ramp"_s) {
        const QString body = u"{\"db\":%1,\"rampSeconds\":%2}"_s.arg(ramp(ask).db).arg(ramp(ask).seconds);
        return answer(d.http("POST", u"volume"_s + zone, body.toUtf8()));
    }
    if (ask.what == u"favourite"_s || ask.what == u"receiverscene"_s) {
        const QString kind = ask.what == u"favourite"_s ? u"favourites/"_s : u"receiver-scenes/"_s;
        return answer(d.http("POST", kind + ask.value + u"/recall"_s + zone));
    }
    struct Endpoint {
        QString path;
        QString key;
        bool text = false;
    };
    const QHash<QString, Endpoint> endpoints { { u"volume"_s, { u"volume"_s, u"db"_s } },
        { u"step"_s, { u"volume"_s, u"step"_s, true } }, { u"power"_s, { u"power"_s, u"power"_s, true } },
        { u"mute"_s, { u"mute"_s, u"mute"_s } }, { u"input"_s, { u"input"_s, u"input"_s, true } },
        { u"soundmode"_s, { u"sound-mode"_s, u"soundMode"_s, true } }, { u"bass"_s, { u"tone"_s, u"bass"_s } },
        { u"treble"_s, { u"tone"_s, u"treble"_s } }, { u"subwoofer"_s, { u"subwoofer"_s, u"db"_s } },
        { u"direct"_s, { u"direct"_s, u"enabled"_s } }, { u"enhancer"_s, { u"enhancer"_s, u"enabled"_s } },
        { u"dialogue"_s, { u"dialogue"_s, u"level"_s } }, { u"sleep"_s, { u"sleep"_s, u"minutes"_s } },
        { u"playback"_s, { u"playback"_s, u"action"_s, true } }, { u"repeat"_s, { u"repeat"_s, u"mode"_s, true } },
        { u"shuffle"_s, { u"shuffle"_s, u"mode"_s, true } } };
    if (!endpoints.contains(ask.what))
        return u"no such request at this door"_s;
    const Endpoint &endpoint = endpoints[ask.what];
    const QString value = endpoint.text ? u'"' + ask.value + u'"' : ask.value;
    return answer(d.http("POST", endpoint.path + zone, u"{\"%1\":%2}"_s.arg(endpoint.key, value).toUtf8()));
}

// The session-bus actions, called with the arguments the bus hands them.
QString dbus(Doors &d, const Ask &ask)
{
    app::ReceiverActions &a = *d.actions;
    const api::Zone z = ask.zone;
    const QHash<QString, std::function<app::ActionTask<QString>()>> calls {
        { u"volume"_s, [&] { return a.setVolume(z, ask.number()); } },
        { u"ramp"_s, [&] { return a.rampVolume(z, ramp(ask).db, ramp(ask).seconds); } },
        { u"power"_s, [&] { return a.setPower(z, named<api::PowerState>(ask)); } },
        { u"mute"_s, [&] { return a.mute(z, ask.on()); } },
        { u"input"_s, [&] { return a.switchInput(z, ask.value); } },
        { u"soundmode"_s, [&] { return a.setSoundMode(ask.value); } },
        { u"sleep"_s, [&] { return a.setSleep(z, int(ask.number())); } },
        { u"favourite"_s, [&] { return a.recallFavourite(z, ask.value); } },
        { u"receiverscene"_s, [&] { return a.recallReceiverScene(z, int(ask.number())); } },
    };
    if (!calls.contains(ask.what))
        return u"no such request at this door"_s;
    const auto result = test::waitFor(calls[ask.what]());
    return result ? result.value() : result.error().code + u": "_s + result.error().message;
}

// A stored scene with the one key, run in the request's zone: the steps it applied, or the API's error.
QString scene(Doors &d, const Ask &ask)
{
    const QHash<QString, QString> keys { { u"volume"_s, u"volumeDb"_s }, { u"power"_s, u"power"_s },
        { u"input"_s, u"input"_s }, { u"soundmode"_s, u"soundMode"_s }, { u"bass"_s, u"bass"_s },
        { u"treble"_s, u"treble"_s }, { u"subwoofer"_s, u"sub"_s }, { u"sleep"_s, u"sleep"_s },
        { u"direct"_s, u"direct"_s }, { u"favourite"_s, u"favourite"_s } };
    bool isNumber = false;
    ask.value.toDouble(&isNumber);
    const QString value
        = isNumber || ask.value == u"true"_s || ask.value == u"false"_s ? ask.value : u'"' + ask.value + u'"';
    QString body = u"{\"name\":\"S\",\"%1\":%2}"_s.arg(keys.value(ask.what), value);
    if (ask.what == u"ramp"_s)
        body = u"{\"name\":\"S\",\"volumeDb\":%1,\"rampSeconds\":%2}"_s.arg(ramp(ask).db).arg(ramp(ask).seconds);
    else if (!keys.contains(ask.what))
        return u"no such request at this door"_s;
    const auto stored = api::parseScene(body.toUtf8());
    if (!stored)
        return stored.error().message;
    d.sceneStore->scenes.append(stored.value());
    const auto ran = test::waitFor(d.scenes->run(u"S"_s, ask.zone));
    if (!ran)
        return QString::number(ran.error().status) + u' ' + ran.error().code + u": "_s + ran.error().message;
    return u"Ran: "_s + ran.value().applied.join(u", "_s);
}

// The media-player interface as a desktop calls it; the value names the method.
QString mpris(Doors &d, const Ask &ask)
{
    const QDBusMessage call = QDBusMessage::createMethodCall(app::MprisService::serviceName(),
        app::MprisService::objectPath(), app::MprisService::playerInterface(), ask.value);
    if (ask.what != u"playback"_s)
        return u"no such request at this door"_s;
    return d.mpris->handleMessage(call, QDBusConnection(u"no bus"_s)) ? u"done"_s : u"unhandled"_s;
}

// The local API while the main window is hidden: its answer, then what the overlay shows.
QString onScreen(Doors &d, const Ask &ask)
{
    MainWindowHost host(*d.store, d.settings);
    const QString answered = http(d, ask);
    const QQuickWindow *overlay = host.overlay();
    if (!overlay || !overlay->isVisible())
        return answered + u" | nothing on screen"_s;
    const auto *text = overlay->findChild<QQuickItem *>(u"onScreenText"_s);
    return answered + u" | "_s + (text ? text->property("text").toString() : u"no text"_s);
}

using Door = QString (*)(Doors &, const Ask &);
const QHash<QString, Door> doorsByName { { u"window"_s, &window }, { u"adapter"_s, &adapter }, { u"http"_s, &http },
    { u"dbus"_s, &dbus }, { u"scene"_s, &scene }, { u"mpris"_s, &mpris }, { u"onscreen"_s, &onScreen } };

// One row per door named: at each of these doors, this request (with what the receiver is playing) gives this
// outcome and sends this command (none when empty). The window's toggles take no value.
void at(const char *doors, const char *ask, const char *outcome, const char *sent, const char *playback = "play")
{
    for (const QByteArray &door : QByteArray(doors).split(',')) {
        QTest::addRow("%s: %s (%s)", door.constData(), ask, playback)
            << QString::fromLatin1(door) << QString::fromUtf8(ask) << QByteArray(playback) << QString::fromUtf8(outcome)
            << QString::fromLatin1(sent);
    }
}

// The rows; outside the class, where moc does not read their strings.
void addRows()
{
    QTest::addColumn<QString>("door");
    QTest::addColumn<QString>("ask");
    QTest::addColumn<QByteArray>("playback");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("sent");

    // Levels read in dB from the receiver's half-decibel steps; zone 2 reports a trim it does not announce.
    at("window,adapter,http", "status bass", "2", "");
    at("window,adapter,http", "status subwoofer", "1.5", "");
    at("adapter,http", "status zone2 subwoofer", "none", "");
    // The extras only where the zone announces them: pure direct, though main also reports a plain direct; repeat
    // and shuffle as what is playing offers them, for every zone (the player is shared).
    at("adapter,http", "status sleep", "0", "");
    at("adapter,http", "status direct", "false", "");
    at("adapter,http", "status enhancer", "false", "");
    at("adapter,http", "status dialogueLevel", "1", "");
    at("adapter,http", "status repeat", "off", "");
    at("adapter,http", "status shuffle", "none", "");
    at("adapter,http", "status zone2 sleep", "none", "");
    at("adapter,http", "status zone2 direct", "none", "");
    at("adapter,http", "status zone2 enhancer", "none", "");
    at("adapter,http", "status zone2 dialogueLevel", "none", "");
    at("adapter,http", "status zone2 repeat", "off", "");

    // The volume under the user's cap of -10 dB: the window and the adapter hold it at the cap, the API, the
    // actions and a scene refuse it.
    const char *capped = "main/setActualVolume?mode=db&value=-10.0";
    at("window,adapter", "volume 0", "done", capped);
    at("http,scene", "volume 0", "422 volume_above_cap: Volume 0 dB is above the cap of -10 dB.", "");
    at("dbus", "volume -5", "above_cap: -5.0 dB is above the volume cap of -10.0 dB.", "");
    const char *volume = "main/setActualVolume?mode=db&value=-30.5";
    at("adapter", "volume -30.5", "done", volume);
    at("http", "volume -30.5", "200 {ok:true,volumeDb:-30.5,zone:main}", volume);
    at("dbus", "volume -30.5", "Volume -30.5 dB.", volume);
    at("scene", "volume -30.5", "Ran: volumeDb", volume);
    // The actions round to the half decibel first, then hold the cap and the receiver's range.
    at("dbus", "volume -10.2", "Volume -10.0 dB.", capped);
    at("dbus", "volume -9.8", "Volume -10.0 dB.", capped);
    at("dbus", "volume -9.7", "above_cap: -9.5 dB is above the volume cap of -10.0 dB.", "");
    at("dbus", "volume -81", "out_of_range: -81.0 dB is below the receiver's range.", "");
    at("dbus", "volume -80.5", "Volume -80.5 dB.", "main/setActualVolume?mode=db&value=-80.5");
    at("dbus", "volume -35.25", "Volume -35.5 dB.", "main/setActualVolume?mode=db&value=-35.5");
    at("http", "volume zone2 -60.5", "200 {ok:true,volumeDb:-60.5,zone:zone2}", "zone2/setVolume?volume=40");
    // A fade answers once its first step (here half a decibel down from -20 dB) is out; the rest follows on the
    // clock (tst_volumeramps). Its target passes the cap and the checks of a plain volume; its seconds their own.
    const char *fadeStart = "main/setActualVolume?mode=db&value=-20.5";
    at("adapter", "ramp -30 8", "done", fadeStart);
    at("http", "ramp -30 8", "202 {ok:true,rampSeconds:8,volumeDb:-30,zone:main}", fadeStart);
    at("dbus", "ramp -30 8", "Fading to -30.0 dB over 8 s.", fadeStart);
    at("scene", "ramp -30 8", "Ran: volumeDb", fadeStart);
    at("http", "ramp zone2 -60 1", "202 {ok:true,rampSeconds:1,volumeDb:-60,zone:zone2}", "zone2/setVolume?volume=41");
    at("adapter", "ramp 0 8", "volumeAboveCap: Volume 0 dB is above the cap of -10 dB.", "");
    at("http,scene", "ramp 0 8", "422 volume_above_cap: Volume 0 dB is above the cap of -10 dB.", "");
    at("dbus", "ramp -5 8", "above_cap: -5.0 dB is above the volume cap of -10.0 dB.", "");
    at("http", "ramp -30 0", "400 out_of_range: \"rampSeconds\" must be more than 0 and at most 600.", "");
    at("dbus", "ramp -30 601", "out_of_range: \"rampSeconds\" must be more than 0 and at most 600.", "");
    at("scene", "ramp -30 0", "400 invalid_scene: A scene's \"rampSeconds\" must be more than 0 and at most 600.", "");
    at("adapter", "step up", "-19.5", "main/setActualVolume?mode=db&value=-19.5");
    at("http", "step up", "200 {ok:true,step:up,zone:main}", "main/setActualVolume?mode=db&value=-19.5");

    // Power, mute, input and sound program; names as the receiver spells them, matched loosely by the actions.
    at("window,adapter", "power standby", "done", "main/setPower?power=standby");
    at("http", "power standby", "200 {ok:true,power:standby,zone:main}", "main/setPower?power=standby");
    at("dbus", "power zone2 standby", "Done.", "zone2/setPower?power=standby");
    at("scene", "power standby", "Ran: power", "main/setPower?power=standby");
    at("window,adapter", "mute true", "done", "main/setMute?enable=true");
    at("http", "mute true", "200 {mute:true,ok:true,zone:main}", "main/setMute?enable=true");
    at("dbus", "mute zone2 true", "Muted.", "zone2/setMute?enable=true");
    at("window", "input hdmi1", "done", "main/setInput?input=hdmi1");
    at("adapter", "input Blu-ray", "done", "main/setInput?input=hdmi1");
    at("http", "input Blu-ray", "200 {input:Blu-ray,ok:true,zone:main}", "main/setInput?input=hdmi1");
    at("dbus", "input blu ray", "Switched to Blu-ray.", "main/setInput?input=hdmi1");
    at("scene", "input Blu-ray", "Ran: input", "main/setInput?input=hdmi1");
    at("adapter", "input Phono", "unknownInput: No input called \"Phono\" in main.", "");
    at("http,scene", "input Phono", "400 unknown_input: No input called \"Phono\" in main.", "");
    at("dbus", "input Phono", "unknown_name: No input called \u201CPhono\u201D. Try one of: Blu-ray, Spotify.", "");
    at("window", "soundmode sci-fi", "done", "main/setSoundProgram?program=sci-fi");
    at("adapter", "soundmode Sci-Fi", "done", "main/setSoundProgram?program=sci-fi");
    at("http", "soundmode Sci-Fi", "200 {ok:true,soundMode:Sci-Fi,zone:main}", "main/setSoundProgram?program=sci-fi");
    at("dbus", "soundmode scifi", "Sound mode Sci-Fi.", "main/setSoundProgram?program=sci-fi");
    at("scene", "soundmode Sci-Fi", "Ran: soundMode", "main/setSoundProgram?program=sci-fi");
    at("adapter", "soundmode zone2 Hall", "unknownSoundMode: No sound mode called \"Hall\" in zone2.", "");
    at("http", "soundmode zone2 Hall", "400 not_supported: zone2 has no sound modes.", "");

    // Tone and the subwoofer in dB, within the zone's announced range; the trim exists in main only.
    const char *bass = "main/setToneControl?mode=manual&bass=6";
    at("window,adapter", "bass 3", "done", bass);
    at("http", "bass 3", "200 {bass:3,ok:true,zone:main}", bass);
    at("scene", "bass 3", "Ran: tone", bass);
    const char *treble = "main/setToneControl?mode=manual&treble=-3";
    at("window,adapter", "treble -1.5", "done", treble);
    at("http", "treble -1.5", "200 {ok:true,treble:-1.5,zone:main}", treble);
    at("scene", "treble -1.5", "Ran: tone", treble);
    const char *bassOut = "outOfRange: Bass 6.5 dB is outside main's range of -6 to 6 dB.";
    at("window,adapter", "bass 6.5", bassOut, "");
    at("http", "bass 6.5", "400 out_of_range: \"bass\" must be between -6 and 6 dB.", "");
    const char *sub = "main/setSubwooferVolume?volume=-3";
    at("window,adapter", "subwoofer -1.5", "done", sub);
    at("adapter", "subwoofer -2.25", "done", "main/setSubwooferVolume?volume=-5"); // half away from zero
    at("http", "subwoofer -1.5", "200 {ok:true,subwoofer:-1.5,zone:main}", sub);
    at("scene", "subwoofer -1.5", "Ran: sub", sub);
    const char *noSub = "notSupported: zone2 has no subwoofer trim.";
    at("window,adapter", "subwoofer zone2 1.5", noSub, "");
    at("http,scene", "subwoofer zone2 1.5", "400 not_supported: Subwoofer trim is only available in main.", "");

    // The window's own switches.
    at("window", "extrabass", "done", "main/setExtraBass?enable=true");
    at("window", "extrabass zone2", "notSupported: zone2 has no extra bass.", "");
    at("window", "surroundai true", "done", "main/setSurroundAI?enable=true");
    at("window", "surroundai zone2 true", "notSupported: zone2 has no surround AI.", "");

    // Direct (pure direct where the zone has it), the enhancer and dialogue, each where the zone announces it.
    const char *direct = "main/setPureDirect?enable=true";
    at("window,adapter", "direct true", "done", direct);
    at("http", "direct true", "200 {direct:true,ok:true,zone:main}", direct);
    at("scene", "direct true", "Ran: direct", direct);
    const char *noDirect = "notSupported: zone2 has no direct mode.";
    at("window,adapter", "direct zone2 true", noDirect, "");
    at("http,scene", "direct zone2 true", "400 not_supported: zone2 has no direct mode.", "");
    at("window,adapter", "enhancer true", "done", "main/setEnhancer?enable=true");
    at("http", "enhancer true", "200 {enhancer:true,ok:true,zone:main}", "main/setEnhancer?enable=true");
    at("window", "enhancer zone2", "notSupported: zone2 has no enhancer.", "");
    at("http", "enhancer zone2 true", "400 not_supported: zone2 has no enhancer.", "");
    at("window,adapter", "dialogue 3", "done", "main/setDialogueLevel?value=3");
    at("http", "dialogue 3", "200 {dialogueLevel:3,ok:true,zone:main}", "main/setDialogueLevel?value=3");
    const char *dialogueOut = "outOfRange: Dialogue level 4 is outside main's range of 0 to 3.";
    at("window", "dialogue 4", "done", "main/setDialogueLevel?value=3"); // a knob dragged past its end
    at("adapter", "dialogue 4", dialogueOut, "");
    at("adapter", "dialogue -1", "outOfRange: Dialogue level -1 is outside main's range of 0 to 3.", "");
    at("http", "dialogue 4", "422 out_of_range: Dialogue level 4 is outside main's range of 0 to 3.", "");
    at("adapter", "dialogue zone2 1", "notSupported: zone2 has no dialogue level.", "");
    at("http", "dialogue zone2 1", "400 not_supported: zone2 has no dialogue level.", "");

    // The sleep timer, rounded up to the receiver's next setting.
    at("window", "sleep", "done", "main/setSleep?sleep=30");
    at("adapter", "sleep 1", "30", "main/setSleep?sleep=30");
    at("adapter", "sleep 121", "120", "main/setSleep?sleep=120");
    at("dbus", "sleep 0", "Sleep timer off.", "main/setSleep?sleep=0");
    at("http", "sleep 45", "200 {ok:true,sleep:60,zone:main}", "main/setSleep?sleep=60");
    at("dbus", "sleep 45", "Sleep timer 60 min.", "main/setSleep?sleep=60");
    at("scene", "sleep 45", "Ran: sleep", "main/setSleep?sleep=60");
    const char *noSleep = "notSupported: zone2 has no sleep timer.";
    at("window,adapter", "sleep zone2 30", noSleep, "");
    at("http", "sleep zone2 30", "400 not_supported: zone2 has no sleep timer.", "");
    at("dbus", "sleep zone2 30", "not_supported: zone2 has no sleep timer.", "");

    // Playback; repeat and shuffle as what is playing offers them (repeat off and all, no shuffle).
    at("adapter", "playback next", "done", "netusb/setPlayback?playback=next");
    at("http", "playback pause", "200 {action:pause,ok:true,zone:main}", "netusb/setPlayback?playback=pause");
    at("mpris", "playback Next", "done", "netusb/setPlayback?playback=next");
    at("mpris", "playback Stop", "done", "netusb/setPlayback?playback=stop");
    at("mpris", "playback Pause", "done", "netusb/setPlayback?playback=pause");
    at("mpris", "playback Play", "done", "netusb/setPlayback?playback=play"); // asked even while playing
    at("window,adapter", "repeat all", "done", "netusb/setRepeat?mode=all");
    at("http", "repeat all", "200 {ok:true,repeat:all,zone:main}", "netusb/setRepeat?mode=all");
    at("window,adapter", "shuffle on", "notSupported: main has no shuffle.", "");
    at("http", "shuffle on", "400 not_supported: main has no shuffle.", "");
    // Play/pause: whatever moves through the track is playing, so the button pauses it.
    for (const char *playing : { "play", "fast_forward", "fast_reverse" }) {
        at("window", "playback", "done", "netusb/setPlayback?playback=pause", playing);
        at("mpris", "playback PlayPause", "done", "netusb/setPlayback?playback=pause", playing);
    }
    for (const char *stopped : { "pause", "stop" }) {
        at("window", "playback", "done", "netusb/setPlayback?playback=play", stopped);
        at("mpris", "playback PlayPause", "done", "netusb/setPlayback?playback=play", stopped);
    }

    // Favourites (slot 2 is empty) and the zone's own scene buttons (1 and 2).
    const char *favourite = "netusb/recallPreset?zone=main&num=3";
    at("window", "favourite 3", "done", favourite);
    at("adapter", "favourite 3", "3 Vinyl Rips (server)", favourite);
    at("http", "favourite 3", "200 {favourite:{input:server,name:Vinyl Rips,number:3},ok:true,zone:main}", favourite);
    at("dbus", "favourite vinyl-rips", "Recalled Vinyl Rips.", favourite);
    at("dbus", "favourite zone2 3", "Recalled Vinyl Rips.", "netusb/recallPreset?zone=zone2&num=3");
    at("scene", "favourite Vinyl Rips", "Ran: favourite", favourite);
    at("window,adapter", "favourite 2", "unknownFavourite: No favourite number 2.", "");
    at("http", "favourite 2", "404 favourite_not_found: No favourite number 2.", "");
    at("dbus", "favourite 2", "favourite_not_found: No favourite number 2.", "");
    at("dbus", "favourite Phono",
        "unknown_name: No favourite called \u201CPhono\u201D. Try one of: Harbour FM, Vinyl Rips.", "");
    at("window,adapter", "receiverscene 2", "done", "main/recallScene?num=2");
    at("http", "receiverscene 2", "200 {ok:true,receiverScene:2,zone:main}", "main/recallScene?num=2");
    at("dbus", "receiverscene 2", "Recalled scene 2.", "main/recallScene?num=2");
    at("window,adapter", "receiverscene 3", "unknownReceiverScene: main has no scene button 3 (it has 1 to 2).", "");
    at("http", "receiverscene 3", "404 receiver_scene_not_found: main has no scene button 3 (it has 1 to 2).", "");
    at("dbus", "receiverscene 3", "receiver_scene_not_found: main has no scene button 3 (it has 1 to 2).", "");
    at("dbus", "receiverscene zone2 1", "not_supported: zone2 has no scene buttons.", "");
    at("http", "receiverscene zone2 1", "400 not_supported: zone2 has no scene buttons.", "");

    // A change through the API while the window is hidden shows on screen as the window would show it; a change
    // of something else shows nothing.
    at("onscreen", "volume -30.5", "200 {ok:true,volumeDb:-30.5,zone:main} | -30.5 dB", volume);
    at("onscreen", "mute true", "200 {mute:true,ok:true,zone:main} | Muted", "main/setMute?enable=true");
    at("onscreen", "input Blu-ray", "200 {input:Blu-ray,ok:true,zone:main} | Blu-ray", "main/setInput?input=hdmi1");
    at("onscreen", "soundmode Sci-Fi", "200 {ok:true,soundMode:Sci-Fi,zone:main} | Sci-Fi",
        "main/setSoundProgram?program=sci-fi");
    at("onscreen", "bass 3", "200 {bass:3,ok:true,zone:main} | nothing on screen", bass);
}

} // namespace

class TestDoors : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sameAnswerAtEveryDoor_data() { addRows(); }

    void sameAnswerAtEveryDoor()
    {
        QFETCH(QString, door);
        QFETCH(QString, ask);
        QFETCH(QByteArray, playback);
        QFETCH(QString, sent);
        QVERIFY2(doorsByName.contains(door), qPrintable(door));
        Doors doors(playback);
        QTEST(doorsByName[door](doors, Ask::parse(ask)), "outcome");
        const QStringList expected = sent.isEmpty() ? QStringList() : QStringList { sent };
        // The window's commands go out without being awaited.
        QTRY_COMPARE(test::changesSent(doors.receiver), expected);
        QTest::qWait(20); // and nothing after them
        QCOMPARE(test::changesSent(doors.receiver), expected);
    }

    // A receiver that joins a group says so with a push event; the link then shows in the API's status and its
    // event stream, for the zones it covers only, and the window's badge shows it for the selected zone. "-" is a
    // status without the link key.
    void linkShowsAtEveryDoor_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("main");
        QTest::addColumn<QString>("zone2");

        QTest::addRow("server") << QByteArray(R"({"response_code":0,"role":"server","group_name":"Living Room",
            "server_zone":"main","client_list":[{"ip_address":"192.168.1.23","data_type":"base"}]})")
                                << u"{\"group\":\"Living Room\",\"role\":\"server\"}"_s << u"-"_s;
        QTest::addRow("client") << QByteArray(R"({"response_code":0,"role":"client","group_name":"<b>Den</b>"})")
                                << u"{\"group\":\"<b>Den</b>\",\"role\":\"client\"}"_s
                                << u"{\"group\":\"<b>Den</b>\",\"role\":\"client\"}"_s;
        QTest::addRow("client of a group without a name") << QByteArray(R"({"response_code":0,"role":"client"})")
                                                          << u"{\"role\":\"client\"}"_s << u"{\"role\":\"client\"}"_s;
        QTest::addRow("none") << QByteArray(R"({"response_code":0,"role":"none","group_name":"Old"})") << u"-"_s
                              << u"-"_s;
    }

    void linkShowsAtEveryDoor()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, main);
        QFETCH(QString, zone2);
        Doors d("play");
        api::StatusEvents events(d.clock);
        app::StatusEventFeed feed(*d.store, events);
        const auto stream = events.subscribe();
        for (const api::Zone zone : { api::Zone::main, api::Zone::zone2 })
            events.sendFirst(stream, zone, "{}");
        stream->consumed(stream->unsent().size());
        const auto linkIn = [](const QByteArray &json) {
            const QJsonValue link = QJsonDocument::fromJson(json).object().value(u"link"_s);
            return link.isObject() ? QString::fromUtf8(QJsonDocument(link.toObject()).toJson(QJsonDocument::Compact))
                                   : u"-"_s;
        };
        QCOMPARE(linkIn(d.http("GET", u"status"_s).body), u"-"_s);

        d.receiver.answer(u"dist/getDistributionInfo"_s, answer);
        d.store->handlePacket(R"({"dist":{"dist_info_updated":true}})");
        // One read, for the event; the statuses are made from what the store holds.
        const auto linkReads = [&] {
            return std::count_if(d.receiver.requests().cbegin(), d.receiver.requests().cend(),
                [](const test::RecordedRequest &r) { return r.target() == u"dist/getDistributionInfo"_s; });
        };
        QTRY_COMPARE(linkReads(), 1);
        QTRY_COMPARE(linkIn(d.http("GET", u"status"_s).body), main);
        QCOMPARE(linkIn(d.http("GET", u"status?zone=zone2"_s).body), zone2);
        QCOMPARE(linkReads(), 1);
        QCOMPARE(test::changesSent(d.receiver), QStringList());

        // The stream carries the same, as the last event of each zone.
        d.clock.advance(std::chrono::seconds(1));
        const auto lastOf = [&](const char *zone) {
            QByteArray last;
            for (const QByteArray &line : stream->unsent().toByteArray().split('\n')) {
                if (line.startsWith("data: ") && line.contains(QByteArray("\"zone\":\"") + zone + '"'))
                    last = line.mid(6);
            }
            return linkIn(last);
        };
        if (main != u"-"_s)
            QTRY_COMPARE(lastOf("main"), main);
        if (zone2 != u"-"_s)
            QTRY_COMPARE(lastOf("zone2"), zone2);
        QVERIFY(!stream->unsent().contains("\"link\"") || main != u"-"_s || zone2 != u"-"_s);
    }

    // Any other change of main's volume, mute, power or input, at any door or on the receiver itself (a push
    // event), stops a fade where it stands: after it only its own volume command, if it has one, reaches main.
    void anyOtherChangeStopsARamp_data()
    {
        QTest::addColumn<QString>("door");
        QTest::addColumn<QString>("ask");
        QTest::addColumn<QList<double>>("after");
        const auto row = [](const char *door, const char *ask, QList<double> after) {
            QTest::addRow("%s: %s", door, ask) << QString::fromLatin1(door) << QString::fromUtf8(ask) << after;
        };
        row("window", "volume -35", { -35 });
        row("window", "mute", {});
        row("window", "power", {});
        row("window", "input hdmi1", {});
        row("adapter", "volume -35", { -35 });
        row("adapter", "step down", { -20.5 }); // from what the receiver reports: -20 dB
        row("adapter", "mute false", {});
        row("adapter", "power standby", {});
        row("adapter", "input Blu-ray", {});
        row("adapter", "favourite 3", {});
        row("adapter", "receiverscene 2", {});
        row("http", "mute true", {});
        row("dbus", "volume -35", { -35 });
        row("scene", "input Blu-ray", {});
        row("event", R"({"main":{"mute":true}})", {});
        row("event", R"({"main":{"power":"standby"}})", {});
        row("event", R"({"main":{"input":"hdmi1"}})", {});
        row("event", R"({"main":{"volume":100}})", {}); // -30.5 dB, which the fade never sent
    }

    void anyOtherChangeStopsARamp()
    {
        QFETCH(QString, door);
        QFETCH(QString, ask);
        Doors d("play");
        const auto steps = Volume::ramp(-20, -30, d.store->volumeScale(Zone::main), std::chrono::seconds(8), -10);
        const Clock::TimePoint start = d.clock.now();
        QCOMPARE(
            outcome(d.adapter->rampVolume(api::Zone::main, -30, std::chrono::seconds(8), Cancellation())), u"done"_s);
        QVERIFY(test::followRamp(d, start, steps, 1, 3));
        const qsizetype before = test::mainVolumesSent(d.receiver).size();
        QCOMPARE(before, 3);

        if (door == u"event"_s) {
            d.store->handlePacket(ask.toUtf8());
            // What the event has the store read again comes back before the rig goes.
            QVERIFY(test::waitFor(d.store->freshRead(YXCEvent::Refresh::status(Zone::main))));
            QVERIFY(test::waitFor(d.store->freshRead(YXCEvent::Refresh::playInfo())));
        } else
            doorsByName[door](d, Ask::parse(ask));
        QFETCH(QList<double>, after);
        QTRY_COMPARE(test::mainVolumesSent(d.receiver).mid(before), after);
        d.clock.advance(std::chrono::seconds(10));
        QTest::qWait(20);
        QCOMPARE(test::mainVolumesSent(d.receiver).mid(before), after);
    }
};

QTEST_MAIN(TestDoors)
#include "tst_doors.moc"
