// Lenient decoding of the signal answer and what the signal strip makes of it.

#include "core/protocol/SignalStripValues.h"
#include "core/protocol/YXCDecoder.h"

#include "support/Fixtures.h"

#include <QTest>

using namespace amplora;

namespace {
const QString dash = QStringLiteral("\u2014");
}

Q_DECLARE_METATYPE(amplora::SignalStripValues)

class TestSignalInfo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lenientFields()
    {
        const auto decoded = YXCDecoder::decode<SignalInfo>(QByteArrayLiteral(
            R"({"response_code":"0","audio":{"error":null,"format":"PCM","fs":48000,"bit":["24"],"bitrate":1.5,"x":1}})"));
        QVERIFY(decoded);
        QCOMPARE(*decoded, (SignalInfo { std::nullopt, SignalInfo::Audio { {}, QStringLiteral("PCM"), {}, {}, {} } }));
        const auto noAudio = YXCDecoder::decode<SignalInfo>(QByteArrayLiteral(R"({"response_code":0,"audio":"PCM"})"));
        QVERIFY(noAudio);
        QCOMPARE(*noAudio, (SignalInfo { 0, std::nullopt }));
    }

    void strip_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("active");
        QTest::addColumn<SignalStripValues>("shown");

        const auto shown = [](const char *format, const QString &rate, const QString &bits, FormatLights lights = {}) {
            return SignalStripValues { true, QString::fromUtf8(format), rate, bits, lights };
        };
        const SignalStripValues blank { true, dash, dash, dash, {} };
        const auto row = [](const char *name, const QByteArray &body, const SignalStripValues &expected) {
            QTest::addRow("%s", name) << body << expected.active << expected;
        };
        row("non-zero error", R"({"audio":{"error":3,"format":"PCM","fs":"48 kHz"}})", blank);
        row("numeric fs", R"({"audio":{"error":0,"format":"PCM","fs":48000}})",
            shown("PCM", dash, dash, { FormatLight::pcm }));
        row("placeholder format", R"({"audio":{"format":"  ---  ","fs":"48 kHz"}})", blank);
        row("lower-case atmos", R"({"audio":{"format":"dolby atmos","bit":" 24 bit\n"}})",
            shown("dolby atmos", dash, QStringLiteral("24 bit"), { FormatLight::dolby, FormatLight::atmos }));
        row("zero fs", R"({"audio":{"format":"DTS:X","fs":"0"}})",
            shown("DTS:X", dash, dash, { FormatLight::dts, FormatLight::dtsX }));
        row("plain DTS", R"({"audio":{"format":"DTS-HD MA"}})", shown("DTS-HD MA", dash, dash, { FormatLight::dts }));
        row("unknown format", R"({"audio":{"format":"Analog"}})", shown("Analog", dash, dash));
        row("inactive", R"({"audio":{"error":0,"format":"PCM","fs":"48 kHz"}})", { false, dash, dash, dash, {} });
        row("no audio", R"({"response_code":0})", blank);
        row("speaker without a signal", amplora::test::fixture(QStringLiteral("speaker/main_getSignalInfo.json")),
            blank);
        row("padded texts are trimmed", amplora::test::fixture(QStringLiteral("av-receiver/main_getSignalInfo.json")),
            shown("Dolby Atmos", QStringLiteral("48 kHz"), QStringLiteral("24 bit"),
                { FormatLight::dolby, FormatLight::atmos }));
    }

    void strip()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, active);
        const auto signal = YXCDecoder::decode<SignalInfo>(body);
        QVERIFY(signal);
        QTEST(SignalStripValues::from(*signal, active), "shown");
    }

    void absentSignal()
    {
        QCOMPARE(SignalStripValues::from(std::nullopt, true), (SignalStripValues { true, dash, dash, dash, {} }));
    }
};

QTEST_GUILESS_MAIN(TestSignalInfo)
#include "tst_signalinfo.moc"
