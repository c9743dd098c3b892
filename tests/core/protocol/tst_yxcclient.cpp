// The client's requests over real loopback sockets against the in-process fake receiver: what goes on the wire,
// every failure text, deadlines against a dripping peer, redirects, cut-off and encoded answers, and a client
// destroyed mid-request (run under ASan). Album art: where it may come from, its type, size and bytes on the wire,
// its transfer ended when it is no longer wanted, and its decoding on a worker.

#include "core/protocol/YXCClient.h"

#include "ClientRig.h"
#include "RawPeer.h"

#include "support/FakeReceiver.h"

#include <QRegularExpression>
#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace amplora;
using namespace std::chrono_literals;
using amplora::test::encodedPicture;
using amplora::test::FakeReceiver;
using amplora::test::fastOptions;
using amplora::test::gzipped;
using amplora::test::httpAnswer;
using amplora::test::RawPeer;
using amplora::test::wait;

Q_DECLARE_METATYPE(amplora::YXCCommand)

namespace {

QString failureText(const Result<Done, YXCError> &result)
{
    return result ? QStringLiteral("ok") : result.error().description();
}

// A port on loopback with nothing listening.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

// Holds cover decodes on their worker until released, and notes where they ran.
struct DecodeProbe {
    std::atomic<int> entered { 0 };
    std::atomic<QThread *> thread { nullptr };
    QSemaphore gate;

    void enter()
    {
        thread = QThread::currentThread();
        ++entered;
        // Bounded, so that a decode wrongly run on the main thread fails the test instead of hanging it.
        gate.tryAcquire(1, 5000);
    }
};

} // namespace

class TestYXCClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A reply aborted by the last test is still being wound down on the network thread; leaving at once would
    // cut that short and leave its objects behind (LeakSanitizer reports them).
    void cleanupTestCase() { QTest::qWait(200); }

    void invalidHost_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("shown");

        const auto row = [](const char *name, const char *host, const char *shown) {
            QTest::addRow("%s", name) << QString::fromUtf8(host) << QString::fromUtf8(shown);
        };
        row("empty", "", "");
        row("pasted URL", "http://192.168.1.20/", "http://192.168.1.20/");
        // RX stands for a listening receiver's address, which must hear nothing of these.
        row("user name", "admin@RX", "admin@RX");
        row("query", "RX?x=1", "RX?x=1");
        row("fragment", "RX#x", "RX#x");
        row("trailing slash", "RX/", "RX/");
        row("line break is no blank", "\nRX", "\nRX");
    }

    void invalidHost()
    {
        QFETCH(QString, host);
        QFETCH(QString, shown);
        FakeReceiver receiver;
        host.replace(QStringLiteral("RX"), receiver.host());
        shown.replace(QStringLiteral("RX"), receiver.host());
        YXCClient client(host, false, fastOptions());
        const auto result = wait(client.send(YXCCommand::getDeviceInfo()));
        QVERIFY(!result);
        QCOMPARE(result.error(), YXCError::invalidHost(shown));
        QCOMPARE(result.error().description(),
            QStringLiteral("\u201C") + shown + QStringLiteral("\u201D is not a valid receiver address."));
        QTest::qWait(20);
        QCOMPARE(receiver.requests().size(), 0);
    }

    void readOnly()
    {
        FakeReceiver receiver;
        receiver.answer(QStringLiteral("main/getStatus"), R"({"response_code":0,"power":"on"})");
        YXCClient client(receiver.host(), true, fastOptions());
        QVERIFY(client.isReadOnly());
        QCOMPARE(failureText(wait(client.send(YXCCommand::setVolume(Zone::main, 50)))),
            QStringLiteral("Read-only mode blocked main/setVolume."));
        QCOMPARE(failureText(wait(client.send(YXCCommand::setPlayback(PlaybackAction::next)))),
            QStringLiteral("Read-only mode blocked netusb/setPlayback."));
        QCOMPARE(receiver.requests().size(), 0);
        const auto status = wait(client.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main)));
        QVERIFY(status);
        QCOMPARE(status->power, std::optional(QStringLiteral("on")));
        QCOMPARE(receiver.requests().size(), 1);
    }

    void wire_data()
    {
        QTest::addColumn<YXCCommand>("command");
        QTest::addColumn<QString>("target");

        QTest::addRow("several pairs") << YXCCommand::setActualVolume(Zone::zone2, -35.5)
                                       << "zone2/setActualVolume?mode=db&value=-35.5";
        QTest::addRow("id with reserved characters")
            << YXCCommand::setInput(Zone::main, QStringLiteral("a&b c")) << "main/setInput?input=a%26b%20c";
    }

    void wire()
    {
        QFETCH(YXCCommand, command);
        QFETCH(QString, target);
        FakeReceiver receiver;
        receiver.answerOk(command.path());
        // Blanks around a pasted host are dropped.
        YXCClient client(QStringLiteral(" \t") + receiver.host() + QStringLiteral("\t "), false, fastOptions());
        QCOMPARE(client.host(), receiver.host());
        QCOMPARE(failureText(wait(client.send(command))), QStringLiteral("ok"));
        QCOMPARE(receiver.requests().size(), 1);
        QCOMPARE(receiver.requests().at(0).method, QByteArray("GET"));
        QCOMPARE(receiver.requests().at(0).target(), target);
        QVERIFY(receiver.requests().at(0).header("X-AppName").isEmpty());
    }

    void failures_data()
    {
        QTest::addColumn<YXCCommand>("command");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");

        QTest::addRow("HTTP 404 with JSON")
            << YXCCommand::setMute(Zone::main, true) << 404 << QByteArray(R"({"response_code":0})")
            << "The receiver answered with HTTP 404.";
        QTest::addRow("response code") << YXCCommand::setInput(Zone::main, QStringLiteral("hdmi9")) << 200
                                       << QByteArray(R"({"response_code":4})")
                                       << "main/setInput failed (response code 4).";
        QTest::addRow("response code on a read")
            << YXCCommand::getStatus(Zone::zone2) << 200 << QByteArray(R"({"response_code":3,"power":"on"})")
            << "zone2/getStatus failed (response code 3).";
        QTest::addRow("no envelope") << YXCCommand::setMute(Zone::main, false) << 200 << QByteArray(R"({"ok":true})")
                                     << QString::fromUtf8("Couldn’t read main/setMute: missing 'response_code'");
        QTest::addRow("status without power")
            << YXCCommand::getStatus(Zone::main) << 200 << QByteArray(R"({"response_code":0})")
            << QString::fromUtf8("Couldn’t read main/getStatus: missing 'power'");
    }

    void failures()
    {
        QFETCH(YXCCommand, command);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        FakeReceiver receiver;
        receiver.answer(command.path(), body, status);
        YXCClient client(receiver.host(), false, fastOptions());
        if (const auto type = command.answerType()) {
            const auto result = wait(client.fetchPayload(command, *type, Cancellation()));
            QVERIFY(!result);
            QCOMPARE(result.error().description(), text);
        } else {
            QCOMPARE(failureText(wait(client.send(command))), text);
        }
    }

    // A send only checks the envelope: a status answer without power is still an accepted command.
    void sendIgnoresPayload()
    {
        FakeReceiver receiver;
        receiver.answer(QStringLiteral("main/getStatus"), R"({"response_code":0})");
        YXCClient client(receiver.host(), false, fastOptions());
        QCOMPARE(failureText(wait(client.send(YXCCommand::getStatus(Zone::main)))), QStringLiteral("ok"));
    }

    void registration()
    {
        FakeReceiver receiver;
        receiver.answer(QStringLiteral("system/getDeviceInfo"), R"({"response_code":0})");
        YXCClient client(receiver.host(), true, fastOptions());
        QCOMPARE(failureText(wait(client.registerForEvents(41100))), QStringLiteral("ok"));
        QCOMPARE(receiver.requests().size(), 1);
        const auto &request = receiver.requests().at(0);
        QCOMPARE(request.target(), QStringLiteral("system/getDeviceInfo"));
        QCOMPARE(request.header("X-AppName"), QByteArray("MusicCast/1"));
        QCOMPARE(request.header("X-AppPort"), QByteArray("41100"));
    }

    void transportFailures_data()
    {
        QTest::addColumn<int>("behaviour"); // -1: nothing listens on the port
        QTest::addColumn<QString>("text"); // empty: any text

        QTest::addRow("never answers") << int(FakeReceiver::Behaviour::neverAnswer) << "The request timed out.";
        QTest::addRow("closes mid-answer") << int(FakeReceiver::Behaviour::closeMidAnswer) << "";
        QTest::addRow("not HTTP") << int(FakeReceiver::Behaviour::raw) << "";
        QTest::addRow("refused") << -1 << "Connection refused";
    }

    void transportFailures()
    {
        QFETCH(int, behaviour);
        QFETCH(QString, text);
        FakeReceiver receiver;
        if (behaviour >= 0) {
            FakeReceiver::Route route;
            route.behaviour = FakeReceiver::Behaviour(behaviour);
            route.body = route.behaviour == FakeReceiver::Behaviour::raw
                ? QByteArray("SSH-2.0-OpenSSH_9.2\r\n")
                : QByteArray(
                    R"({"response_code":0,"power":"on","volume":80,"input":"hdmi1","sound_program":"straight"})");
            receiver.setRoute(QStringLiteral("main/getStatus"), route);
        }
        YXCClient client(
            behaviour >= 0 ? receiver.host() : QStringLiteral("127.0.0.1:%1").arg(closedPort()), false, fastOptions());
        const auto result = wait(client.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main)));
        QVERIFY(!result);
        QCOMPARE(result.error().kind(), YXCError::Kind::transport);
        QVERIFY(!result.error().description().isEmpty());
        if (!text.isEmpty()) {
            QCOMPARE(result.error().description(), text);
        }
    }

    void oversizeAnswer()
    {
        FakeReceiver receiver;
        receiver.answer(QStringLiteral("system/getNameText"), QByteArray(4096, ' ') + R"({"response_code":0})");
        YXCClient::Options options = fastOptions();
        options.maxAnswerBytes = 1024;
        YXCClient client(receiver.host(), false, options);
        const auto result = wait(client.fetch<NameText>(YXCCommand::getNameText()));
        QVERIFY(!result);
        QCOMPARE(result.error(), YXCError::transport(QStringLiteral("The answer is larger than 1024 bytes.")));
    }

    void overlappingRequests()
    {
        FakeReceiver receiver;
        FakeReceiver::Route slow;
        slow.body = R"({"response_code":0,"power":"standby"})";
        slow.delay = 50ms;
        receiver.setRoute(QStringLiteral("zone2/getStatus"), slow);
        receiver.answer(QStringLiteral("main/getStatus"), R"({"response_code":0,"power":"on"})");
        YXCClient client(receiver.host(), false, fastOptions());
        auto first = client.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::zone2));
        auto second = client.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main));
        const auto secondResult = wait(std::move(second));
        const auto firstResult = wait(std::move(first));
        QVERIFY(firstResult && secondResult);
        QCOMPARE(firstResult->power, std::optional(QStringLiteral("standby")));
        QCOMPARE(secondResult->power, std::optional(QStringLiteral("on")));
    }

    // A peer that answers one byte at a time never resets a deadline: the whole request is bounded from its start.
    void drippingPeerHitsTheDeadline()
    {
        RawPeer peer(httpAnswer("application/json", R"({"response_code":0,"power":"on","input":"hdmi1"})"), 100ms);
        YXCClient client(peer.host(), false, fastOptions());
        const auto result = wait(client.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main)));
        QVERIFY(!result);
        QCOMPARE(result.error().description(), QStringLiteral("The request timed out."));

        RawPeer artPeer(httpAnswer("image/png", encodedPicture(2, 2)), 100ms);
        YXCClient artClient(artPeer.host(), false, fastOptions());
        QCOMPARE(wait(artClient.albumArt(QStringLiteral("/art.png"))), std::nullopt);
        QCOMPARE(artPeer.hits(), 1);
    }

    // A redirect is an answer like any other and is never followed, wherever it points.
    void redirectsNotFollowed_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("albumArt");

        QTest::addRow("302 on a read") << 302 << false;
        QTest::addRow("308") << 308 << false;
        QTest::addRow("302 on album art") << 302 << true;
    }

    void redirectsNotFollowed()
    {
        QFETCH(int, status);
        QFETCH(bool, albumArt);
        RawPeer elsewhere(httpAnswer("image/png", encodedPicture(2, 2)));
        const QString target
            = QStringLiteral("http://%1/YamahaExtendedControl/v1/main/getStatus").arg(elsewhere.host());
        FakeReceiver receiver;
        FakeReceiver::Route route;
        route.behaviour = FakeReceiver::Behaviour::raw;
        route.body = "HTTP/1.1 " + QByteArray::number(status) + " Moved\r\nLocation: " + target.toLatin1()
            + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        receiver.setRoute(albumArt ? QStringLiteral("/art.png") : QStringLiteral("main/getStatus"), route);
        YXCClient client(receiver.host(), false, fastOptions());
        if (albumArt) {
            QCOMPARE(wait(client.albumArt(QStringLiteral("/art.png"))), std::nullopt);
        } else {
            const auto result = wait(client.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main)));
            QVERIFY(!result);
            QCOMPARE(result.error(), YXCError::http(status));
            QCOMPARE(result.error().description(), QStringLiteral("The receiver answered with HTTP %1.").arg(status));
        }
        QCOMPARE(receiver.requests().size(), 1);
        QTest::qWait(20);
        QCOMPARE(elsewhere.hits(), 0);
    }

    // The client goes away while its request hangs; the request still ends with its time-out and touches nothing
    // of the client (AddressSanitizer would report it).
    void destroyedMidRequest()
    {
        FakeReceiver receiver;
        receiver.neverAnswer(QStringLiteral("main/getStatus"));
        auto client = std::make_unique<YXCClient>(receiver.host(), false, fastOptions());
        auto task = client->fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main));
        QVERIFY(receiver.waitForRequests(1));
        client.reset();
        const auto result = wait(std::move(task));
        QVERIFY(!result);
        QCOMPARE(result.error(), YXCError::transport(QStringLiteral("The request timed out.")));
    }

    // An answer the receiver encoded (compressed) is refused, with the reason in its failure text.
    void encodedAnswerRefused()
    {
        FakeReceiver receiver;
        FakeReceiver::Route route;
        route.body = gzipped(R"({"response_code":0,"power":"on"})");
        route.headers.append(std::pair<QByteArray, QByteArray>("Content-Encoding", "gzip"));
        receiver.setRoute(QStringLiteral("main/getStatus"), route);
        YXCClient client(receiver.host(), false, fastOptions());
        const auto result = wait(client.fetch<ZoneStatus>(YXCCommand::getStatus(Zone::main)));
        QVERIFY(!result);
        QCOMPARE(result.error(),
            YXCError::transport(
                QStringLiteral("The answer is encoded as \u201Cgzip\u201D instead of being sent as it is.")));
    }

    // The cover is fetched from where the album-art rule resolves its path (the rule's forms are tst_albumarturl's),
    // as it is sent.
    void albumArt()
    {
        FakeReceiver receiver;
        receiver.setRoute(QStringLiteral("/art/cover.png"), FakeReceiver::picture(3, 2));
        YXCClient client(receiver.host(), true, fastOptions());
        const auto image = wait(client.albumArt(QStringLiteral("art/cover.png")));
        QCOMPARE(image ? image->size() : QSize(), QSize(3, 2));
        QCOMPARE(receiver.requests().size(), 1);
        QCOMPARE(receiver.requests().at(0).path, QStringLiteral("/art/cover.png"));
        QCOMPARE(receiver.requests().at(0).header("Accept-Encoding"), QByteArray("identity"));
    }

    void noAlbumArt()
    {
        FakeReceiver receiver;
        receiver.answer(QStringLiteral("/text"), "not a picture");
        receiver.neverAnswer(QStringLiteral("/hang.jpg"));
        YXCClient client(receiver.host(), false, fastOptions());
        QCOMPARE(wait(client.albumArt(QString())), std::nullopt);
        QCOMPARE(receiver.requests().size(), 0);
        QCOMPARE(wait(client.albumArt(QStringLiteral("/text"))), std::nullopt);
        QCOMPARE(wait(client.albumArt(QStringLiteral("/missing.jpg"))), std::nullopt); // 404 page
        QCOMPARE(wait(client.albumArt(QStringLiteral("/hang.jpg"))), std::nullopt);
        QCOMPARE(wait(client.albumArt(QStringLiteral("http://"))), std::nullopt);
    }

    // A cover URL elsewhere than the receiver itself reaches nobody, and says why once (the rule's cases are in
    // tst_albumarturl; these prove nothing goes on the wire).
    void albumArtElsewhere_data()
    {
        QTest::addColumn<QString>("url"); // PEER stands for the stranger's address, RX for the receiver's host
        QTest::addColumn<QString>("reason");

        QTest::addRow("another port on the receiver's address") << "http://PEER/a.png"
                                                                << "names port";
        QTest::addRow("scheme-relative") << "//PEER/a.png"
                                         << "without a scheme";
        QTest::addRow("another host") << "http://127.0.0.2:PORT/a.png"
                                      << "names the host";
    }

    void albumArtElsewhere()
    {
        QFETCH(QString, url);
        QFETCH(QString, reason);
        RawPeer stranger(httpAnswer("image/png", encodedPicture(2, 2)));
        RawPeer otherHost(
            httpAnswer("image/png", encodedPicture(2, 2)), 0ms, QHostAddress(QStringLiteral("127.0.0.2")));
        if (url.contains(QStringLiteral("127.0.0.2")) && otherHost.host().startsWith(u':')) {
            QSKIP("127.0.0.2 is not available here");
        }
        FakeReceiver receiver;
        url.replace(QStringLiteral("PEER"), stranger.host())
            .replace(QStringLiteral("RX"), receiver.host())
            .replace(QStringLiteral("PORT"), otherHost.host().section(u':', -1));
        YXCClient client(receiver.host(), false, fastOptions());
        const QRegularExpression notice(
            QStringLiteral("album art not fetched: .*") + QRegularExpression::escape(reason));
        QTest::ignoreMessage(QtInfoMsg, notice);
        QCOMPARE(wait(client.albumArt(url)), std::nullopt);
        QTest::qWait(20);
        QCOMPARE(stranger.hits(), 0);
        QCOMPARE(otherHost.hits(), 0);
        QCOMPARE(receiver.requests().size(), 0);
    }

    // Only the format the answer declares decodes the bytes, and only below the size cap its header declares.
    void albumArtDecoding_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QSize>("size"); // invalid: no image

        QTest::addRow("PNG as declared") << encodedPicture(3, 2) << QByteArray("image/png") << QSize(3, 2);
        QTest::addRow("type with capitals and a parameter")
            << encodedPicture(3, 2) << QByteArray("Image/PNG; charset=binary") << QSize(3, 2);
        QTest::addRow("JPEG as declared") << encodedPicture(5, 4, "JPEG") << QByteArray("image/jpeg") << QSize(5, 4);
        QTest::addRow("PNG declared as JPEG") << encodedPicture(3, 2) << QByteArray("image/jpeg") << QSize();
        QTest::addRow("no declared type") << encodedPicture(3, 2) << QByteArray() << QSize();
        QTest::addRow("a type we do not read")
            << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='4' height='4'/>")
            << QByteArray("image/svg+xml") << QSize();
        // Within the pixel cap, covers are scaled to fit 512 pixels a side, keeping their shape.
        QTest::addRow("at the size cap") << encodedPicture(4096, 1) << QByteArray("image/png") << QSize(512, 1);
        QTest::addRow("tall JPEG") << encodedPicture(400, 1600, "JPEG") << QByteArray("image/jpeg") << QSize(128, 512);
        QTest::addRow("wider than the cap") << encodedPicture(4097, 1) << QByteArray("image/png") << QSize();
        QTest::addRow("taller than the cap") << encodedPicture(1, 4097) << QByteArray("image/png") << QSize();
        QTest::addRow("declared PNG that is none")
            << QByteArray("\x89PNG\r\n\x1a\n garbage") << QByteArray("image/png") << QSize();
    }

    void albumArtDecoding()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(QSize, size);
        FakeReceiver receiver;
        FakeReceiver::Route route;
        route.body = body;
        route.contentType = contentType;
        receiver.setRoute(QStringLiteral("/art"), route);
        YXCClient client(receiver.host(), true, fastOptions());
        const auto image = wait(client.albumArt(QStringLiteral("/art")));
        QCOMPARE(image ? image->size() : QSize(), size);
    }

    // The cap counts bytes as they come over the wire: an encoded answer is refused (Qt would otherwise unpack it
    // unseen), and one over the cap ends the transfer as soon as its header or its bytes pass the cap.
    void coverByteCap_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("encoding"); // empty: no Content-Encoding
        QTest::addColumn<bool>("declareLength");
        QTest::addColumn<QSize>("size"); // invalid: no image
        QTest::addColumn<bool>("cutShort"); // the client hung up before the whole answer was sent

        const qint64 cap = 16 * 1024;
        const QByteArray bitmap = encodedPicture(200, 200, "BMP"); // 160 kB that packs into a few hundred bytes
        QVERIFY(bitmap.size() > cap && gzipped(bitmap).size() < cap);
        const QByteArray huge(32 * 1024 * 1024, '\0'); // more than loopback's buffers hold
        const QByteArray small = encodedPicture(3, 2, "BMP");

        QTest::addRow("gzip, oversize once unpacked")
            << gzipped(bitmap) << QByteArray("gzip") << true << QSize() << false;
        QTest::addRow("deflate, oversize once unpacked")
            << qCompress(bitmap).mid(4) << QByteArray("deflate") << true << QSize() << false;
        QTest::addRow("gzip, small") << gzipped(small) << QByteArray("GZip") << true << QSize() << false;
        QTest::addRow("identity declared") << small << QByteArray("identity") << true << QSize(3, 2) << false;
        QTest::addRow("plain, at the cap")
            << small + QByteArray(cap - small.size(), '\0') << QByteArray() << true << QSize(3, 2) << false;
        QTest::addRow("plain, one byte over the cap")
            << small + QByteArray(cap - small.size() + 1, '\0') << QByteArray() << true << QSize() << false;
        QTest::addRow("declared length over the cap") << huge << QByteArray() << true << QSize() << true;
        QTest::addRow("undeclared length, streamed past the cap") << huge << QByteArray() << false << QSize() << true;
    }

    void coverByteCap()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, encoding);
        QFETCH(bool, declareLength);
        QFETCH(QSize, size);
        QFETCH(bool, cutShort);
        FakeReceiver receiver;
        FakeReceiver::Route route;
        route.body = body;
        route.contentType = "image/bmp";
        route.declareLength = declareLength;
        if (!encoding.isEmpty()) {
            route.headers.append(std::pair<QByteArray, QByteArray>("Content-Encoding", encoding));
        }
        receiver.setRoute(QStringLiteral("/art.bmp"), route);
        YXCClient::Options options;
        options.maxImageBytes = 16 * 1024;
        YXCClient client(receiver.host(), false, options);
        const auto image = wait(client.albumArt(QStringLiteral("/art.bmp")));
        QCOMPARE(image ? image->size() : QSize(), size);
        QCOMPARE(receiver.requests().size(), 1);
        QCOMPARE(receiver.requests().at(0).header("Accept-Encoding"), QByteArray("identity"));
        if (cutShort) {
            QTRY_VERIFY(receiver.requests().at(0).closedByClient);
        }
    }

    // A cover no longer wanted has its transfer ended at once: the connection closes and the request answers none
    // long before its own deadline.
    void coverTransferEnds_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addRow("another cover asked for") << "another cover";
        QTest::addRow("cancelled") << "cancelled";
        QTest::addRow("client destroyed") << "destroyed";
    }

    void coverTransferEnds()
    {
        QFETCH(QString, how);
        FakeReceiver receiver;
        receiver.neverAnswer(QStringLiteral("/first.png"));
        receiver.setRoute(QStringLiteral("/second.png"), FakeReceiver::picture(3, 2, Qt::blue));
        YXCClient::Options options;
        options.albumArtTimeout = std::chrono::hours(1); // only the abort can end it within the test
        auto client = std::make_unique<YXCClient>(receiver.host(), false, options);
        auto first = client->albumArt(QStringLiteral("/first.png"));
        QVERIFY(receiver.waitForRequests(1));

        std::optional<QCoro::Task<std::optional<QImage>>> next;
        if (how == QLatin1String("another cover")) {
            next.emplace(client->albumArt(QStringLiteral("/second.png")));
        } else if (how == QLatin1String("cancelled")) {
            client->cancelAlbumArt();
        } else {
            client.reset();
        }
        QTRY_VERIFY(first.isReady());
        QCOMPARE(wait(std::move(first)), std::nullopt);
        QTRY_VERIFY(receiver.requests().at(0).closedByClient);
        if (next) {
            const auto image = wait(std::move(*next));
            QCOMPARE(image ? image->pixelColor(0, 0) : QColor(), QColor(Qt::blue));
        }
    }

    // Covers decode on a worker thread; one superseded while it decodes is dropped and the newer one shows.
    void coverDecodesOffTheMainThread()
    {
        FakeReceiver receiver;
        for (const auto &[path, colour] :
            { std::pair(QStringLiteral("/one.png"), Qt::red), std::pair(QStringLiteral("/two.png"), Qt::blue) }) {
            FakeReceiver::Route route;
            route.body = encodedPicture(3, 2, "PNG", colour);
            route.contentType = "image/png";
            receiver.setRoute(path, route);
        }
        auto probe = std::make_shared<DecodeProbe>();
        YXCClient::Options options = fastOptions();
        options.beforeDecode = [probe] { probe->enter(); };
        YXCClient client(receiver.host(), false, options);

        auto first = client.albumArt(QStringLiteral("/one.png"));
        QTRY_COMPARE(probe->entered.load(), 1); // the main thread runs on while the decode is held
        QVERIFY(probe->thread.load() != nullptr);
        QVERIFY(probe->thread.load() != QThread::currentThread());

        auto second = client.albumArt(QStringLiteral("/two.png"));
        QTest::ignoreMessage(QtDebugMsg, "album art dropped: a newer cover was asked for while it was decoded");
        probe->gate.release(2);
        QCOMPARE(wait(std::move(first)), std::nullopt);
        const auto image = wait(std::move(second));
        QCOMPARE(image ? image->pixelColor(0, 0) : QColor(), QColor(Qt::blue));
        QVERIFY(probe->thread.load() != QThread::currentThread());
    }
};

QTEST_GUILESS_MAIN(TestYXCClient)
#include "tst_yxcclient.moc"
