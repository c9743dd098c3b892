// The media-player interface over a private session bus: what it shows of the store, the commands reaching the
// receiver (scripted, and the mock receiver), the volume cap, read-only refusals and change signals.

#include "app/mpris/MprisProperties.h"
#include "app/mpris/MprisService.h"

#include "core/mock/MockReceiver.h"
#include "core/receiverstore/StoreRig.h"
#include "support/WaitFor.h"

#include "../TableRows.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QUrl>

using namespace amplora;
using namespace amplora::app;
using namespace Qt::StringLiterals;

namespace {

const QString player = MprisService::playerInterface();
const QString properties = u"org.freedesktop.DBus.Properties"_s;

// Records the service's signals as a desktop would receive them.
class Listener : public QObject {
    Q_OBJECT

public:
    QList<QVariantMap> changes;
    QList<qlonglong> seeks;

public Q_SLOTS:
    void propertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &)
    {
        if (interface == player) {
            changes.append(changed);
        }
    }
    void seeked(qlonglong position) { seeks.append(position); }
};

// A desktop's side of the bus: its own connection, so every call really crosses the bus.
struct Client {
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"desktop"_s);
    Listener listener;

    Client()
    {
        bus.connect(MprisService::serviceName(), MprisService::objectPath(), properties, u"PropertiesChanged"_s,
            &listener, SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
        bus.connect(MprisService::serviceName(), MprisService::objectPath(), player, u"Seeked"_s, &listener,
            SLOT(seeked(qlonglong)));
    }
    ~Client() { QDBusConnection::disconnectFromBus(u"desktop"_s); }

    // Waits while the event loop runs, so the service in this same thread can answer.
    QDBusMessage call(const QString &interface, const QString &member, const QVariantList &args = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            MprisService::serviceName(), MprisService::objectPath(), interface, member);
        message.setArguments(args);
        return bus.call(message, QDBus::BlockWithGui, 10000);
    }

    QVariant get(const QString &interface, const QString &name)
    {
        const QDBusMessage reply = call(properties, u"Get"_s, { interface, name });
        return reply.arguments().isEmpty() ? QVariant()
                                           : qvariant_cast<QDBusVariant>(reply.arguments().at(0)).variant();
    }

    QVariantMap getAll(const QString &interface)
    {
        const QDBusMessage reply = call(properties, u"GetAll"_s, { interface });
        return reply.arguments().isEmpty() ? QVariantMap() : qdbus_cast<QVariantMap>(reply.arguments().at(0));
    }

    QDBusMessage setVolume(double volume)
    {
        return call(properties, u"Set"_s, { player, u"Volume"_s, QVariant::fromValue(QDBusVariant(volume)) });
    }
};

// A nested dictionary arrives as a D-Bus argument still to be read.
QVariantMap dictionary(const QVariant &value)
{
    return value.canConvert<QDBusArgument>() ? qdbus_cast<QVariantMap>(value) : value.toMap();
}

PlayInfo playing(const QString &playback = u"play"_s, int playTime = 30, const QString &track = u"Track"_s)
{
    PlayInfo info = test::samplePlayInfo();
    info.album = u"Album"_s;
    info.playback = playback;
    info.playTime = playTime;
    info.track = track;
    return info;
}

ZoneStatus onInput(const QString &input, const QString &power = u"on"_s)
{
    ZoneStatus status = test::sampleStatus();
    status.input = input;
    status.power = power;
    return status;
}

} // namespace

Q_DECLARE_METATYPE(amplora::Zone)
Q_DECLARE_METATYPE(amplora::ZoneStatus)
Q_DECLARE_METATYPE(amplora::PlayInfo)

class TestMpris : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::StoreRig> m_rig;
    std::unique_ptr<MprisService> m_service;
    int m_raised = 0;

    // A scripted receiver whose main zone plays Spotify at -40 dB under a cap of -20 dB, offered on the bus.
    void offer(bool readOnly = false)
    {
        m_rig = std::make_unique<test::StoreRig>();
        m_rig->settings->setMaxVolumeDB(-20);
        m_rig->transport->setReadOnly(readOnly);
        m_rig->transport->answerOnly(u"main/getStatus"_s, onInput(u"spotify"_s));
        m_rig->transport->answerOnly(u"netusb/getPlayInfo"_s, playing());
        m_rig->startConnected();
        m_rig->store->stopTasks();
        register_(*m_rig->store);
    }

    void register_(ReceiverStore &store)
    {
        m_service = std::make_unique<MprisService>(store, MprisService::Hooks { [this] { ++m_raised; }, {} });
        QCOMPARE(m_service->registerOn(QDBusConnection::sessionBus()), MprisService::Registration::registered);
    }

    // The receiver reports this status of the main zone and this play information.
    void report(const ZoneStatus &status, const PlayInfo &info)
    {
        m_rig->transport->answerOnly(u"main/getStatus"_s, status);
        m_rig->transport->answerOnly(u"netusb/getPlayInfo"_s, info);
        QVERIFY(test::waitFor(m_rig->store->refresh(YXCEvent::Refresh::status(Zone::main))));
        QVERIFY(test::waitFor(m_rig->store->refresh(YXCEvent::Refresh::playInfo())));
    }

    // Every changing command that reached the transport, also those it refused.
    QStringList changes() const
    {
        QStringList out;
        for (const QString &request : m_rig->transport->log()) {
            if (request.section(u'/', 1).startsWith(u"set"_s)) {
                out.append(request);
            }
        }
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected()) {
            QSKIP("No session bus (run under ctest, which gives this test a private one)");
        }
    }

    void cleanup()
    {
        m_service.reset();
        m_rig.reset();
        m_raised = 0;
    }

    void volumeShown_data()
    {
        QTest::addColumn<double>("capDB");
        QTest::addColumn<double>("dB");
        QTest::addColumn<double>("fraction");
        test::row("halfway to the cap", -20.0, -50.25, 0.5);
        test::row("above the cap, set on the receiver", -20.0, -10.0, 1.0);
        test::row("cap at the lowest step", -90.0, -80.5, 0.0);
    }

    void volumeShown()
    {
        QFETCH(double, capDB);
        QFETCH(double, dB);
        const MprisVolume volume { *VolumeScale::from(test::sampleFeatures().zone[0]), capDB };
        QTEST(volume.fraction(dB), "fraction");
    }

    void identityAndTrack()
    {
        offer();
        // Another instance on the same bus: the name is taken and it leaves nothing behind.
        QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"other"_s);
        {
            MprisService second(*m_rig->store, {});
            QCOMPARE(second.registerOn(other), MprisService::Registration::nameTaken);
        }
        QDBusConnection::disconnectFromBus(u"other"_s);
        MprisService unconnected(*m_rig->store, {});
        QCOMPARE(unconnected.registerOn(QDBusConnection(u"none"_s)), MprisService::Registration::noBus);
        Client desktop;
        const QVariantMap root = desktop.getAll(MprisService::rootInterface());
        QCOMPARE(root.value(u"Identity"_s).toString(), u"Amplora"_s);
        QCOMPARE(root.value(u"DesktopEntry"_s).toString(), u"org.amplora.Amplora"_s);
        QCOMPARE(root.value(u"CanRaise"_s).toBool(), true);
        QCOMPARE(root.value(u"CanQuit"_s).toBool(), false);
        QCOMPARE(desktop.call(MprisService::rootInterface(), u"Raise"_s).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE(m_raised, 1);

        const QVariant metadataValue = desktop.get(player, u"Metadata"_s);
        QCOMPARE(metadataValue.value<QDBusArgument>().currentSignature(), u"a{sv}"_s);
        QVariantMap metadata = dictionary(metadataValue);
        QVERIFY(metadata.take(u"mpris:trackid"_s).value<QDBusObjectPath>().path().startsWith(u"/org/amplora/"_s));
        // No art URL: the receiver gave no cover.
        QCOMPARE(metadata,
            (QVariantMap { { u"xesam:title"_s, u"Track"_s }, { u"xesam:artist"_s, QStringList { u"Artist"_s } },
                { u"xesam:album"_s, u"Album"_s }, { u"mpris:length"_s, qlonglong(200000000) } }));

        QCOMPARE(desktop.get(player, u"Volume"_s).toDouble(), 40.5 / 60.5);
        m_rig->clock.advance(std::chrono::seconds(5));
        QCOMPARE(desktop.get(player, u"Position"_s), QVariant(qlonglong(35000000)));
    }

    // What the store shows at once after a command; which command each method sends is held by the doors'
    // contract table.
    void commands_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("shown");
        test::row("play-pause while playing", "PlayPause", "spotify", "netusb/setPlayback?playback=pause", "Paused");
        test::row("no player behind the input", "PlayPause", "hdmi1", "", "Stopped");
    }

    void commands()
    {
        QFETCH(QString, member);
        QFETCH(QString, input);
        QFETCH(QString, sent);
        offer();
        report(onInput(input), playing());
        Client desktop;
        QCOMPARE(desktop.call(player, member).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE(changes().join(u','), sent);
        // The store shows a toggle at once, before the receiver's next report.
        QTEST(desktop.get(player, u"PlaybackStatus"_s).toString(), "shown");
    }

    void volumeUnderTheCap_data()
    {
        QTest::addColumn<Zone>("zone");
        QTest::addColumn<double>("volume");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<double>("shown");
        test::row("above the end holds at the cap", Zone::main, 1.5, "main/setActualVolume?mode=db&value=-20.0", 1.0);
        test::row(
            "snapped to the half decibel", Zone::main, 0.3, "main/setActualVolume?mode=db&value=-62.5", 18.0 / 60.5);
        test::row(
            "below the start is the lowest step", Zone::main, -1.0, "main/setActualVolume?mode=db&value=-80.5", 0.0);
        test::row("raw steps where the zone has no decibels", Zone::zone2, 1.5, "zone2/setVolume?volume=121", 1.0);
    }

    void volumeUnderTheCap()
    {
        QFETCH(Zone, zone);
        QFETCH(double, volume);
        QFETCH(QString, sent);
        offer();
        m_rig->store->setSelectedZone(zone);
        Client desktop;
        QCOMPARE(desktop.setVolume(volume).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE(changes().join(u','), sent);
        QTEST(desktop.get(player, u"Volume"_s).toDouble(), "shown");
    }

    void readOnlyRefuses_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("blocked");
        test::row("play-pause", "PlayPause", "netusb/setPlayback");
        test::row("volume", "Volume", "main/setActualVolume");
    }

    void readOnlyRefuses()
    {
        QFETCH(QString, member);
        QFETCH(QString, blocked);
        offer(true);
        Client desktop;
        const QDBusMessage reply = member == u"Volume"_s ? desktop.setVolume(0.5) : desktop.call(player, member);
        QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(reply.errorName(), u"org.amplora.Amplora.Error.read_only"_s);
        QCOMPARE(reply.errorMessage(),
            u"Amplora is running read-only (--read-only), so it blocked "_s + blocked
                + u" before it reached the receiver. Nothing was changed."_s);
        QCoreApplication::processEvents();
        QCOMPARE(changes(), QStringList());
        // Nothing shown changed either.
        QCOMPARE(desktop.get(player, u"PlaybackStatus"_s).toString(), u"Playing"_s);
        QCOMPARE(desktop.get(player, u"Volume"_s).toDouble(), 40.5 / 60.5);
    }

    void changesAreAnnounced_data()
    {
        QTest::addColumn<int>("later"); // seconds
        QTest::addColumn<ZoneStatus>("status");
        QTest::addColumn<PlayInfo>("info");
        QTest::addColumn<double>("capDB");
        QTest::addColumn<QString>("changed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QList<qlonglong>>("seeks");
        const ZoneStatus spotify = onInput(u"spotify"_s);
        const QList<qlonglong> none;
        test::row("track", 0, spotify, playing(u"play"_s, 30, u"Another"_s), -20.0, "Metadata", "Playing", none);
        test::row("paused", 0, spotify, playing(u"pause"_s), -20.0, "PlaybackStatus", "Paused", none);
        test::row("stopped", 0, spotify, playing(u"stop"_s), -20.0, "PlaybackStatus", "Stopped", none);
        test::row(
            "zone off", 0, onInput(u"spotify"_s, u"standby"_s), playing(), -20.0, "PlaybackStatus", "Stopped", none);
        test::row("input without a player", 0, onInput(u"hdmi1"_s), playing(), -20.0,
            "CanControl,CanGoNext,CanGoPrevious,CanPause,CanPlay,Metadata,PlaybackStatus", "Stopped", none);
        test::row("jump on the receiver", 0, spotify, playing(u"play"_s, 90), -20.0, "", "Playing",
            QList<qlonglong> { 90000000 });
        test::row("steady play is no jump", 20, spotify, playing(u"play"_s, 50), -20.0, "", "Playing", none);
        test::row("cap lowered", 0, spotify, playing(), -30.0, "Volume", "Playing", none);
    }

    void changesAreAnnounced()
    {
        QFETCH(int, later);
        QFETCH(ZoneStatus, status);
        QFETCH(PlayInfo, info);
        QFETCH(double, capDB);
        offer();
        Client desktop;
        desktop.get(player, u"PlaybackStatus"_s); // the subscriptions are in place once a call has gone through
        m_rig->clock.advance(std::chrono::seconds(later));
        report(status, info);
        m_rig->settings->setMaxVolumeDB(capDB);
        // A round trip after the change: whatever was announced has arrived by the time its answer has.
        QCoreApplication::processEvents();
        QTEST(desktop.get(player, u"PlaybackStatus"_s).toString(), "shown");
        QStringList changed;
        for (const QVariantMap &announced : std::as_const(desktop.listener.changes)) {
            changed += announced.keys();
        }
        QTEST(changed.join(u','), "changed");
        QTEST(desktop.listener.seeks, "seeks");
    }

    void playPauseReachesTheMockReceiver()
    {
        test::StoreRig rig { QString() };
        const std::unique_ptr<ReceiverStore> demo = rig.mockStore();
        ReceiverStore &store = *demo;
        store.start();
        store.stopTasks();
        const auto mock = std::dynamic_pointer_cast<MockReceiver>(store.transport());
        QVERIFY(mock);
        QCOMPARE(mock->playInfo().playback, u"play"_s);
        register_(store);
        Client desktop;
        QCOMPARE(desktop.get(player, u"PlaybackStatus"_s).toString(), u"Playing"_s);
        // The demo's cover file is written on a worker and announced when complete; only then is all quiet.
        QTRY_VERIFY(std::any_of(
            desktop.listener.changes.cbegin(), desktop.listener.changes.cend(), [](const QVariantMap &changed) {
                return !dictionary(changed.value(u"Metadata"_s)).value(u"mpris:artUrl"_s).toString().isEmpty();
            }));
        desktop.listener.changes.clear();
        QCOMPARE(desktop.call(player, u"PlayPause"_s).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE(mock->playInfo().playback, u"pause"_s);
        QTRY_COMPARE(desktop.listener.changes.size(), 1);
        QCOMPARE(desktop.listener.changes.first(), (QVariantMap { { u"PlaybackStatus"_s, u"Paused"_s } }));
        m_service.reset();
    }

    void albumArtFile()
    {
        offer();
        Client desktop;
        const auto artFor = [&](const QString &cover, Qt::GlobalColor colour) {
            QImage image(8, 8, QImage::Format_RGB32);
            image.fill(colour);
            PlayInfo info = playing();
            info.albumartUrl = cover;
            m_rig->transport->cover(cover, image);
            report(onInput(u"spotify"_s), info);
            // The file is written on a worker; the desktop hears of its URL once it is complete (no URL here
            // fails the caller's checks).
            QString url;
            const bool shown = QTest::qWaitFor([&] {
                url = dictionary(desktop.get(player, u"Metadata"_s)).value(u"mpris:artUrl"_s).toString();
                return !url.isEmpty();
            });
            const bool announced = shown && QTest::qWaitFor([&] {
                return std::any_of(desktop.listener.changes.cbegin(), desktop.listener.changes.cend(),
                    [&](const QVariantMap &changed) {
                        return dictionary(changed.value(u"Metadata"_s)).value(u"mpris:artUrl"_s).toString() == url;
                    });
            });
            return announced ? QUrl(url) : QUrl();
        };
        const QUrl first = artFor(u"/art/1.jpg"_s, Qt::red);
        QVERIFY(first.isLocalFile());
        QCOMPARE(QImage(first.toLocalFile()).pixelColor(0, 0), QColor(Qt::red));
        QCOMPARE(QFile::permissions(first.toLocalFile()) & 0x0077, QFile::Permissions());

        // A new picture gets a new name (desktops keep pictures by URL) and the old file goes.
        const QUrl second = artFor(u"/art/2.jpg"_s, Qt::blue);
        QVERIFY(second != first);
        QCOMPARE(QImage(second.toLocalFile()).pixelColor(0, 0), QColor(Qt::blue));
        QVERIFY(!QFile::exists(first.toLocalFile()));
        m_service.reset();
        QVERIFY(!QFile::exists(second.toLocalFile()));
    }

    // A picture replaced while its file is being written never gets a URL, and its file does not stay behind.
    void artFileKeepsOnlyTheNewestPicture()
    {
        QTemporaryDir folder;
        MprisArtFile art(folder.path());
        QSignalSpy written(&art, &MprisArtFile::written);
        const auto picture = [](Qt::GlobalColor colour) {
            QImage image(300, 300, QImage::Format_RGB32);
            image.fill(colour);
            return std::optional<QImage>(image);
        };
        const auto red = picture(Qt::red);
        const auto blue = picture(Qt::blue);
        QCOMPARE(art.urlFor(red), QString()); // on its way
        QCOMPARE(art.urlFor(blue), QString());
        QVERIFY(written.wait());
        const QString url = art.urlFor(blue);
        QCOMPARE(QImage(QUrl(url).toLocalFile()).pixelColor(0, 0), QColor(Qt::blue));
        QThreadPool::globalInstance()->waitForDone(); // the red file too has been written by now
        QTRY_COMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList { QUrl(url).fileName() });
        QCOMPARE(written.size(), 1);
        QCOMPARE(art.urlFor(blue), url); // the same picture keeps its file

        QCOMPARE(art.urlFor(std::nullopt), QString());
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestMpris)
#include "tst_mpris.moc"
