// Conformance with real receivers' answers, kept in the shared folder beside the project (AMPLORA_SHARED_DIR):
// every answer decodes and survives the encoder, and a few known values come out right. A clone without that
// folder skips this test with the reason; the project's own fixtures cover the same shapes everywhere else.

#include "AnswerChecks.h"

#include "core/capabilities/Presets.h"
#include "core/capabilities/Switches.h"
#include "core/capabilities/Tuner.h"
#include "core/discovery/SSDPSearch.h"
#include "core/events/YXCEvent.h"
#include "core/protocol/SignalStripValues.h"

#include "support/Fixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

using namespace amplora;
using amplora::test::decoded;
using amplora::test::receiverAnswer;

namespace {

QString answersDir()
{
    return QDir::cleanPath(amplora::test::sharedDir() + QStringLiteral("/receiver-answers"));
}

} // namespace

class TestRealAnswers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // CTest marks the test skipped on this text (SKIP_REGULAR_EXPRESSION); keep the two in step.
        if (!QFileInfo(answersDir()).isDir()) {
            QSKIP(qPrintable(answersDir()
                + QStringLiteral(" not found: real receivers' answers are not beside this clone (point the CMake "
                                 "cache variable AMPLORA_SHARED_DIR at the folder that holds receiver-answers/)")));
        }
    }

    void realAnswers_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("type");

        const QDir root(answersDir());
        const QList<QPair<QString, YXCPayloadType>> methods {
            { QStringLiteral("getDeviceInfo"), YXCPayloadType::deviceInfo },
            { QStringLiteral("getFeatures"), YXCPayloadType::features },
            { QStringLiteral("getStatus"), YXCPayloadType::zoneStatus },
            { QStringLiteral("getPlayInfo"), YXCPayloadType::playInfo },
            { QStringLiteral("getNetworkStatus"), YXCPayloadType::networkStatus },
            { QStringLiteral("getSignalInfo"), YXCPayloadType::signalInfo },
        };
        int rows = 0;
        for (const QFileInfo &model : root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            for (const QFileInfo &file :
                QDir(model.filePath()).entryInfoList({ QStringLiteral("*.json") }, QDir::Files, QDir::Name)) {
                const QString method = file.completeBaseName().section(u'_', 1, 1);
                for (const auto &[name, type] : methods) {
                    if (method == name) {
                        const QString relative = model.fileName() + u'/' + file.fileName();
                        QTest::addRow("%s", qPrintable(relative)) << relative << int(type);
                        ++rows;
                    }
                }
            }
        }
        QVERIFY2(rows >= 40, "the shared receivers' answers are missing");
    }

    void realAnswers()
    {
        QFETCH(QString, file);
        QFETCH(int, type);
        amplora::test::verifyAnswer(YXCPayloadType(type), receiverAnswer(file));
    }

    void realAnswerValues()
    {
        const auto features = decoded<Features>(receiverAnswer(QStringLiteral("RX-V481/system_getFeatures.json")));
        QCOMPARE(features.zones(), (QList<Zone> { Zone::main, Zone::zone2 }));
        QCOMPARE(features.system.zoneNum, std::optional(2));
        QCOMPARE(features.system.inputList.size(), 21);
        const RangeStep *decibels = features.zoneFeatures(Zone::main)->range(QStringLiteral("actual_volume_db"));
        QVERIFY(decibels);
        QCOMPARE(*decibels, (RangeStep { QStringLiteral("actual_volume_db"), -80.5, 16.5, 0.5 }));
        QCOMPARE(features.zoneFeatures(Zone::main)->soundProgramList->size(), 20);

        const auto speaker = decoded<Features>(receiverAnswer(QStringLiteral("WX-010/system_getFeatures.json")));
        QCOMPARE(speaker.zones(), QList<Zone> { Zone::main });
        QVERIFY(!speaker.zoneFeatures(Zone::main)->range(QStringLiteral("actual_volume_db")));
        // Receivers announce that they can link in a "distribution" object; the older ones with only its zones.
        QCOMPARE(features.distribution->serverZoneList, std::optional(QStringList { QStringLiteral("main") }));
        QCOMPARE(speaker.distribution->clientMax, std::optional(9));
        const auto player = decoded<Features>(receiverAnswer(QStringLiteral("CD-NT670D/system_getFeatures.json")));
        QVERIFY(player.distribution);

        const auto status = decoded<ZoneStatus>(receiverAnswer(QStringLiteral("RX-V481/main_getStatus.json")));
        QCOMPARE(status.volume, std::optional(1));
        QCOMPARE(status.actualVolume->value, std::optional(-80.0)); // "-80" on the wire
        QCOMPARE(status.toneControl, std::optional(ToneControl { QStringLiteral("manual"), 6, 6 }));

        const auto zone2 = decoded<ZoneStatus>(receiverAnswer(QStringLiteral("RX-V781/zone2_getStatus.json")));
        QCOMPARE(zone2.actualVolume->value, std::optional(-34.5));

        const auto play = decoded<PlayInfo>(receiverAnswer(QStringLiteral("YAS-306/netusb_getPlayInfo.json")));
        QCOMPARE(play.playTime, std::optional(-60000));
        QVERIFY(!play.hasMetadata());

        const auto network
            = decoded<NetworkStatus>(receiverAnswer(QStringLiteral("WX-021/system_getNetworkStatus.json")));
        QCOMPARE(network.networkName, std::optional(QStringLiteral("Yamaha-021-Schlafzimmer")));
    }

    // What real receivers announce of the sleep timer, direct, enhancer, dialogue level, scene buttons,
    // favourites, repeat and shuffle, and so which controls they get.
    void realAnnouncements()
    {
        struct Announced {
            bool sleep;
            std::optional<YXCCommand> direct;
            bool enhancer;
            bool dialogue;
            int scenes;
        };
        const auto announced = [](const QString &file, Zone zone) {
            const auto features = decoded<Features>(receiverAnswer(file));
            const ZoneFeatures *z = features.zoneFeatures(zone);
            [&] { QVERIFY(features.netusb && features.netusb->preset); }();
            const auto direct = Direct::command(zone, z, true);
            return Announced { Sleep::supported(z), direct ? std::optional(direct.value()) : std::nullopt,
                Switch::supported(Capability::enhancer, z), Dialogue::range(z).has_value(), ReceiverScenes::count(z) };
        };
        const Announced rxv781 = announced(QStringLiteral("RX-V781/system_getFeatures.json"), Zone::main);
        QVERIFY(rxv781.sleep && rxv781.enhancer && rxv781.dialogue);
        QCOMPARE(rxv781.direct, YXCCommand::setPureDirect(Zone::main, true));
        QCOMPARE(rxv781.scenes, 4);
        const Announced rxv481 = announced(QStringLiteral("RX-V481/system_getFeatures.json"), Zone::main);
        QCOMPARE(rxv481.direct, YXCCommand::setDirect(Zone::main, true));
        const Announced rxv481zone2 = announced(QStringLiteral("RX-V481/system_getFeatures.json"), Zone::zone2);
        QVERIFY(!rxv481zone2.sleep && !rxv481zone2.enhancer && !rxv481zone2.dialogue && !rxv481zone2.direct);
        QCOMPARE(rxv481zone2.scenes, 0);
        const Announced speaker = announced(QStringLiteral("WX-010/system_getFeatures.json"), Zone::main);
        QVERIFY(speaker.sleep && !speaker.direct && !speaker.enhancer && speaker.scenes == 0);
        QVERIFY(!announced(QStringLiteral("YAS-306/system_getFeatures.json"), Zone::main).sleep);

        const auto bar = decoded<PlayInfo>(receiverAnswer(QStringLiteral("YAS-306/netusb_getPlayInfo.json")));
        QCOMPARE(bar.shuffleAvailable, (QStringList { "off", "on" }));
        const auto older = decoded<PlayInfo>(receiverAnswer(QStringLiteral("RX-V479/netusb_getPlayInfo.json")));
        QCOMPARE(older.repeatAvailable, std::nullopt);
        QCOMPARE(older.repeat, QStringLiteral("off"));
    }

    // What real receivers announce of a tuner: its bands, how an FM frequency then reads, and which preset
    // list is read.
    void realTuners_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        const auto add = [](const char *file, const char *expected) {
            QTest::newRow(file) << QString::fromLatin1(file) << QString::fromUtf8(expected);
        };
        add("RX-V481/system_getFeatures.json", "am fm rds | 98.10 MHz | 1611 kHz | common 40");
        add("RX-V481/system_getFeatures__2018.json", "am fm rds | 98.10 MHz | 1611 kHz | common 40");
        add("RX-V781/system_getFeatures.json", "am fm rds | 98.10 MHz | 1611 kHz | common 40");
        add("CD-NT670D/system_getFeatures.json", "fm rds dab | 98.10 MHz | 1611 kHz | fm 30");
        add("ISX-18D/system_getFeatures.json",
            "fm dab fm_auto_preset dab_initial_scan dab_tune_aid | 98.10 MHz | 1611 kHz | fm 30");
        add("WX-010/system_getFeatures.json", "no tuner");
        add("YAS-306/system_getFeatures.json", "no tuner");
    }

    void realTuners()
    {
        QFETCH(QString, file);
        const auto features = decoded<Features>(receiverAnswer(file));
        if (!Tuner::supported(features)) {
            QTEST(QStringLiteral("no tuner"), "expected");
            return;
        }
        const TunerFeatures &tuner = *features.tuner;
        const QString shown
            = QStringList { tuner.funcList.join(u' '), Tuner::frequencyText(QStringLiteral("fm"), 98100, &tuner),
                  Tuner::frequencyText(QStringLiteral("am"), 1611, &tuner),
                  Tuner::presetList(features, std::nullopt) + u' '
                      + QString::number(Tuner::presetSlots(features).value_or(0)) }
                  .join(QStringLiteral(" | "));
        QTEST(shown, "expected");
    }

    void realSearchAnswer()
    {
        const QByteArray answer = receiverAnswer(QStringLiteral("RX-S601D/ssdp_msearch_response.txt"));
        for (const QByteArray &datagram : { answer, QByteArray(answer + "\n").replace("\n", "\r\n") }) {
            const auto url = SSDPSearch::locationURL(datagram);
            QVERIFY(url);
            QCOMPARE(url->toString(), QStringLiteral("http://192.168.1.70:49154/MediaRenderer/desc.xml"));
        }
    }

    void realDatagram()
    {
        const QByteArray line = receiverAnswer(QStringLiteral("CD-NT670D/events.jsonl")).trimmed();
        const auto event = YXCEvent::parse(line);
        QVERIFY(event);
        QCOMPARE(event->deviceID, std::optional<QString>(QStringLiteral("00A0DED57E83")));
        QCOMPARE(event->zones.at(Zone::main).power, std::optional<QString>(QStringLiteral("on")));
        QVERIFY(event->refreshes().empty());
    }

    void realEmptySignal()
    {
        const auto signal
            = YXCDecoder::decode<SignalInfo>(receiverAnswer(QStringLiteral("RX-V479/main_getSignalInfo.json")));
        QVERIFY(signal);
        const QString dash = QStringLiteral("\u2014");
        QCOMPARE(SignalStripValues::from(*signal, true), (SignalStripValues { true, dash, dash, dash, {} }));
    }
};

QTEST_GUILESS_MAIN(TestRealAnswers)
#include "tst_realanswers.moc"
