#include "core/mock/MockReceiver.h"
#include "core/protocol/YXCDecoder.h"
#include "core/store/LaunchOptions.h"

#include "support/Fixtures.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace amplora;

Q_DECLARE_METATYPE(YXCCommand)
Q_DECLARE_METATYPE(ZoneStatus)

namespace {

std::unique_ptr<MockReceiver> loadMock(
    bool seedDemo = true, const QString &dir = MockReceiver::defaultFixtureDirectory())
{
    auto loaded = MockReceiver::load(seedDemo, dir);
    if (!loaded) {
        qWarning("%s", qPrintable(loaded.error().description()));
        return nullptr;
    }
    return std::move(loaded).value();
}

template<class T> Result<T, YXCError> fetch(MockReceiver &mock, YXCCommand command)
{
    return test::waitFor(mock.fetch<T>(std::move(command)));
}

ZoneStatus mainStatus(MockReceiver &mock)
{
    return fetch<ZoneStatus>(mock, YXCCommand::getStatus(Zone::main)).value();
}

// A writable copy of the built-in fixtures, for the tests that spoil one.
bool copyFixtures(const QString &to)
{
    const QDir from(MockReceiver::defaultFixtureDirectory());
    for (const QString &name : from.entryList({ QStringLiteral("*.json") }, QDir::Files)) {
        if (!QFile::copy(from.filePath(name), to + u'/' + name)
            || !QFile::setPermissions(to + u'/' + name, QFile::ReadOwner | QFile::WriteOwner)) {
            return false;
        }
    }
    return true;
}

void overwrite(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

class TestMockReceiver : public QObject {
    Q_OBJECT

    std::unique_ptr<MockReceiver> m_mock; // the demo, fresh for every test

private Q_SLOTS:
    void init()
    {
        m_mock = loadMock();
        QVERIFY(m_mock);
    }

    // The demo seeds a playing Spotify track with a drawn cover over the fixtures; without it the fixtures answer
    // unchanged.
    void demoOverTheFixtures()
    {
        const ZoneStatus main = mainStatus(*m_mock);
        QCOMPARE(main.input, QStringLiteral("spotify"));
        QVERIFY(main.actualVolume == (ActualVolume { QStringLiteral("db"), -32.5, QStringLiteral("dB") }));
        const PlayInfo play = fetch<PlayInfo>(*m_mock, YXCCommand::getPlayInfo()).value();
        QVERIFY(play.hasMetadata());
        QCOMPARE(play.playback, QStringLiteral("play"));
        QCOMPARE(play.albumartUrl, QString::fromLatin1(MockReceiver::coverPath));

        auto plain = loadMock(false);
        QVERIFY(plain);
        const auto fixture = [](const char *name) {
            return test::resourceFile(QStringLiteral("fixtures/%1.json").arg(QLatin1String(name)));
        };
        QVERIFY(mainStatus(*plain) == YXCDecoder::decode<ZoneStatus>(fixture("main_getStatus")).value());
        QVERIFY(fetch<PlayInfo>(*plain, YXCCommand::getPlayInfo()).value()
            == YXCDecoder::decode<PlayInfo>(fixture("netusb_getPlayInfo")).value());
        QCOMPARE(plain->features().zones(), (QList<Zone> { Zone::main, Zone::zone2 }));
    }

    void send_data()
    {
        QTest::addColumn<YXCCommand>("command");
        QTest::addColumn<ZoneStatus>("expectedMain"); // the demo state with the expected change

        const ZoneStatus demo = [] {
            auto mock = loadMock();
            return mock ? *mock->status(Zone::main) : ZoneStatus {};
        }();
        const auto changed = [&](auto &&change) {
            ZoneStatus status = demo;
            change(status);
            return status;
        };
        const auto volume = [](int raw, double dB) {
            return [=](ZoneStatus &s) {
                s.volume = raw;
                s.actualVolume = ActualVolume { QStringLiteral("db"), dB, QStringLiteral("dB") };
            };
        };

        QTest::addRow("toggle from on") << YXCCommand::setPower(Zone::main, PowerState::toggle)
                                        << changed([](ZoneStatus &s) { s.power = QStringLiteral("standby"); });
        QTest::addRow("decibels to the nearest step")
            << YXCCommand::setActualVolume(Zone::main, -32.7) << changed(volume(96, -32.7));
        QTest::addRow("above the raw range is clamped, decibels kept")
            << YXCCommand::setActualVolume(Zone::main, 12.0) << changed(volume(161, 12.0));
        QTest::addRow("tone: missing treble is kept") << YXCCommand::setToneControl(Zone::main,
            QStringLiteral("manual"), 2, std::nullopt) << changed([](ZoneStatus &s) {
            s.toneControl = ToneControl { QStringLiteral("manual"), 2, -2 };
        });
        QTest::addRow("input with a name")
            << YXCCommand::setInput(Zone::main, QStringLiteral("hdmi1")) << changed([](ZoneStatus &s) {
                   s.input = QStringLiteral("hdmi1");
                   s.inputText = QStringLiteral("PlayStation 5");
               });
        QTest::addRow("empty favourite slot") << YXCCommand::recallPreset(Zone::main, 3) << demo;
        QTest::addRow("scene beyond the zone's buttons") << YXCCommand::recallScene(Zone::main, 9) << demo;
        QTest::addRow("zone 2 command leaves main alone") << YXCCommand::setVolume(Zone::zone2, 50) << demo;
    }
    void send()
    {
        QFETCH(YXCCommand, command);
        QFETCH(ZoneStatus, expectedMain);
        // Read once before, so the answer after the change cannot be the one remembered from the read before.
        mainStatus(*m_mock);
        const auto sent = test::waitFor(m_mock->send(command));
        QVERIFY(sent.ok());
        QCOMPARE(m_mock->performed(), QList<YXCCommand> { command });
        QVERIFY(mainStatus(*m_mock) == expectedMain);
    }

    void zone2AndPlayback()
    {
        QVERIFY(test::waitFor(m_mock->send(YXCCommand::setVolume(Zone::zone2, 50))).ok());
        const ZoneStatus zone2 = fetch<ZoneStatus>(*m_mock, YXCCommand::getStatus(Zone::zone2)).value();
        QCOMPARE(zone2.volume, 50);
        QCOMPARE(zone2.actualVolume->value, -55.5);

        QVERIFY(test::waitFor(m_mock->send(YXCCommand::setPlayback(PlaybackAction::pause))).ok());
        QCOMPARE(m_mock->playInfo().playback, QStringLiteral("pause"));
        QVERIFY(test::waitFor(m_mock->send(YXCCommand::setPlayback(PlaybackAction::next))).ok());
        QCOMPARE(m_mock->playInfo().playback, QStringLiteral("pause"));
        QCOMPARE(m_mock->playInfo().track, QStringLiteral("Midnight Drive"));
        QCOMPARE(m_mock->performed().size(), 3);
    }

    // The same read answers the same, every time; the models are open to previews and tests, and an edit shows
    // in the next read.
    void answersFollowEditedModels()
    {
        const auto track = [&] { return fetch<PlayInfo>(*m_mock, YXCCommand::getPlayInfo()).value().track; };
        const std::optional<QString> before = track();
        QVERIFY(before && !before->isEmpty());
        for (int read = 0; read < 3; ++read) {
            QCOMPARE(track(), before); // an answer handed out again stays whole for the next read
        }
        m_mock->playInfo().track = QStringLiteral("Edited");
        QCOMPARE(track(), std::optional<QString>(QStringLiteral("Edited")));
        m_mock->statuses()[Zone::main].volume = 7;
        QCOMPARE(mainStatus(*m_mock).volume, 7);
        m_mock->statuses()[Zone::main].volume = 8;
        QCOMPARE(mainStatus(*m_mock).volume, 8);
    }

    // Favourites play their source in the zone; scene buttons switch the zone on and pick an input. (The panel's
    // repeat and shuffle buttons drive this receiver's player modes in tst_panel.qml.)
    void favouritesAndScenes()
    {
        QVERIFY(test::waitFor(m_mock->send(YXCCommand::setPower(Zone::zone2, PowerState::standby))).ok());
        QVERIFY(test::waitFor(m_mock->send(YXCCommand::recallPreset(Zone::zone2, 4))).ok());
        QCOMPARE(m_mock->status(Zone::zone2)->input, QStringLiteral("server"));
        QCOMPARE(m_mock->status(Zone::zone2)->power, QStringLiteral("on"));
        QCOMPARE(m_mock->playInfo().track, QStringLiteral("Vinyl Rips"));
        QCOMPARE(m_mock->playInfo().playback, QStringLiteral("play"));

        const QStringList inputs = m_mock->features().zoneFeatures(Zone::main)->inputList;
        QVERIFY(test::waitFor(m_mock->send(YXCCommand::recallScene(Zone::main, 2))).ok());
        QCOMPARE(mainStatus(*m_mock).input, inputs.at(1));
    }

    void unsupportedFetchFailsWithCode4()
    {
        const auto answer = test::waitFor(
            m_mock->fetchPayload(YXCCommand::setMute(Zone::main, true), YXCPayloadType::zoneStatus, Cancellation()));
        QVERIFY(!answer.ok());
        QCOMPARE(answer.error(), YXCError::responseCode(4, QStringLiteral("main/setMute")));
    }

    void albumArt()
    {
        const auto cover = test::waitFor(m_mock->albumArt(QString::fromLatin1(MockReceiver::coverPath)));
        QCOMPARE(cover ? cover->size() : QSize(), QSize(400, 400));
        QVERIFY(!test::waitFor(m_mock->albumArt(QStringLiteral("/YamahaRemoteControl/AlbumART/AlbumART1.jpg"))));
    }

    void launchOptions()
    {
        LaunchOptions options;
        options.mockSpotifyIdle = true;
        options.mockExtraBass = true;
        options.mockSurroundAI = true;
        options.mockSignal = QStringLiteral("atmos");
        QVERIFY(m_mock->applyLaunchOptions(options).ok());

        QVERIFY(!fetch<PlayInfo>(*m_mock, YXCCommand::getPlayInfo()).value().hasMetadata());
        const ZoneStatus main = mainStatus(*m_mock);
        QCOMPARE(main.extraBass, true);
        QCOMPARE(main.surroundAi, true);
        QCOMPARE(main.power, QStringLiteral("on")); // the rest of the demo stands
        // Already listed in the fixture: not listed twice.
        QCOMPARE(m_mock->features().zoneFeatures(Zone::main)->funcList.count(QStringLiteral("surround_ai")), 1);
        for (const Zone zone : allZones) {
            const auto signal = fetch<SignalInfo>(*m_mock, YXCCommand::getSignalInfo(zone));
            QVERIFY(signal.ok());
            QCOMPARE(signal->audio->format, QStringLiteral("Dolby Atmos"));
        }
        QCOMPARE(m_mock->signalInfo(), SignalInfo::mock(QStringLiteral("atmos")));
    }

    void brokenFixtures_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QByteArray>("contents"); // empty: the file is removed
        QTest::addColumn<QString>("message"); // the start of the message
        QTest::addRow("missing") << QStringLiteral("zone2_getStatus") << QByteArray()
                                 << QStringLiteral("Missing fixture zone2_getStatus.json");
        // A value the status is of no use without; any other one would be left out alone.
        QTest::addRow("power of the wrong type")
            << QStringLiteral("main_getStatus") << QByteArray(R"({"response_code":0,"power":{"on":true},"volume":80})")
            << QStringLiteral("Fixture main_getStatus.json does not decode: ");
    }
    void brokenFixtures()
    {
        QFETCH(QString, fixture);
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(copyFixtures(dir.path()));
        const QString path = dir.filePath(fixture + QStringLiteral(".json"));
        if (contents.isEmpty()) {
            QVERIFY(QFile::remove(path));
        } else {
            overwrite(path, contents);
        }
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QRegularExpression::escape(message)));
        const auto loaded = MockReceiver::load(true, dir.path());
        QVERIFY(!loaded.ok());
        QVERIFY2(loaded.error().description().startsWith(message), qPrintable(loaded.error().description()));
        if (!contents.isEmpty()) {
            QVERIFY(loaded.error().description().size() > message.size()); // carries the decoder's reason
        }
    }
};

QTEST_GUILESS_MAIN(TestMockReceiver)
#include "tst_mockreceiver.moc"
