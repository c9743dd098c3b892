// Request paths and queries of the commands, the read-only classification, and error equality.

#include "core/protocol/YXCCommand.h"
#include "core/protocol/YXCError.h"
#include "support/CommandText.h"

#include <QTest>

using namespace amplora;

Q_DECLARE_METATYPE(amplora::YXCCommand)

using test::commandText;

namespace {

// Every case of the command, each built from default arguments: a case added later is among them.
template<std::size_t... I> QList<YXCCommand> everyCase(std::index_sequence<I...>)
{
    return { YXCCommand(YXCCommand::Case(std::in_place_index<I>))... };
}

QList<YXCCommand> everyCase()
{
    return everyCase(std::make_index_sequence<std::variant_size_v<YXCCommand::Case>>());
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
        QTest::addRow("setActualVolume zone2")
            << YXCCommand::setActualVolume(Zone::zone2, -35.5) << "zone2/setActualVolume?mode=db&value=-35.5" << true;
        QTest::addRow("setMute") << YXCCommand::setMute(Zone::main, true) << "main/setMute?enable=true" << true;
        QTest::addRow("setInput unchanged id")
            << YXCCommand::setInput(Zone::main, QStringLiteral("hdmi1")) << "main/setInput?input=hdmi1" << true;
        QTest::addRow("setSoundProgram") << YXCCommand::setSoundProgram(Zone::main, QStringLiteral("2ch_stereo"))
                                         << "main/setSoundProgram?program=2ch_stereo" << true;
        QTest::addRow("setToneControl all") << YXCCommand::setToneControl(Zone::main, QStringLiteral("manual"), -2, 3)
                                            << "main/setToneControl?mode=manual&bass=-2&treble=3" << true;
        QTest::addRow("setToneControl nothing")
            << YXCCommand::setToneControl(Zone::main, std::nullopt, std::nullopt, std::nullopt) << "main/setToneControl"
            << true;
        QTest::addRow("setSurroundAI") << YXCCommand::setSurroundAI(Zone::zone2, true)
                                       << "zone2/setSurroundAI?enable=true" << true;
        QTest::addRow("setPlayback") << YXCCommand::setPlayback(PlaybackAction::next)
                                     << "netusb/setPlayback?playback=next" << true;
        QTest::addRow("getDeviceInfo") << YXCCommand::getDeviceInfo() << "system/getDeviceInfo" << false;
        QTest::addRow("setDirect") << YXCCommand::setDirect(Zone::main, false) << "main/setDirect?enable=false" << true;
        QTest::addRow("setShuffle") << YXCCommand::setShuffle(QStringLiteral("songs")) << "netusb/setShuffle?mode=songs"
                                    << true;
        // Recalls change the receiver as much as a set does: read-only mode must block them too.
        QTest::addRow("recallPreset into zone2")
            << YXCCommand::recallPreset(Zone::zone2, 3) << "netusb/recallPreset?zone=zone2&num=3" << true;
        QTest::addRow("recallScene") << YXCCommand::recallScene(Zone::main, 4) << "main/recallScene?num=4" << true;
        QTest::addRow("getDistributionInfo")
            << YXCCommand::getDistributionInfo() << "dist/getDistributionInfo" << false;
    }

    void requestTarget()
    {
        QFETCH(YXCCommand, command);
        QFETCH(QString, target);
        QFETCH(bool, mutating);
        QCOMPARE(commandText(command), target);
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
    }

    void decibelValue()
    {
        QFETCH(double, dB);
        QFETCH(QString, value);
        QCOMPARE(commandText(YXCCommand::setActualVolume(Zone::main, dB)),
            QStringLiteral("main/setActualVolume?mode=db&value=") + value);
    }

    // Amplora shows a receiver's link with others but never builds, joins or leaves one: of every command it can
    // build, those addressed to the link interface only read, with no arguments. The check does not trust
    // isMutating(), which knows only "set" and "recall": a "start" or "delete" would slip past it.
    void noLinkChange()
    {
        QStringList reads;
        QStringList changes;
        for (const YXCCommand &command : everyCase()) {
            if (!command.path().startsWith(QStringLiteral("dist/"))) {
                continue;
            }
            const bool read = command.path().section(u'/', -1).startsWith(QStringLiteral("get"))
                && !command.isMutating() && command.answerType() && command.queryItems().isEmpty();
            (read ? reads : changes).append(command.name());
        }
        QCOMPARE(changes, QStringList());
        QCOMPARE(reads, QStringList { QStringLiteral("getDistributionInfo") });
    }

    // Many tests compare commands and errors for equality; an equality that ignored a field would hide faults.
    void equality()
    {
        QVERIFY(YXCCommand::setVolume(Zone::main, 80) != YXCCommand::setVolume(Zone::zone2, 80));
        QVERIFY(YXCCommand::setVolume(Zone::main, 80) != YXCCommand::setSubwooferVolume(Zone::main, 80));
        QCOMPARE(YXCError::http(500), YXCError::http(500));
        QVERIFY(YXCError::http(500) != YXCError::http(503));
        QVERIFY(YXCError::responseCode(3, QStringLiteral("a")) != YXCError::responseCode(3, QStringLiteral("b")));
        // Same text, different kinds: still different errors.
        QVERIFY(YXCError::transport(QStringLiteral("x")) != YXCError::invalidHost(QStringLiteral("x")));
    }
};

QTEST_GUILESS_MAIN(TestYXCCommand)
#include "tst_yxccommand.moc"
