// The client's album art over real loopback sockets: where it may come from, its type, size and bytes on the
// wire, its transfer ended when it is no longer wanted, and its decoding on a worker.

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

namespace {

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

class TestYXCClientAlbumArt : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A reply aborted by the last test is still being wound down on the network thread; leaving at once would
    // cut that short and leave its objects behind (LeakSanitizer reports them).
    void cleanupTestCase() { QTest::qWait(200); }

    void albumArt_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("requested");

        const QString requested = QStringLiteral("/art/cover.png");
        QTest::addRow("absolute path") << requested << requested;
        QTest::addRow("relative path") << QStringLiteral("art/cover.png") << requested;
        QTest::addRow("full URL on the receiver") << QStringLiteral("http://HOST/art/cover.png") << requested;
    }

    void albumArt()
    {
        QFETCH(QString, path);
        QFETCH(QString, requested);
        FakeReceiver receiver;
        receiver.setRoute(requested, FakeReceiver::picture(3, 2));
        path.replace(QStringLiteral("HOST"), receiver.host());
        YXCClient client(receiver.host(), true, fastOptions());
        const auto image = wait(client.albumArt(path));
        QCOMPARE(image ? image->size() : QSize(), QSize(3, 2));
        QCOMPARE(receiver.requests().size(), 1);
        QCOMPARE(receiver.requests().at(0).path, requested);
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
        QTest::addRow("https on the receiver") << "https://RX/a.png"
                                               << "only http is fetched";
        QTest::addRow("user and password") << "http://user:pass@RX/a.png"
                                           << "user name or password";
        QTest::addRow("scheme-relative") << "//PEER/a.png"
                                         << "without a scheme";
        QTest::addRow("backslashes") << "/\\PEER/a.png"
                                     << "backslash";
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
        QTest::addRow("PNG declared as text") << encodedPicture(3, 2) << QByteArray("text/plain") << QSize();
        QTest::addRow("no declared type") << encodedPicture(3, 2) << QByteArray() << QSize();
        QTest::addRow("a type we do not read")
            << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='4' height='4'/>")
            << QByteArray("image/svg+xml") << QSize();
        // Within the pixel cap, covers are scaled to fit 512 pixels a side, keeping their shape.
        QTest::addRow("at the size cap") << encodedPicture(4096, 1) << QByteArray("image/png") << QSize(512, 1);
        QTest::addRow("at the edge") << encodedPicture(512, 300) << QByteArray("image/png") << QSize(512, 300);
        QTest::addRow("wide") << encodedPicture(1024, 512) << QByteArray("image/png") << QSize(512, 256);
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

QTEST_GUILESS_MAIN(TestYXCClientAlbumArt)
#include "tst_yxcclient_albumart.moc"
