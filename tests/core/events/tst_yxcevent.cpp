#include "core/events/YXCEvent.h"

#include "support/Fixtures.h"

#include <QLoggingCategory>
#include <QTest>

using namespace amplora;
using Refresh = YXCEvent::Refresh;

Q_DECLARE_METATYPE(YXCEvent::ZoneChange)

namespace {

QStringList names(const std::set<Refresh> &refreshes)
{
    QStringList out;
    for (const auto &refresh : refreshes) {
        out << toString(refresh);
    }
    return out;
}

// A datagram with a gap `@` where one more member goes, and the path of the object holding the gap.
struct Gap {
    const char *datagram;
    const char *path;
};

// A row whose member at the gap cannot be read: the event is the one without it, and one debug line says which
// value was left out and why.
void unreadable(const Gap &gap, const char *key, const char *value, const char *why)
{
    const QByteArray datagram(gap.datagram);
    const QByteArray member = '"' + QByteArray(key) + "\":" + value + ',';
    QTest::addRow("%s%s %s", gap.path, key, value)
        << QByteArray(datagram).replace('@', member) << QByteArray(datagram).replace("@", "")
        << QStringLiteral("Push event: left out '%1%2' (%3)")
               .arg(QLatin1String(gap.path), QLatin1String(key), QLatin1String(why));
}

} // namespace

class TestYXCEvent : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The lines that say what was left out are checked.
        QLoggingCategory::setFilterRules(QStringLiteral("amplora.events.debug=true"));
    }

    // What each datagram asks to read again; the receiver's own datagrams (volume, power, play time, play info
    // updated, names) are rows of receiverDatagrams.
    void refreshes_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QStringList>("expected");
        QTest::addRow("status update and name change")
            << QByteArray(R"({"zone2":{"status_updated":true},"system":{"name_text_updated":true}})")
            << QStringList { QStringLiteral("status(zone2)"), QStringLiteral("names") };
        QTest::addRow("input change asks for play info")
            << QByteArray(R"({"main":{"input":"spotify"}})") << QStringList { QStringLiteral("playInfo") };
        QTest::addRow("favourites changed")
            << QByteArray(R"({"netusb":{"preset_info_updated":true}})") << QStringList { QStringLiteral("presets") };
        QTest::addRow("sleep timer refreshes the zone status")
            << QByteArray(R"({"zone2":{"sleep":60}})") << QStringList { QStringLiteral("status(zone2)") };
        QTest::addRow("enhancer refreshes the zone status")
            << QByteArray(R"({"main":{"enhancer":false}})") << QStringList { QStringLiteral("status(main)") };
        QTest::addRow("third zone only is ignored")
            << QByteArray(R"({"zone3":{"volume":40,"status_updated":true}})") << QStringList {};
        QTest::addRow("two zones and two inputs give playInfo once")
            << QByteArray(R"({"main":{"input":"hdmi1","volume":88},"zone2":{"input":"tuner","volume":0}})")
            << QStringList { QStringLiteral("status(main)"), QStringLiteral("status(zone2)"),
                   QStringLiteral("playInfo") };
        QTest::addRow("status_updated false") << QByteArray(R"({"main":{"status_updated":false}})") << QStringList {};
        QTest::addRow("status_updated as number one")
            << QByteArray(R"({"main":{"status_updated":1}})") << QStringList { QStringLiteral("status(main)") };
        QTest::addRow("status_updated as string is absent")
            << QByteArray(R"({"main":{"status_updated":"true"}})") << QStringList {};
        QTest::addRow("volume as string is absent") << QByteArray(R"({"main":{"volume":"72"}})") << QStringList {};
        QTest::addRow("name_text_updated false")
            << QByteArray(R"({"system":{"name_text_updated":false}})") << QStringList {};
        QTest::addRow("zone that is not an object") << QByteArray(R"({"main":"on","zone2":[1]})") << QStringList {};
    }
    void refreshes()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QStringList, expected);
        const auto event = YXCEvent::parse(datagram);
        QVERIFY(event);
        QCOMPARE(names(event->refreshes()), expected);
    }

    void fields_data()
    {
        QTest::addColumn<QByteArray>("zoneObject");
        QTest::addColumn<YXCEvent::ZoneChange>("expected");
        using Change = YXCEvent::ZoneChange;
        QTest::addRow("every field") << QByteArray(
            R"({"power":"standby","input":"hdmi2","volume":60,"mute":true,"sound_program":"straight",
                "extra_bass":false,"surround_ai":true,"status_updated":true})")
                                     << Change { QStringLiteral("standby"), QStringLiteral("hdmi2"), 60, true,
                                            QStringLiteral("straight"), false, true, true, {}, {}, {}, {}, {} };
        QTest::addRow("mute and extra bass as numbers")
            << QByteArray(R"({"mute":2,"extra_bass":0})") << Change { .mute = true, .extraBass = false };
        QTest::addRow("surround ai accepts only 0 and 1") << QByteArray(R"({"surround_ai":2})") << Change {};
        QTest::addRow("surround ai as 0") << QByteArray(R"({"surround_ai":0})") << Change { .surroundAi = false };
        QTest::addRow("volume written as whole float") << QByteArray(R"({"volume":72.0})") << Change { .volume = 72 };
        QTest::addRow("fractional volume is absent") << QByteArray(R"({"volume":72.5})") << Change {};
        QTest::addRow("volume beyond int is absent") << QByteArray(R"({"volume":99999999999})") << Change {};
        QTest::addRow("huge unsigned volume is absent")
            << QByteArray(R"({"volume":18446744073709551615})") << Change {};
        QTest::addRow("wrong types are absent")
            << QByteArray(R"({"power":1,"input":null,"mute":"on","sound_program":{},"extra_bass":[true]})")
            << Change {};
        QTest::addRow("unknown keys ignored")
            << QByteArray(R"({"actual_volume":{"value":-30.5},"link_control":"standard"})") << Change {};
        QTest::addRow("receiver extras")
            << QByteArray(R"({"sleep":30,"pure_direct":true,"direct":0,"enhancer":1,"dialogue_level":2})")
            << Change { .sleep = 30, .pureDirect = true, .direct = false, .enhancer = true, .dialogueLevel = 2 };
        QTest::addRow("receiver extras of the wrong type")
            << QByteArray(R"({"sleep":"30","pure_direct":2,"enhancer":"on","dialogue_level":1.5})") << Change {};
    }
    void fields()
    {
        QFETCH(QByteArray, zoneObject);
        QFETCH(YXCEvent::ZoneChange, expected);
        const auto event = YXCEvent::parse("{\"zone2\":" + zoneObject + "}");
        QVERIFY(event);
        QCOMPARE(event->zones.size(), std::size_t(1));
        QVERIFY(event->zones.at(Zone::zone2) == expected);
    }

    // A value that cannot be read costs that value alone, never the event: the play time, the volume and the
    // refreshes beside it still count.
    void unreadableValueIsLeftOut_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QByteArray>("without");
        QTest::addColumn<QString>("logged");

        const char *beyondDouble = "a number beyond a double";
        const char *beyondInt = "a number beyond the integer range";
        const Gap zone { R"({"device_id":"ABC","main":{"power":"on",@"input":"tuner"},"netusb":{"play_time":31}})",
            "main." };
        unreadable(zone, "volume", "1e400", beyondDouble);
        unreadable(zone, "volume", "99999999999", beyondInt);
        unreadable(zone, "sleep", R"("30")", "a string where a whole number is expected");
        unreadable(zone, "sound_program", R"({"id":"straight"})", "an object where a string is expected");
        unreadable(zone, "mute", "1e400", beyondDouble);
        unreadable(zone, "status_updated", "-1e400", beyondDouble);
        const Gap netusb { R"({"main":{"volume":40},"netusb":{@"play_info_updated":true}})", "netusb." };
        unreadable(netusb, "play_time", R"("31")", "a string where a whole number is expected");
        const Gap top { R"({@"zone2":{"volume":40}})", "" };
        unreadable(top, "device_id", "1e400", "a number where a string is expected");
        unreadable(top, "main", "1e400", "a number where an object is expected");
    }

    void unreadableValueIsLeftOut()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QByteArray, without);
        QFETCH(QString, logged);
        QTest::ignoreMessage(QtDebugMsg, qPrintable(logged));
        const auto event = YXCEvent::parse(datagram);
        QVERIFY(event);
        const auto reference = YXCEvent::parse(without);
        QVERIFY(reference);
        QVERIFY(*event == *reference);
        QVERIFY(!event->refreshes().empty());
    }

    void notAnEvent_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addRow("top-level array") << QByteArray(R"([{"main":{"volume":1}}])");
        QTest::addRow("not JSON") << QByteArray("\x00\xff garbage", 10);
        QTest::addRow("empty") << QByteArray();
        QTest::addRow("truncated object") << QByteArray(R"({"main":{"volume":72})");
        QTest::addRow("missing comma as in the maker's example")
            << QByteArray(R"({"zone2":{"volume":10 "mute":false}})");
        QTest::addRow("trailing garbage") << QByteArray(R"({"main":{}} x)");
    }
    void notAnEvent()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!YXCEvent::parse(bytes));
    }

    // Receivers pass tag bytes through unchecked: a byte that is not UTF-8 costs one character, not the event.
    void invalidUtf8()
    {
        const auto event = YXCEvent::parse("{\"device_id\":\"\xf3\",\"main\":{\"input\":\"caf\xe9\",\"volume\":40}}");
        QVERIFY(event);
        QCOMPARE(event->deviceID, std::optional(QStringLiteral("\uFFFD")));
        QCOMPARE(event->zones.at(Zone::main).input, std::optional(QStringLiteral("caf\uFFFD")));
        QCOMPARE(event->zones.at(Zone::main).volume, std::optional(40));
        QCOMPARE(
            names(event->refreshes()), (QStringList { QStringLiteral("status(main)"), QStringLiteral("playInfo") }));
    }

    // A receiver's datagrams as it sends them, one per line; every one carries its device id.
    void receiverDatagrams_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QStringList>("expected");
        const QList<QPair<const char *, QStringList>> rows {
            { "power on", {} },
            { "zone B follows the main volume", { QStringLiteral("status(main)"), QStringLiteral("status(zone2)") } },
            { "play time -60000", {} },
            { "play info updated with a play time", { QStringLiteral("playInfo") } },
            { "input and status", { QStringLiteral("status(main)"), QStringLiteral("playInfo") } },
            { "names", { QStringLiteral("names") } },
        };
        const QList<QByteArray> lines = test::fixture(QStringLiteral("av-receiver/events.jsonl")).trimmed().split('\n');
        QCOMPARE(lines.size(), rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            QTest::addRow("%s", rows.at(i).first) << lines.at(i) << rows.at(i).second;
        }
    }
    void receiverDatagrams()
    {
        QFETCH(QByteArray, datagram);
        const auto event = YXCEvent::parse(datagram);
        QVERIFY(event);
        QCOMPARE(event->deviceID, std::optional<QString>(QStringLiteral("00A0DEFA01A7")));
        QTEST(names(event->refreshes()), "expected");
    }

    void deepNestingDoesNotCrash()
    {
        const QByteArray deep = QByteArray(20000, '[') + QByteArray(20000, ']');
        QVERIFY(!YXCEvent::parse(deep));
        const QByteArray deepInZone
            = "{\"main\":" + QByteArray(20000, '{').replace("{", "{\"a\":") + "1" + QByteArray(20000, '}') + "}";
        const auto event = YXCEvent::parse(deepInZone);
        QVERIFY(event);
        QVERIFY(event->refreshes().empty());
    }
};

QTEST_GUILESS_MAIN(TestYXCEvent)
#include "tst_yxcevent.moc"
