// Lenient decoding of the signal answer and what the signal strip makes of it.

#include "core/protocol/SignalStripValues.h"
#include "core/protocol/YXCDecoder.h"

#include "support/Fixtures.h"

#include <QTest>

using namespace amplora;

namespace {
const QString dash = QStringLiteral("\u2014");
}

Q_DECLARE_METATYPE(amplora::FormatLights)

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
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("sampleRate");
        QTest::addColumn<QString>("bitDepth");
        QTest::addColumn<FormatLights>("lights");

        QTest::addRow("non-zero error") << QByteArray(R"({"audio":{"error":3,"format":"PCM","fs":"48 kHz"}})") << true
                                        << dash << dash << dash << FormatLights {};
        QTest::addRow("numeric fs") << QByteArray(R"({"audio":{"error":0,"format":"PCM","fs":48000}})") << true << "PCM"
                                    << dash << dash << FormatLights { FormatLight::pcm };
        QTest::addRow("placeholder format") << QByteArray(R"({"audio":{"format":"  ---  ","fs":"48 kHz"}})") << true
                                            << dash << dash << dash << FormatLights {};
        QTest::addRow("lower-case atmos")
            << QByteArray(R"({"audio":{"format":"dolby atmos","bit":" 24 bit\n"}})") << true << "dolby atmos" << dash
            << "24 bit" << FormatLights { FormatLight::dolby, FormatLight::atmos };
        QTest::addRow("zero fs") << QByteArray(R"({"audio":{"format":"DTS:X","fs":"0"}})") << true << "DTS:X" << dash
                                 << dash << FormatLights { FormatLight::dts, FormatLight::dtsX };
        QTest::addRow("plain DTS") << QByteArray(R"({"audio":{"format":"DTS-HD MA"}})") << true << "DTS-HD MA" << dash
                                   << dash << FormatLights { FormatLight::dts };
        QTest::addRow("unknown format") << QByteArray(R"({"audio":{"format":"Analog"}})") << true << "Analog" << dash
                                        << dash << FormatLights {};
        QTest::addRow("inactive") << QByteArray(R"({"audio":{"error":0,"format":"PCM","fs":"48 kHz"}})") << false
                                  << dash << dash << dash << FormatLights {};
        QTest::addRow("no audio") << QByteArray(R"({"response_code":0})") << true << dash << dash << dash
                                  << FormatLights {};
        QTest::addRow("speaker without a signal")
            << amplora::test::fixture(QStringLiteral("speaker/main_getSignalInfo.json")) << true << dash << dash << dash
            << FormatLights {};
        QTest::addRow("padded texts are trimmed")
            << amplora::test::fixture(QStringLiteral("av-receiver/main_getSignalInfo.json")) << true << "Dolby Atmos"
            << "48 kHz"
            << "24 bit" << FormatLights { FormatLight::dolby, FormatLight::atmos };
    }

    void strip()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, active);
        const auto signal = YXCDecoder::decode<SignalInfo>(body);
        QVERIFY(signal);
        const SignalStripValues values = SignalStripValues::from(*signal, active);
        QCOMPARE(values.active, active);
        QTEST(values.format, "format");
        QTEST(values.sampleRate, "sampleRate");
        QTEST(values.bitDepth, "bitDepth");
        QTEST(values.lights, "lights");
    }

    void absentSignal()
    {
        QCOMPARE(SignalStripValues::from(std::nullopt, true), (SignalStripValues { true, dash, dash, dash, {} }));
    }
};

QTEST_GUILESS_MAIN(TestSignalInfo)
#include "tst_signalinfo.moc"
