#include "api/control/ReceiverStatus.h"
#include "api/http/JSONEncoder.h"

#include <QTest>

using namespace amplora;
using namespace amplora::api;
using namespace Qt::StringLiterals;

namespace {

QByteArray encoded(const JSONValue &value)
{
    return JSONEncoder::encode(value).value_or("(not encodable)");
}

ReceiverStatus bareStatus()
{
    ReceiverStatus status;
    status.zone = Zone::zone2;
    status.power = PowerState::standby;
    status.volumeDb = -45.5;
    status.input = u"Tuner"_s;
    return status;
}

JSONValue::Object bareObject()
{
    return { { u"zone"_s, JSONValue("zone2") }, { u"power"_s, JSONValue("standby") },
        { u"volumeDb"_s, JSONValue(-45.5) }, { u"mute"_s, JSONValue(false) }, { u"input"_s, JSONValue("Tuner") } };
}

} // namespace

Q_DECLARE_METATYPE(amplora::api::JSONValue)

class TestReceiverStatus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void encoding()
    {
        QCOMPARE(encoded(bareStatus().toJSON()),
            QByteArray(R"({"input":"Tuner","mute":false,"power":"standby","volumeDb":-45.5,"zone":"zone2"})"));

        ReceiverStatus full = bareStatus();
        full.zone = Zone::main;
        full.power = PowerState::on;
        full.mute = true;
        full.soundMode = u"Sci-Fi"_s;
        full.bass = -1.5;
        full.treble = 0;
        full.subwoofer = 2;
        full.nowPlaying = NowPlaying { u"play"_s, u"Artist"_s, std::nullopt, u"Track"_s, {}, {}, {}, {} };
        full.sleep = 90;
        full.direct = false;
        full.enhancer = true;
        full.dialogueLevel = -2;
        full.repeat = RepeatMode::one;
        full.shuffle = ShuffleMode::albums;
        QCOMPARE(encoded(full.toJSON()),
            QByteArray(
                R"({"bass":-1.5,"dialogueLevel":-2,"direct":false,"enhancer":true,"input":"Tuner","mute":true,"nowPlaying":{"artist":"Artist","playback":"play","track":"Track"},"power":"on","repeat":"one","shuffle":"albums","sleep":90,"soundMode":"Sci-Fi","subwoofer":2,"treble":0,"volumeDb":-45.5,"zone":"main"})"));
        QCOMPARE(ReceiverStatus::fromJSON(full.toJSON()).value(), full);
        QCOMPARE(ReceiverStatus::fromJSON(bareStatus().toJSON()).value(), bareStatus());
    }

    void decoding_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<JSONValue>("value"); // null removes the key
        QTest::addColumn<QString>("error"); // empty when the value is accepted
        QTest::addRow("zone in capitals")
            << u"zone"_s << JSONValue("Main") << u"\"zone\" must be one of: main, zone2."_s;
        QTest::addRow("power off is not a state")
            << u"power"_s << JSONValue("off") << u"\"power\" must be one of: on, standby."_s;
        QTest::addRow("zone missing") << u"zone"_s << JSONValue() << u"\"zone\" is missing."_s;
        QTest::addRow("volume as text") << u"volumeDb"_s << JSONValue("-30") << u"\"volumeDb\" must be a number."_s;
        QTest::addRow("optional sound mode null") << u"soundMode"_s << JSONValue() << QString();
        QTest::addRow("sleep with a fraction")
            << u"sleep"_s << JSONValue(0.5) << u"\"sleep\" must be a whole number."_s;
        QTest::addRow("sleep beyond an int") << u"sleep"_s << JSONValue(1e300) << QString();
        QTest::addRow("repeat unknown") << u"repeat"_s << JSONValue("twice")
                                        << u"\"repeat\" must be one of: off, one, all."_s;
        QTest::addRow("direct as a word") << u"direct"_s << JSONValue("on") << u"\"direct\" must be true or false."_s;
        QTest::addRow("now playing with a number")
            << u"nowPlaying"_s << JSONValue(JSONValue::Object { { u"track"_s, JSONValue(7) } })
            << u"nowPlaying: \"track\" must be a string."_s;
    }
    void decoding()
    {
        QFETCH(QString, key);
        QFETCH(JSONValue, value);
        QFETCH(QString, error);
        JSONValue::Object object = bareObject();
        if (value.isNull())
            object.erase(key);
        else
            object.insert_or_assign(key, value);
        const Result<ReceiverStatus, JSONDecodeError> decoded = ReceiverStatus::fromJSON(JSONValue(object));
        QCOMPARE(decoded.ok(), error.isEmpty());
        if (!decoded.ok())
            QCOMPARE(decoded.error().message, error);
    }

    void decodingSomethingElse()
    {
        QCOMPARE(
            ReceiverStatus::fromJSON(JSONValue(JSONValue::Array {})).error().message, u"Expected a JSON object."_s);
    }
};

QTEST_GUILESS_MAIN(TestReceiverStatus)
#include "tst_receiverstatus.moc"
