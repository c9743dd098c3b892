// The tuner at every door, on one receiver over loopback: what main plays when it listens to the tuner (the API's
// status, the media-player metadata, the window's now-playing view model), the presets listed and recalled, the
// refusal where the receiver has no tuner; and when the store reads the tuner at all.

#include "DoorsRig.h"

#include "../ControlOutcome.h"

#include "api/server/StatusEvents.h"
#include "app/controller/StatusEventFeed.h"
#include "app/mpris/MprisProperties.h"
#include "qml/NowPlayingModel.h"
#include "qml/SourcesModel.h"
#include "support/Fixtures.h"

#include "../TableRows.h"

using namespace amplora;
using namespace Qt::StringLiterals;
using test::Doors;
using test::row;

namespace {

// The doors' receiver with a tuner (AM, FM with RDS, 40 common presets) and a tuner input.
QByteArray featuresWithTuner()
{
    QByteArray features = test::doorsFeatures;
    features.replace(R"({"id":"spotify","play_info_type":"netusb"}])",
        R"({"id":"spotify","play_info_type":"netusb"},{"id":"tuner","play_info_type":"tuner"}])");
    features.chop(1); // the closing brace
    return features + R"(,"tuner":{"func_list":["am","fm","rds"],"range_step":[{"id":"am","min":531,"max":1611,
      "step":9},{"id":"fm","min":87500,"max":108000,"step":50}],"preset":{"type":"common","num":40}}})";
}

QByteArray mainStatus(const QByteArray &input)
{
    return QByteArray(test::doorsMainStatus).replace(R"("input":"spotify")", R"("input":")" + input + '"');
}

int tunerReads(const test::FakeReceiver &receiver)
{
    return int(std::count_if(receiver.requests().cbegin(), receiver.requests().cend(),
        [](const test::RecordedRequest &request) { return request.target() == u"tuner/getPlayInfo"_s; }));
}

// The doors' receiver, with or without a tuner, main on the tuner or on Spotify; everything read as the window
// has it.
struct TunerDoors : Doors {
    TunerDoors(bool tuner, const QByteArray &input)
        : Doors("play")
    {
        if (tuner) {
            receiver.answer(u"system/getFeatures"_s, featuresWithTuner());
        }
        receiver.answer(u"main/getStatus"_s, mainStatus(input));
        receiver.answer(u"tuner/getPlayInfo"_s, test::fixture(u"av-receiver/tuner_getPlayInfo.json"_s));
        receiver.answer(u"tuner/getPresetInfo"_s, test::fixture(u"av-receiver/tuner_getPresetInfo.json"_s));
        receiver.answerOk(u"tuner/recallPreset"_s);
        receiver.answer(u"system/getDeviceInfo"_s, test::fixture(u"av-receiver/system_getDeviceInfo.json"_s));
        for (const YXCEvent::Refresh &what : { YXCEvent::Refresh::features(), YXCEvent::Refresh::status(Zone::main),
                 YXCEvent::Refresh::tunerPlayInfo(), YXCEvent::Refresh::tunerPresets() }) {
            const auto read = test::waitFor(store->refresh(what));
            [&] { QVERIFY2(read, qPrintable(read ? QString() : read.error().description())); }();
        }
        receiver.clearRequests();
    }
};

// An answer of the API without its quotes, or its status, error code and message.
QString answer(const api::HTTPResponse &response)
{
    const QJsonObject body = QJsonDocument::fromJson(response.body).object();
    if (body.contains(u"error"_s)) {
        const QJsonObject error = body[u"error"_s].toObject();
        return QString::number(response.status) + u' ' + error[u"code"_s].toString() + u": "_s
            + error[u"message"_s].toString();
    }
    return QString::number(response.status) + u' ' + QString::fromUtf8(response.body).remove(u'"');
}

QString nowPlayingOf(Doors &d)
{
    const QJsonObject status = QJsonDocument::fromJson(d.http("GET", u"status"_s).body).object();
    const QJsonValue playing = status.value(u"nowPlaying"_s);
    return playing.isUndefined()
        ? u"none"_s
        : QString::fromUtf8(QJsonDocument(playing.toObject()).toJson(QJsonDocument::Compact)).remove(u'"');
}

QString mprisOf(Doors &d)
{
    const QVariantMap map = app::MprisProperties::metadata(*d.store, {});
    return QStringList { map.value(u"xesam:title"_s).toString(), map.value(u"xesam:album"_s).toString(),
        map.value(u"xesam:artist"_s).toStringList().join(u'/') }
        .join(u" | "_s);
}

QString viewModelOf(Doors &d)
{
    NowPlayingModel model(*d.store);
    SourcesModel sources(*d.store);
    QStringList presets;
    for (const Choice &choice : sources.tunerPresets()->rows()) {
        presets.append(choice.name);
    }
    return QStringList { model.tunerBand(), model.tunerFrequency(), model.tunerStation(), model.tunerText(),
        presets.join(u", "_s) }
        .join(u" | "_s);
}

using DoorCall = std::function<QString(Doors &)>;

} // namespace

Q_DECLARE_METATYPE(DoorCall)

class TestTunerDoors : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tunerAtEveryDoor_data()
    {
        QTest::addColumn<bool>("tuner");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<DoorCall>("door");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("sent");
        const DoorCall status = nowPlayingOf;
        const DoorCall mpris = mprisOf;
        const DoorCall view = viewModelOf;
        const DoorCall presets = [](Doors &d) { return answer(d.http("GET", u"tuner/presets"_s)); };
        const auto recall = [](const char *number) {
            return DoorCall([number](Doors &d) {
                return answer(d.http("POST", u"tuner/presets/%1/recall"_s.arg(QLatin1String(number))));
            });
        };
        const auto window = [](int number) {
            return DoorCall([number](Doors &d) {
                const std::optional<Refusal> refusal = d.store->recallTunerPreset(number);
                return refusal ? refusal->description() : u"done"_s;
            });
        };
        const QByteArray tuner = "tuner";
        const QByteArray spotify = "spotify";
        const QString recalled = u"tuner/recallPreset?zone=main&band=common&num=3"_s;
        const QString noTuner = u"400 not_supported: main has no tuner."_s;

        row("API status", true, tuner, status,
            u"{band:fm,frequency:98.10 MHz,station:Radio 1,text:Now: Late Night Rock}"_s, QString());
        row("API status, on Spotify", true, spotify, status, u"{playback:play,track:Song}"_s, QString());
        row("API status, no tuner", false, tuner, status, u"none"_s, QString());
        row("media player", true, tuner, mpris, u"Radio 1 | FM 98.10 MHz | Now: Late Night Rock"_s, QString());
        row("media player, on Spotify", true, spotify, mpris, u"Song |  | "_s, QString());
        row("view model", true, tuner, view,
            u"FM | 98.10 MHz | Radio 1 | Now: Late Night Rock | FM 98.10 MHz, AM 531 kHz, FM 87.50 MHz, DAB"_s,
            QString());
        row("view model, on Spotify", true, spotify, view, u" |  |  |  | "_s, QString());
        row("API presets", true, tuner, presets,
            u"200 {presets:[{band:fm,frequency:98.10 MHz,number:1},{band:am,frequency:531 kHz,number:3},"
            u"{band:fm,frequency:87.50 MHz,number:5},{band:dab,number:6}],zone:main}"_s,
            QString());
        row("API presets, no tuner", false, tuner, presets, noTuner, QString());
        row("API recall", true, spotify, recall("3"),
            u"200 {ok:true,preset:{band:am,frequency:531 kHz,number:3},zone:main}"_s, recalled);
        row("API recall, empty slot", true, tuner, recall("2"), u"404 favourite_not_found: No tuner preset number 2."_s,
            QString());
        row("API recall, no number", true, tuner, recall("first"),
            u"404 favourite_not_found: No favourite number first."_s, QString());
        row("API recall, no tuner", false, tuner, recall("3"), noTuner, QString());
        row("window recall", true, tuner, window(3), u"done"_s, recalled);
        row("window recall, empty slot", true, tuner, window(2), u"No tuner preset number 2."_s, QString());
        row("window recall, no tuner", false, tuner, window(3), u"main has no tuner."_s, QString());
    }

    void tunerAtEveryDoor()
    {
        QFETCH(bool, tuner);
        QFETCH(QByteArray, input);
        QFETCH(DoorCall, door);
        QFETCH(QString, sent);
        TunerDoors doors(tuner, input);
        QTEST(door(doors), "outcome");
        const QStringList expected = sent.isEmpty() ? QStringList() : QStringList { sent };
        QTRY_COMPARE(test::changesSent(doors.receiver), expected);
    }

    // The tuner is read while a zone listens to it: when a push event says it changed, with the regular polling,
    // and after a switch to it; never for a zone on another input.
    void readsTheTunerOnlyWhileListened_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("event"); // none: a poll
        QTest::addColumn<int>("reads");
        row("event, on the tuner", QByteArray("tuner"), QByteArray(R"({"tuner":{"play_info_updated":true}})"), 1);
        row("event, on Spotify", QByteArray("spotify"), QByteArray(R"({"tuner":{"play_info_updated":true}})"), 0);
        row("switch to the tuner", QByteArray("tuner"), QByteArray(R"({"main":{"input":"tuner"}})"), 1);
        row("switch to Spotify", QByteArray("spotify"), QByteArray(R"({"main":{"input":"spotify"}})"), 0);
        row("poll, on the tuner", QByteArray("tuner"), QByteArray(), 1);
        row("poll, on Spotify", QByteArray("spotify"), QByteArray(), 0);
    }

    void readsTheTunerOnlyWhileListened()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, event);
        QFETCH(int, reads);
        TunerDoors doors(true, input);
        // What the receiver answers next differs, so a read shows.
        doors.receiver.answer(u"tuner/getPlayInfo"_s, test::fixture(u"av-receiver/tuner_getPlayInfo__am.json"_s));
        if (event.isEmpty()) {
            const auto polled = test::waitFor(doors.store->poll(doors.clock.now()));
            QVERIFY(polled);
        } else {
            doors.store->handlePacket(event);
        }
        QTRY_COMPARE(tunerReads(doors.receiver), reads);
        QTest::qWait(20);
        QCOMPARE(tunerReads(doors.receiver), reads);
        const auto reading = doors.store->tunerReading();
        QCOMPARE(reading ? reading->frequency : u"none"_s, reads ? u"1611 kHz"_s : u"none"_s);
    }

    // The event stream carries what the tuner plays once it changes, without a status change of the zone.
    void eventStreamCarriesTheStation()
    {
        TunerDoors doors(true, "tuner");
        api::StatusEvents events { doors.clock };
        app::StatusEventFeed feed(*doors.store, events);
        const auto stream = events.subscribe();
        events.sendFirst(stream, api::Zone::main, "{}");
        stream->consumed(stream->unsent().size());
        doors.receiver.answer(u"tuner/getPlayInfo"_s, test::fixture(u"av-receiver/tuner_getPlayInfo__dab.json"_s));

        doors.store->handlePacket(R"({"tuner":{"play_info_updated":true}})");
        doors.clock.advance(std::chrono::milliseconds(100));
        QTRY_VERIFY(stream->unsent().contains(R"("station":"Jazz Digital")"));
        QVERIFY(stream->unsent().contains(R"("frequency":"225.648 MHz")"));
        // The feed's own read confirms it; it ends before the receiver goes.
        QVERIFY(test::waitFor(doors.adapter->status(api::Zone::main, Cancellation())));
        QTest::qWait(20);
    }
};

QTEST_MAIN(TestTunerDoors)
#include "tst_tunerdoors.moc"
