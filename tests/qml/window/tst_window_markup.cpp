// Names from the receiver carrying markup: the window shows them as the receiver wrote them, tags and all, and
// fetches nothing they point at. A loopback server stands in for the host a tag names and counts what reaches it.

#include "../PreviewRig.h"
#include "../WindowScene.h"
#include "qml/MainWindowHost.h"
#include "qml/NetworkGuard.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace amplora;

namespace {

// Every request line that reaches it, one per connection.
class Beacon : public QObject {
public:
    Beacon()
    {
        QVERIFY(m_server.listen(QHostAddress::LocalHost, 0));
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                m_requests.append(QStringLiteral("(connected)"));
                const qsizetype at = m_requests.size() - 1;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket, at] {
                    if (socket->canReadLine()) {
                        m_requests[at] = QString::fromLatin1(socket->readLine()).trimmed();
                        socket->close();
                    }
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QString url(const char *file) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_server.serverPort()).arg(QLatin1String(file));
    }
    // A name as a hostile receiver sends it: a picture from the beacon in front of the text.
    QString tagged(const char *file, const QString &name) const
    {
        return QStringLiteral("<img src=\"%1\">%2").arg(url(file), name);
    }
    const QStringList &requests() const { return m_requests; }

private:
    QTcpServer m_server;
    QStringList m_requests;
};

// A Text that guesses its format, as Qt's own controls draw their labels, showing the property `shown`.
const QByteArray guessingText = "import QtQuick\nText { property string shown; text: shown }";

QObject *create(QQmlEngine &engine, const QByteArray &qml, const QVariantMap &properties)
{
    QQmlComponent component(&engine);
    component.setData(qml, QUrl(QStringLiteral("qrc:/markup-test.qml")));
    if (!component.isReady()) {
        qWarning().noquote() << component.errorString();
        return nullptr;
    }
    return component.createWithInitialProperties(properties);
}

} // namespace

class TestWindowMarkup : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Beacon> m_beacon;
    std::unique_ptr<test::PreviewRig> m_rig;
    std::unique_ptr<MainWindowHost> m_host;
    QString m_track, m_artist, m_album, m_input, m_zone, m_program, m_favourite, m_group;

    QList<QQuickItem *> items() const { return test::sceneItems(m_host->window()); }
    QQuickItem *find(const char *name) const
    {
        for (QQuickItem *item : items()) {
            if (item->objectName() == QLatin1String(name)) {
                return item;
            }
        }
        return nullptr;
    }
    // The Text items showing `text` whole; fails the test when one of them would read it as markup.
    int shownPlain(const QString &text) const
    {
        int count = 0;
        for (QQuickItem *item : items()) {
            if (item->inherits("QQuickText") && item->property("text").toString().contains(text)) {
                if (item->property("textFormat").toInt() != 0) {
                    qWarning() << "reads a name as markup:" << item;
                    return -1;
                }
                ++count;
            }
        }
        return count;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_beacon = std::make_unique<Beacon>();
        m_rig = std::make_unique<test::PreviewRig>();
        m_rig->announceExtras(true);
        MockReceiver &receiver = *m_rig->receiver;
        m_track = m_beacon->tagged("track.png", QStringLiteral("Track"));
        m_artist = m_beacon->tagged("artist.png", QStringLiteral("Artist"));
        // The window shows no album; it carries a tag all the same, for the beacon to count.
        m_album = m_beacon->tagged("album.png", QStringLiteral("Album"));
        m_input = m_beacon->tagged("spotify.png", QStringLiteral("Spotify"));
        m_zone = m_beacon->tagged("zone.png", QStringLiteral("Living Room"));
        m_program = m_beacon->tagged("program.png", QStringLiteral("Straight"));
        m_favourite = m_beacon->tagged("favourite.png", QStringLiteral("Harbour FM"));
        m_group = m_beacon->tagged("group.png", QStringLiteral("Den"));
        PlayInfo &info = receiver.playInfo();
        info.track = m_track;
        info.artist = m_artist;
        info.album = m_album;
        for (IDText &input : receiver.names().inputList) {
            if (input.id == QStringLiteral("spotify")) {
                input.text = m_input;
            }
        }
        receiver.names().zoneList[0].text = m_zone;
        for (IDText &program : receiver.names().soundProgramList) {
            if (program.id == QStringLiteral("straight")) {
                program.text = m_program;
            }
        }
        receiver.statuses()[Zone::main].soundProgram = QStringLiteral("straight");
        receiver.presetInfo().presets[0].text = m_favourite;
        receiver.features().distribution = DistributionFeatures {};
        receiver.distributionInfo().role = QStringLiteral("server");
        receiver.distributionInfo().serverZone = QStringLiteral("main");
        receiver.distributionInfo().groupName = m_group;

        m_host = std::make_unique<MainWindowHost>(*m_rig->store, *m_rig->settings);
        QVERIFY(m_host->show());
        QVERIFY(QTest::qWaitForWindowExposed(m_host->window()));
        QTRY_COMPARE(m_rig->store->connection().name(), QStringLiteral("connected"));
        m_rig->refresh();
        QTRY_COMPARE(find("nowPlayingTitle")->property("text").toString(), m_track);
    }

    void cleanupTestCase()
    {
        m_host.reset();
        m_rig.reset();
        m_beacon.reset();
    }

    void controlsShowNamesAsWritten()
    {
        (void)m_host->window()->grabWindow();
        QCOMPARE(shownPlain(m_track), 1);
        QCOMPARE(shownPlain(m_artist), 1);
        QVERIFY(shownPlain(m_input) >= 1);
        QCOMPARE(shownPlain(m_zone), 1);
        // The display's link badge, with the group's name.
        QTRY_COMPARE(shownPlain(m_group), 1);
        QVERIFY(find("linkBadge")->isVisible());

        // The menus and the hover help draw through Qt Quick Controls.
        QVERIFY(QMetaObject::invokeMethod(find("morePrograms"), "openMenu"));
        QTRY_COMPARE(shownPlain(m_program), 1);
        QVERIFY(QMetaObject::invokeMethod(find("moreInputs"), "openMenu"));
        QTRY_VERIFY(shownPlain(m_input) >= 2);
        auto *menu = find("moreInputs")->property("menu").value<QObject *>();
        QVERIFY(menu);
        QQuickItem *favourites = nullptr;
        QVERIFY(QMetaObject::invokeMethod(menu, "itemAt", Q_RETURN_ARG(QQuickItem *, favourites), Q_ARG(int, 0)));
        QVERIFY(QMetaObject::invokeMethod(favourites->property("subMenu").value<QObject *>(), "open"));
        QTRY_COMPARE(shownPlain(m_favourite), 1);
        // The input buttons' hover help names the input.
        QQuickItem *help = nullptr;
        for (QQuickItem *item : items()) {
            if (item->objectName() == QLatin1String("inputHelp") && item->property("text").toString() == m_input) {
                help = item;
            }
        }
        QVERIFY(help);
        QVERIFY(help->setProperty("hovered", true));
        QTRY_COMPARE(help->property("status").toInt(), 1); // Loader.Ready
        auto *tip = help->property("item").value<QObject *>();
        QVERIFY(tip);
        auto *label = tip->property("contentItem").value<QQuickItem *>();
        QVERIFY(label);
        QCOMPARE(label->property("text").toString(), m_input);
        QCOMPARE(label->property("textFormat").toInt(), 0); // Text.PlainText
    }

    void displayShowsNamesAsWritten()
    {
        m_rig->settings->setFrontPanelDisplay(true);
        QTRY_VERIFY(find("liveDisplay") && find("liveDisplay")->isVisible());
        (void)m_host->window()->grabWindow();
        QVERIFY(shownPlain(m_program) >= 1);
        QVERIFY(shownPlain(m_input) >= 1);
        QVERIFY(shownPlain(m_track) >= 1);
        m_rig->settings->setFrontPanelDisplay(false);
        QTRY_VERIFY(find("volumeKnob"));
    }

    // The guard is what stops a Text that still guesses its format, or a source bound to a name: the window's
    // engine fetches neither (the beacon's count at the end holds them to it).
    void engineRefusesNetworkUrls()
    {
        QQmlEngine &engine = *qmlEngine(m_host->window());
        const std::unique_ptr<QObject> text(
            create(engine, guessingText, { { QStringLiteral("shown"), m_beacon->tagged("guessed.png", "x") } }));
        QVERIFY(text);
        const std::unique_ptr<QObject> image(
            create(engine, "import QtQuick\nImage { property string shown; source: shown }",
                { { QStringLiteral("shown"), m_beacon->url("source.png") } }));
        QVERIFY(image);
        QVERIFY(image->property("status").toInt() != 1); // not Image.Ready
    }

    // The cover still reaches the window through the image provider.
    void coverStillShows()
    {
        QQuickItem *cover = nullptr;
        for (QQuickItem *item : items()) {
            if (item->inherits("QQuickImage")
                && item->property("source").toUrl().toString().startsWith(QStringLiteral("image://albumart/"))) {
                cover = item;
            }
        }
        QVERIFY(cover);
        QTRY_COMPARE(cover->property("status").toInt(), 1); // Image.Ready
    }

    // Last: an engine without the interceptor fetches a tagged name, which shows the beacon would have counted
    // every fetch above; once that one arrived, nothing else may have.
    void nothingReachedTheBeacon()
    {
        QQmlEngine unguarded;
        const std::unique_ptr<QObject> canary(
            create(unguarded, guessingText, { { QStringLiteral("shown"), m_beacon->tagged("canary.png", "x") } }));
        QVERIFY(canary);
        QTRY_VERIFY(m_beacon->requests().contains(QStringLiteral("GET /canary.png HTTP/1.1")));
        QTest::qWait(100);
        QStringList others = m_beacon->requests();
        others.removeAll(QStringLiteral("GET /canary.png HTTP/1.1"));
        QVERIFY2(others.isEmpty(), qPrintable(others.join(u' ')));
    }

    void allowedUrls_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("allowed");
        using Type = QQmlAbstractUrlInterceptor::DataType;
        const auto row = [](const char *name, const char *url, Type type, bool allowed) {
            QTest::newRow(name) << QString::fromLatin1(url) << int(type) << allowed;
        };
        row("module resource", "qrc:/Amplora/Ui/Main.qml", Type::QmlFile, true);
        row("picture in the resources", "qrc:/icons/amplora.svg", Type::UrlString, true);
        row("symbol", "image://symbol/media-playback-start-symbolic/ffffffff", Type::UrlString, true);
        row("album art", "image://albumart/3", Type::UrlString, true);
        row("no source", "", Type::UrlString, true);
        row("relative file", "HoverHelp.qml", Type::UrlString, true);
        row("Qt's module directory", "file:///usr/lib/x86_64-linux-gnu/qt6/qml/QtQuick/qmldir", Type::QmldirFile, true);
        row("a test's file", "file:///tmp/tst_window.qml", Type::QmlFile, true);
        row("script on disk", "file:///tmp/Logic.js", Type::JavaScriptFile, true);
        row("http picture", "http://127.0.0.1:8080/track.png", Type::UrlString, false);
        row("scheme in capitals", "HTTP://example.com/a.png", Type::UrlString, false);
        row("remote QML", "http://example.com/Evil.qml", Type::QmlFile, false);
        row("remote script", "http://example.com/x.js", Type::JavaScriptFile, false);
        row("host without scheme", "//example.com/a.png", Type::UrlString, false);
        row("data picture", "data:image/png;base64,iVBORw0KGgo=", Type::UrlString, false);
        row("local file as a picture", "file:///dev/zero", Type::UrlString, false);
        row("unknown scheme", "smb://nas/share/a.png", Type::UrlString, false);
    }
    void allowedUrls()
    {
        QFETCH(QString, url);
        QFETCH(int, type);
        QFETCH(bool, allowed);
        const auto dataType = static_cast<QQmlAbstractUrlInterceptor::DataType>(type);
        QCOMPARE(NetworkGuard::allows(QUrl(url), dataType), allowed);
    }
};

QTEST_MAIN(TestWindowMarkup)
#include "tst_window_markup.moc"
