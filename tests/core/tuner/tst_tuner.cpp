// The tuner from the wire to what is shown: its answers decoded leniently, the frequency read in the band's unit
// with the precision its step needs, the station's texts, the presets with their empty slots left out, the
// commands it takes and the push events that ask for a new read.

#include "core/capabilities/Tuner.h"
#include "core/events/YXCEvent.h"
#include "core/protocol/YXCDecoder.h"
#include "support/CommandText.h"
#include "support/Fixtures.h"

#include "../../app/TableRows.h"

#include <QTest>

using namespace amplora;
using test::row;

namespace {

// A receiver's tuner as it announces it: "am fm rds" with the usual ranges (AM 9 kHz steps, FM `fmStep`).
Features tunerFeatures(const QString &functions = QStringLiteral("am fm rds"), double fmStep = 50,
    const QString &presetType = QStringLiteral("common"))
{
    Features features;
    TunerFeatures tuner;
    tuner.funcList = functions.split(u' ', Qt::SkipEmptyParts);
    tuner.rangeStep = { { QStringLiteral("am"), 531, 1611, 9 }, { QStringLiteral("fm"), 87500, 108000, fmStep } };
    tuner.preset = TunerPresetFeature { presetType, 40 };
    features.tuner = tuner;
    return features;
}

// A reading as one line: "fm | 98.10 MHz | Radio 1 | Now: ..." with "-" for what is absent; "none" without one.
QString readingText(const std::optional<Tuner::Reading> &reading)
{
    if (!reading) {
        return QStringLiteral("none");
    }
    return QStringList { reading->band, reading->frequency, reading->station.value_or(QStringLiteral("-")),
        reading->text.value_or(QStringLiteral("-")) }
        .join(QStringLiteral(" | "));
}

QByteArray withBand(QByteArray body, const char *band)
{
    return body.replace("\"band\": \"fm\"", QByteArray("\"band\": \"") + band + '"');
}

} // namespace

Q_DECLARE_METATYPE(amplora::Features)
Q_DECLARE_METATYPE(amplora::YXCCommand)
Q_DECLARE_METATYPE(std::optional<int>)

class TestTuner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void frequencyText_data()
    {
        QTest::addColumn<QString>("band");
        QTest::addColumn<int>("kHz");
        QTest::addColumn<double>("fmStep"); // 0: the receiver gives no FM range
        QTest::addColumn<QString>("expected");
        row("FM bottom, 50 kHz steps", QStringLiteral("fm"), 87500, 50.0, QStringLiteral("87.50 MHz"));
        row("FM 98.1, 50 kHz steps", QStringLiteral("fm"), 98100, 50.0, QStringLiteral("98.10 MHz"));
        row("FM between, 50 kHz steps", QStringLiteral("fm"), 98150, 50.0, QStringLiteral("98.15 MHz"));
        row("FM top, 50 kHz steps", QStringLiteral("fm"), 108000, 50.0, QStringLiteral("108.00 MHz"));
        row("FM 100 kHz steps", QStringLiteral("fm"), 98100, 100.0, QStringLiteral("98.1 MHz"));
        row("FM 200 kHz steps", QStringLiteral("fm"), 107900, 200.0, QStringLiteral("107.9 MHz"));
        row("FM without a range", QStringLiteral("fm"), 98100, 0.0, QStringLiteral("98.1 MHz"));
        row("FM without a range, between", QStringLiteral("fm"), 98150, 0.0, QStringLiteral("98.15 MHz"));
        row("FM with a broken step", QStringLiteral("fm"), 98150, 0.5, QStringLiteral("98.15 MHz"));
        row("AM bottom", QStringLiteral("am"), 531, 50.0, QStringLiteral("531 kHz"));
        row("AM top", QStringLiteral("am"), 1611, 50.0, QStringLiteral("1611 kHz"));
        row("DAB block 12B", QStringLiteral("dab"), 225648, 50.0, QStringLiteral("225.648 MHz"));
        row("not tuned", QStringLiteral("fm"), 0, 50.0, QString());
        row("a band it does not know", QStringLiteral("sw"), 6000, 50.0, QString());
    }

    void frequencyText()
    {
        QFETCH(QString, band);
        QFETCH(int, kHz);
        QFETCH(double, fmStep);
        TunerFeatures tuner = tunerFeatures().tuner.value_or(TunerFeatures {});
        if (fmStep == 0) {
            tuner.rangeStep.removeLast();
        } else {
            tuner.rangeStep.last().step = fmStep;
        }
        QTEST(Tuner::frequencyText(band, kHz, &tuner), "expected");
    }

    // What an answer shows: from the project's fixtures and variants of them, through the real decoder.
    void reading_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        const QByteArray fm = test::fixture(QStringLiteral("av-receiver/tuner_getPlayInfo.json"));
        row("FM with RDS", fm, QStringLiteral("fm | 98.10 MHz | Radio 1 | Now: Late Night Rock"));
        row("DAB", test::fixture(QStringLiteral("av-receiver/tuner_getPlayInfo__dab.json")),
            QStringLiteral("dab | 225.648 MHz | Jazz Digital | Playing: Blue in Green"));
        // The answer still carries the FM station's texts; an AM station sends none.
        row("AM", test::fixture(QStringLiteral("av-receiver/tuner_getPlayInfo__am.json")),
            QStringLiteral("am | 1611 kHz | - | -"));
        row("DAB not ready", withBand(fm, "dab"), QStringLiteral("dab |  | - | -"));
        row("FM without RDS", QByteArray(R"({"response_code":0,"band":"fm","fm":{"freq":87500,"tuned":false}})"),
            QStringLiteral("fm | 87.50 MHz | - | -"));
        row("blank station name, second radio text",
            QByteArray(R"({"response_code":0,"band":"fm","fm":{"freq":98100},)"
                       R"("rds":{"program_service":"        ","radio_text_a":"","radio_text_b":"News"}})"),
            QStringLiteral("fm | 98.10 MHz | - | News"));
        row("not UTF-8 in the radio text",
            QByteArray("{\"response_code\":0,\"band\":\"fm\",\"fm\":{\"freq\":98100},"
                       "\"rds\":{\"program_service\":\"Radio 1\",\"radio_text_a\":\"Caf\xe9 Live\"}}"),
            QStringLiteral("fm | 98.10 MHz | Radio 1 | Caf\uFFFD Live"));
        row("a field of the wrong type",
            QByteArray(R"({"response_code":0,"band":"fm","fm":{"freq":"98100"},"rds":{"program_service":7}})"),
            QStringLiteral("fm |  | - | -"));
        row("no band", QByteArray(R"({"response_code":0,"fm":{"freq":98100}})"), QStringLiteral("none"));
        row("a band it does not know", QByteArray(R"({"response_code":0,"band":"sw"})"), QStringLiteral("none"));
    }

    void reading()
    {
        QFETCH(QByteArray, body);
        const auto decoded = YXCDecoder::decode<TunerPlayInfo>(body);
        QVERIFY2(decoded, qPrintable(decoded ? QString() : decoded.error().detail()));
        const TunerFeatures tuner = tunerFeatures().tuner.value_or(TunerFeatures {});
        QTEST(readingText(Tuner::reading(decoded.value(), &tuner)), "expected");
    }

    void garbageIsNoAnswer_data()
    {
        QTest::addColumn<QByteArray>("body");
        row("not JSON", QByteArray("<html>busy</html>"));
        row("a response code that is no number", QByteArray(R"({"response_code":"ok","band":"fm"})"));
        row("a list", QByteArray("[1,2]"));
    }

    void garbageIsNoAnswer()
    {
        QFETCH(QByteArray, body);
        QVERIFY(!YXCDecoder::decode<TunerPlayInfo>(body));
        QVERIFY(!YXCDecoder::decode<TunerPresetInfo>(body));
    }

    // Filled slots keep their numbers; "unknown" and number 0 are empty; a DAB preset has no frequency to show.
    void presets_data()
    {
        QTest::addColumn<std::optional<int>>("slots");
        QTest::addColumn<QString>("expected");
        row("every slot", std::optional<int>(),
            QStringLiteral("1 fm 98.10 MHz, 3 am 531 kHz, 5 fm 87.50 MHz, 6 dab -"));
        row("as many slots as announced", std::optional<int>(3), QStringLiteral("1 fm 98.10 MHz, 3 am 531 kHz"));
        row("none announced", std::optional<int>(0), QString());
    }

    void presets()
    {
        QFETCH(std::optional<int>, slots);
        const auto info = YXCDecoder::decode<TunerPresetInfo>(
            test::fixture(QStringLiteral("av-receiver/tuner_getPresetInfo.json")));
        QVERIFY(info);
        QStringList shown;
        for (const Tuner::Preset &preset : Tuner::presets(info->listed(slots), tunerFeatures())) {
            shown.append(QStringLiteral("%1 %2 %3")
                             .arg(preset.number)
                             .arg(preset.band, preset.frequency.value_or(QStringLiteral("-"))));
        }
        QTEST(shown.join(QStringLiteral(", ")), "expected");
    }

    // A malformed slot is an empty one, so the slots after it keep their numbers.
    void malformedSlotKeepsNumbers()
    {
        const auto info = YXCDecoder::decode<TunerPresetInfo>(
            R"({"response_code":0,"preset_info":[7,{"band":"fm","number":"x"},{"band":"am","number":999}]})");
        QVERIFY(info);
        QCOMPARE(info->listed(), (QList<ListedTunerPreset> { { 3, QStringLiteral("am"), 999 } }));
    }

    // What a recall sends, or why it sends nothing; slot 2 is empty.
    void recall_data()
    {
        QTest::addColumn<Features>("features");
        QTest::addColumn<QByteArray>("playing");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected");
        const QByteArray fm = R"({"response_code":0,"band":"fm"})";
        const QByteArray dab = R"({"response_code":0,"band":"dab"})";
        row("one list for every band", tunerFeatures(), fm, 1,
            QStringLiteral("tuner/recallPreset?zone=main&band=common&num=1"));
        row("a list per band, the band playing",
            tunerFeatures(QStringLiteral("fm dab"), 50, QStringLiteral("separate")), dab, 3,
            QStringLiteral("tuner/recallPreset?zone=main&band=dab&num=3"));
        row("a list per band, nothing read yet",
            tunerFeatures(QStringLiteral("rds fm dab"), 50, QStringLiteral("separate")), QByteArray(), 1,
            QStringLiteral("tuner/recallPreset?zone=main&band=fm&num=1"));
        row("an empty slot", tunerFeatures(), fm, 2, QStringLiteral("refused: No tuner preset number 2."));
        row("no tuner", Features {}, fm, 1, QStringLiteral("refused: main has no tuner."));
        row("a tuner of no band it plays", tunerFeatures(QStringLiteral("rds")), fm, 1,
            QStringLiteral("refused: main has no tuner."));
    }

    void recall()
    {
        QFETCH(Features, features);
        QFETCH(QByteArray, playing);
        QFETCH(int, number);
        const QList<ListedTunerPreset> listed { { 1, QStringLiteral("fm"), 98100 }, { 3, QStringLiteral("am"), 531 } };
        std::optional<TunerPlayInfo> info;
        if (!playing.isEmpty()) {
            info = YXCDecoder::decode<TunerPlayInfo>(playing).value();
        }
        const auto made = Tuner::recall(Zone::main, features, info, listed, number);
        QTEST(test::outcomeText(made), "expected");
        if (!made) {
            QCOMPARE(
                made.error().reason(), number == 2 ? Refusal::Reason::unknownFavourite : Refusal::Reason::notSupported);
        }
    }

    void commands_data()
    {
        QTest::addColumn<YXCCommand>("command");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("mutating");
        row("play info", YXCCommand::getTunerPlayInfo(), QStringLiteral("tuner/getPlayInfo"), false);
        row("presets", YXCCommand::getTunerPresetInfo(QStringLiteral("common")),
            QStringLiteral("tuner/getPresetInfo?band=common"), false);
        row("recall", YXCCommand::recallTunerPreset(Zone::zone2, QStringLiteral("fm"), 4),
            QStringLiteral("tuner/recallPreset?zone=zone2&band=fm&num=4"), true);
    }

    void commands()
    {
        QFETCH(YXCCommand, command);
        QFETCH(bool, mutating);
        QTEST(test::commandText(command), "expected");
        QCOMPARE(command.isMutating(), mutating);
        QCOMPARE(command.answerType().has_value(), !mutating);
    }

    void events_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("expected");
        row("the tuner's play info", QByteArray(R"({"tuner":{"play_info_updated":true}})"),
            QStringLiteral("tunerPlayInfo"));
        row("its presets", QByteArray(R"({"tuner":{"preset_info_updated":true}})"), QStringLiteral("tunerPresets"));
        row("a flag of the wrong type", QByteArray(R"({"tuner":{"play_info_updated":"yes"}})"), QString());
    }

    void events()
    {
        QFETCH(QByteArray, datagram);
        const auto event = YXCEvent::parse(datagram);
        QVERIFY(event);
        QStringList refreshes;
        for (const YXCEvent::Refresh &refresh : event.value_or(YXCEvent {}).refreshes()) {
            refreshes.append(toString(refresh));
        }
        QTEST(refreshes.join(u' '), "expected");
    }
};

QTEST_GUILESS_MAIN(TestTuner)
#include "tst_tuner.moc"
