// Request paths and queries of every command, the read-only classification, and the fixed error texts.

#include "core/protocol/YXCCommand.h"
#include "core/protocol/YXCError.h"

#include <QTest>

using namespace amplora;

Q_DECLARE_METATYPE(amplora::YXCCommand)
Q_DECLARE_METATYPE(amplora::YXCError)

namespace {

// The request target below the API root, as the client forms it.
QString target(const YXCCommand &command)
{
    QString text = command.path();
    QStringList pairs;
    for (const auto &[name, value] : command.queryItems()) {
        pairs.append(name + u'=' + value);
    }
    if (!pairs.isEmpty()) {
        text += u'?' + pairs.join(u'&');
    }
    return text;
}

} // namespace

class TestYXCCommand : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void requestTarget_data()
    {
        QTest::addColumn<YXCCommand>("command");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("mutating");

        QTest::addRow("getStatus") << YXCCommand::getStatus(Zone::main) << "main/getStatus" << false;
        QTest::addRow("getSignalInfo zone2")
            << YXCCommand::getSignalInfo(Zone::zone2) << "zone2/getSignalInfo" << false;
        QTest::addRow("setPower toggle") << YXCCommand::setPower(Zone::main, PowerState::toggle)
                                         << "main/setPower?power=toggle" << true;
        QTest::addRow("setVolume") << YXCCommand::setVolume(Zone::main, 80) << "main/setVolume?volume=80" << true;
        QTest::addRow("setActualVolume zone2")
            << YXCCommand::setActualVolume(Zone::zone2, -35.5) << "zone2/setActualVolume?mode=db&value=-35.5" << true;
        QTest::addRow("setMute") << YXCCommand::setMute(Zone::main, true) << "main/setMute?enable=true" << true;
        QTest::addRow("setInput unchanged id")
            << YXCCommand::setInput(Zone::main, QStringLiteral("hdmi1")) << "main/setInput?input=hdmi1" << true;
        QTest::addRow("setSoundProgram") << YXCCommand::setSoundProgram(Zone::main, QStringLiteral("2ch_stereo"))
                                         << "main/setSoundProgram?program=2ch_stereo" << true;
        QTest::addRow("setToneControl all") << YXCCommand::setToneControl(Zone::main, QStringLiteral("manual"), -2, 3)
                                            << "main/setToneControl?mode=manual&bass=-2&treble=3" << true;
        QTest::addRow("setToneControl bass only")
            << YXCCommand::setToneControl(Zone::zone2, std::nullopt, 2, std::nullopt) << "zone2/setToneControl?bass=2"
            << true;
        QTest::addRow("setToneControl nothing")
            << YXCCommand::setToneControl(Zone::main, std::nullopt, std::nullopt, std::nullopt) << "main/setToneControl"
            << true;
        QTest::addRow("setSubwooferVolume negative")
            << YXCCommand::setSubwooferVolume(Zone::main, -4) << "main/setSubwooferVolume?volume=-4" << true;
        QTest::addRow("setExtraBass") << YXCCommand::setExtraBass(Zone::main, false) << "main/setExtraBass?enable=false"
                                      << true;
        QTest::addRow("setSurroundAI") << YXCCommand::setSurroundAI(Zone::zone2, true)
                                       << "zone2/setSurroundAI?enable=true" << true;
        QTest::addRow("setPlayback") << YXCCommand::setPlayback(PlaybackAction::next)
                                     << "netusb/setPlayback?playback=next" << true;
        QTest::addRow("getDeviceInfo") << YXCCommand::getDeviceInfo() << "system/getDeviceInfo" << false;
        QTest::addRow("getFeatures") << YXCCommand::getFeatures() << "system/getFeatures" << false;
        QTest::addRow("getNameText") << YXCCommand::getNameText() << "system/getNameText" << false;
        QTest::addRow("getPlayInfo") << YXCCommand::getPlayInfo() << "netusb/getPlayInfo" << false;
        QTest::addRow("getNetworkStatus") << YXCCommand::getNetworkStatus() << "system/getNetworkStatus" << false;
    }

    void requestTarget()
    {
        QFETCH(YXCCommand, command);
        QFETCH(QString, target);
        QFETCH(bool, mutating);
        QCOMPARE(::target(command), target);
        QCOMPARE(command.isMutating(), mutating);
        QCOMPARE(command.answerType().has_value(), !mutating);
    }

    // Decibels are snapped to 0.5 dB, half away from zero, and printed with one decimal, negative zero included.
    void decibelValue_data()
    {
        QTest::addColumn<double>("dB");
        QTest::addColumn<QString>("value");

        QTest::addRow("rounds down past the quarter") << -35.26 << "-35.5";
        QTest::addRow("rounds up before the quarter") << -35.24 << "-35.0";
        QTest::addRow("quarter goes away from zero, negative") << -35.25 << "-35.5";
        QTest::addRow("quarter goes away from zero, positive") << 10.25 << "10.5";
        QTest::addRow("whole value keeps one decimal") << -40.0 << "-40.0";
        QTest::addRow("small negative is negative zero") << -0.2 << "-0.0";
        QTest::addRow("small positive is zero") << 0.2 << "0.0";
        QTest::addRow("lowest receiver value") << -80.5 << "-80.5";
    }

    void decibelValue()
    {
        QFETCH(double, dB);
        QFETCH(QString, value);
        const auto items = YXCCommand::setActualVolume(Zone::main, dB).queryItems();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(0), qMakePair(QStringLiteral("mode"), QStringLiteral("db")));
        QCOMPARE(items.at(1), qMakePair(QStringLiteral("value"), value));
    }

    void names()
    {
        QCOMPARE(YXCCommand::setSurroundAI(Zone::main, true).name(), QStringLiteral("setSurroundAI"));
        QCOMPARE(YXCCommand::getNetworkStatus().name(), QStringLiteral("getNetworkStatus"));
        QCOMPARE(YXCCommand::setPlayback(PlaybackAction::stop).zone(), std::nullopt);
        QCOMPARE(YXCCommand::setMute(Zone::zone2, true).zone(), std::optional<Zone>(Zone::zone2));
    }

    void equality()
    {
        QCOMPARE(YXCCommand::setVolume(Zone::main, 80), YXCCommand::setVolume(Zone::main, 80));
        QVERIFY(YXCCommand::setVolume(Zone::main, 80) != YXCCommand::setVolume(Zone::zone2, 80));
        QVERIFY(YXCCommand::setVolume(Zone::main, 80) != YXCCommand::setSubwooferVolume(Zone::main, 80));
    }

    void errorDescription_data()
    {
        QTest::addColumn<YXCError>("error");
        QTest::addColumn<QString>("text");

        QTest::addRow("invalid host") << YXCError::invalidHost(QStringLiteral("http://rx/"))
                                      << QString::fromUtf8("“http://rx/” is not a valid receiver address.");
        QTest::addRow("invalid empty host")
            << YXCError::invalidHost(QString()) << QString::fromUtf8("“” is not a valid receiver address.");
        QTest::addRow("read-only") << YXCError::readOnlyBlocked(QStringLiteral("netusb/setPlayback"))
                                   << "Read-only mode blocked netusb/setPlayback.";
        QTest::addRow("http") << YXCError::http(404) << "The receiver answered with HTTP 404.";
        QTest::addRow("unreadable has no full stop")
            << YXCError::unreadable(QStringLiteral("main/setMute"), QStringLiteral("invalid JSON at ''"))
            << QString::fromUtf8("Couldn’t read main/setMute: invalid JSON at ''");
        QTest::addRow("response code") << YXCError::responseCode(3, QStringLiteral("main/setInput"))
                                       << "main/setInput failed (response code 3).";
        QTest::addRow("transport keeps the network text")
            << YXCError::transport(QStringLiteral("Connection refused")) << "Connection refused";
    }

    void errorDescription()
    {
        QFETCH(YXCError, error);
        QFETCH(QString, text);
        QCOMPARE(error.description(), text);
    }

    void errorEquality()
    {
        QCOMPARE(YXCError::http(500), YXCError::http(500));
        QVERIFY(YXCError::http(500) != YXCError::http(503));
        QVERIFY(YXCError::responseCode(3, QStringLiteral("a")) != YXCError::responseCode(3, QStringLiteral("b")));
        // Same text, different kinds: still different errors.
        QVERIFY(YXCError::transport(QStringLiteral("x")) != YXCError::invalidHost(QStringLiteral("x")));
    }
};

QTEST_GUILESS_MAIN(TestYXCCommand)
#include "tst_yxccommand.moc"
