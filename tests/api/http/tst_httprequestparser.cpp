#include "api/http/HTTPRequestParser.h"

#include <QTest>

using namespace amplora::api;
using namespace Qt::StringLiterals;
using Kind = HTTPRequestParser::State::Kind;

Q_DECLARE_METATYPE(Kind)

namespace {

const QByteArray kValidRequest = QByteArrayLiteral("POST /api/v1/volume?zone=zone2 HTTP/1.1\r\n"
                                                   "Host: 127.0.0.1:8765\r\n"
                                                   "Authorization: Bearer abc\r\n"
                                                   "Content-Length: 11\r\n"
                                                   "\r\n"
                                                   "{\"db\": -30}");

// A request whose header block (everything before the blank line) is exactly `blockBytes` long.
QByteArray requestWithHeaderBlock(qsizetype blockBytes)
{
    QByteArray block = QByteArrayLiteral("GET /api/v1/status HTTP/1.1\r\nX-Pad: ");
    block += QByteArray(blockBytes - block.size(), 'a');
    Q_ASSERT(block.size() == blockBytes);
    return block;
}

HTTPRequestParser::State parse(const QByteArray &bytes, HTTPRequestParser::Limits limits = {})
{
    return HTTPRequestParser::parse(bytes, limits);
}

} // namespace

class TestHTTPRequestParser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyCutPointNeedsMore_data()
    {
        QTest::addColumn<qsizetype>("cut");
        for (qsizetype cut = 0; cut < kValidRequest.size(); ++cut)
            QTest::addRow("first %lld bytes", static_cast<long long>(cut)) << cut;
    }
    void everyCutPointNeedsMore()
    {
        QFETCH(qsizetype, cut);
        const auto state = parse(kValidRequest.first(cut));
        QCOMPARE(state.kind, Kind::NeedMore);
    }

    void completeRequest()
    {
        HTTPRequestParser parser;
        // Fed in small pieces, as a slow client would send it; bytes past the body are ignored.
        const QByteArray bytes = kValidRequest + "GARBAGE";
        for (qsizetype i = 0; i < bytes.size(); i += 7)
            parser.append(QByteArrayView(bytes).sliced(i, std::min<qsizetype>(7, bytes.size() - i)));
        const auto state = parser.parse();
        QCOMPARE(state.kind, Kind::Complete);
        QCOMPARE(state.consumed, kValidRequest.size());
        QCOMPARE(state.request.method, QStringLiteral("POST"));
        QCOMPARE(state.request.pathSegments, (QStringList { u"api"_s, u"v1"_s, u"volume"_s }));
        QCOMPARE(state.request.query.value(QStringLiteral("zone")), QStringLiteral("zone2"));
        QCOMPARE(state.request.header(QStringLiteral("authorization")), QStringLiteral("Bearer abc"));
        QCOMPARE(state.request.header(QStringLiteral("host")), QStringLiteral("127.0.0.1:8765"));
        QCOMPARE(state.request.body, QByteArrayLiteral("{\"db\": -30}"));
    }

    // A client that sends one byte at a time must not make the parser look at everything again on each byte.
    void oneByteAtATimeIsLinear_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Kind>("expected");
        const QByteArray headers = "X-Pad: " + QByteArray(16000, 'a') + "\r\n";
        QTest::addRow("long header block, then a body")
            << QByteArray("POST /api/v1/volume HTTP/1.1\r\n" + headers + "Content-Length: 11\r\n\r\n{\"db\": -30}")
            << Kind::Complete;
        QTest::addRow("carriage returns and line feeds that never end the block")
            << QByteArray("GET / HTTP/1.1\r\nX: " + QByteArray("\r\n\r\r\n\n").repeated(1500)) << Kind::NeedMore;
        QTest::addRow("a block that never ends")
            << QByteArray("GET / HTTP/1.1\r\nX: " + QByteArray(20000, 'a')) << Kind::Failed;
    }
    void oneByteAtATimeIsLinear()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Kind, expected);
        HTTPRequestParser parser;
        HTTPRequestParser::State state;
        qsizetype fed = 0;
        for (; fed < bytes.size() && state.needMore(); ++fed) {
            parser.append(QByteArrayView(bytes).sliced(fed, 1));
            state = parser.parse();
        }
        QCOMPARE(state.kind, expected);
        QCOMPARE(state.kind, parse(bytes.first(fed)).kind);
        // Each byte searched once for the blank line, and the header block decoded once.
        QVERIFY2(parser.bytesExamined() <= 2 * fed,
            qPrintable(u"%1 bytes examined for %2 received"_s.arg(parser.bytesExamined()).arg(fed)));
        // Asked again, the parser answers without looking at the bytes once more.
        const qsizetype examined = parser.bytesExamined();
        QCOMPARE(parser.parse().kind, expected);
        QCOMPARE(parser.bytesExamined(), examined);
    }

    void headerLimit_data()
    {
        QTest::addColumn<qsizetype>("blockBytes");
        QTest::addColumn<QByteArray>("tail"); // what follows the block so far
        QTest::addColumn<Kind>("expected");
        const QByteArray full = "\r\n\r\n";
        QTest::addRow("N, complete") << qsizetype(16384) << full << Kind::Complete;
        QTest::addRow("N+1, complete") << qsizetype(16385) << full << Kind::Failed;
        QTest::addRow("N, blank line not yet sent") << qsizetype(16384) << QByteArray() << Kind::NeedMore;
        QTest::addRow("N+1, blank line not yet sent") << qsizetype(16385) << QByteArray() << Kind::Failed;
        // A block within the limit whose terminator is arriving must not be refused half-way.
        QTest::addRow("N, terminator cut after 1") << qsizetype(16384) << QByteArray("\r") << Kind::NeedMore;
        QTest::addRow("N, terminator cut after 3") << qsizetype(16384) << QByteArray("\r\n\r") << Kind::NeedMore;
        QTest::addRow("N+1, terminator cut after 3") << qsizetype(16385) << QByteArray("\r\n\r") << Kind::Failed;
    }
    void headerLimit()
    {
        QFETCH(qsizetype, blockBytes);
        QFETCH(QByteArray, tail);
        QFETCH(Kind, expected);
        const auto state = parse(requestWithHeaderBlock(blockBytes) + tail);
        QCOMPARE(state.kind, expected);
        if (expected == Kind::Failed)
            QCOMPARE(state.error,
                (APIError { 431, u"headers_too_large"_s, u"Request headers are too large."_s, {}, {}, {} }));
    }

    void bodyLimit_data()
    {
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<Kind>("expectedWithoutBody");
        QTest::addRow("N") << qsizetype(65536) << Kind::NeedMore;
        QTest::addRow("N+1 refused before any body byte") << qsizetype(65537) << Kind::Failed;
    }
    void bodyLimit()
    {
        QFETCH(qsizetype, length);
        QFETCH(Kind, expectedWithoutBody);
        const QByteArray head
            = "POST /api/v1/scenes HTTP/1.1\r\nContent-Length: " + QByteArray::number(length) + "\r\n\r\n";
        const auto state = parse(head);
        QCOMPARE(state.kind, expectedWithoutBody);
        if (state.failed()) {
            QCOMPARE(state.error,
                (APIError { 413, u"body_too_large"_s, u"Request body is larger than 65536 bytes."_s, {}, {}, {} }));
            return;
        }
        QCOMPARE(parse(head + QByteArray(length - 1, 'x')).kind, Kind::NeedMore);
        const auto complete = parse(head + QByteArray(length, 'x'));
        QCOMPARE(complete.kind, Kind::Complete);
        QCOMPARE(complete.request.body.size(), length);
    }

    void limitsComeFromTheCaller()
    {
        const HTTPRequestParser::Limits small { 64, 4 };
        QCOMPARE(parse("POST / HTTP/1.1\r\nContent-Length: 5\r\n\r\n", small).error.message,
            QStringLiteral("Request body is larger than 4 bytes."));
        QCOMPARE(parse("GET / HTTP/1.1\r\nX: " + QByteArray(60, 'a'), small).error.status, 431);
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        const QString badLine = QStringLiteral("Malformed request line.");
        const QString badHeader = QStringLiteral("Malformed header line.");
        const QString badLength = QStringLiteral("Invalid Content-Length.");
        const QString chunked = QStringLiteral("Send a Content-Length body, not chunked.");
        const QString malformed = QStringLiteral("malformed_request");
        QTest::addRow("HTTP/2 version") << QByteArray("GET /api/v1/status HTTP/2\r\n\r\n") << 400 << malformed
                                        << badLine;
        QTest::addRow("two pieces") << QByteArray("GET /api/v1/status\r\n\r\n") << 400 << malformed << badLine;
        QTest::addRow("empty request line") << QByteArray("\r\nHost: a\r\n\r\n") << 400 << malformed << badLine;
        QTest::addRow("lower-case version") << QByteArray("GET / http/1.1\r\n\r\n") << 400 << malformed << badLine;
        QTest::addRow("tab separated") << QByteArray("GET\t/\tHTTP/1.1\r\n\r\n") << 400 << malformed << badLine;
        QTest::addRow("header without colon")
            << QByteArray("GET / HTTP/1.1\r\nHost a\r\n\r\n") << 400 << malformed << badHeader;
        QTest::addRow("invalid UTF-8") << QByteArray("GET / HTTP/1.1\r\nX: \xff\xfe\r\n\r\n") << 400 << malformed
                                       << QStringLiteral("Request headers are not valid UTF-8.");
        QTest::addRow("overlong UTF-8") << QByteArray("GET /\xc0\xaf HTTP/1.1\r\n\r\n") << 400 << malformed
                                        << QStringLiteral("Request headers are not valid UTF-8.");
        QTest::addRow("chunked") << QByteArray("POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n") << 501
                                 << QStringLiteral("chunked_not_supported") << chunked;
        QTest::addRow("identity transfer encoding")
            << QByteArray("POST / HTTP/1.1\r\ntransfer-encoding: identity\r\nContent-Length: 1\r\n\r\nx") << 501
            << QStringLiteral("chunked_not_supported") << chunked;
        for (const char *length : { " -1", " abc", "", " +", " 1 2", " 99999999999999999999999" }) {
            const QByteArray bytes = "POST / HTTP/1.1\r\nContent-Length:" + QByteArray(length) + "\r\n\r\n";
            QTest::addRow("Content-Length:%s", length) << bytes << 400 << malformed << badLength;
        }
        // Two lengths that disagree frame the body two ways; whichever is believed, a proxy in front may have
        // believed the other.
        const QList<QPair<const char *, QByteArray>> conflicting {
            { "two different headers", "Content-Length: 1\r\nContent-Length: 2\r\n" },
            { "different, case apart", "content-length: 2\r\nCONTENT-LENGTH: 3\r\n" },
            { "list of different values", "Content-Length: 1, 2\r\n" },
            { "list then a different header", "Content-Length: 2, 2\r\nContent-Length: 3\r\n" },
            { "empty list element", "Content-Length: 2,\r\n" },
            { "invalid element in a list", "Content-Length: 2, x\r\n" },
            { "valid header then an invalid one", "Content-Length: 2\r\nContent-Length: x\r\n" },
        };
        for (const auto &[name, lines] : conflicting) {
            QTest::addRow("Content-Length: %s", name)
                << QByteArray("POST / HTTP/1.1\r\n" + lines + "\r\nabc") << 400 << malformed << badLength;
        }
        QTest::addRow("huge length within 64 bits")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 9223372036854775807\r\n\r\n") << 413
            << QStringLiteral("body_too_large") << QStringLiteral("Request body is larger than 65536 bytes.");
    }
    void failures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(QString, code);
        QFETCH(QString, message);
        const auto state = parse(bytes);
        QCOMPARE(state.kind, Kind::Failed);
        QCOMPARE(state.error, (APIError { status, code, message, {}, {}, {} })); // and no cap, names or retry time
    }

    void accepted_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("line"); // method and path segments, as "POST /a"
        QTest::addColumn<QByteArray>("body");
        const auto row = [](const char *name, const QByteArray &bytes, const char *line, const QByteArray &body = {}) {
            QTest::newRow(name) << bytes << QString::fromLatin1(line) << body;
        };
        row("lower-case method, extra spaces, HTTP/1.0", "get  /api/v1/status   HTTP/1.0\r\n\r\n",
            "GET /api/v1/status");
        row("plus sign in length", "POST /a HTTP/1.1\r\nContent-Length: +5\r\n\r\nhello", "POST /a", "hello");
        row("zero length", "POST /a HTTP/1.1\r\nContent-Length: 0\r\n\r\n", "POST /a");
        row("padded length", "POST /a HTTP/1.1\r\nContent-Length: \t2 \r\n\r\nhi", "POST /a", "hi");
        row("same length twice", "POST /a HTTP/1.1\r\nContent-Length: 2\r\ncontent-length: 2\r\n\r\nhi", "POST /a",
            "hi");
        row("list of the same length", "POST /a HTTP/1.1\r\nContent-Length: 2 ,\t+2\r\n\r\nhi", "POST /a", "hi");
        row("no length ignores the rest", "POST /a HTTP/1.1\r\n\r\n{\"db\":1}", "POST /a");
        row("NUL bytes in a header value", QByteArray("GET / HTTP/1.1\r\nX: a\0b\r\n\r\n", 27), "GET /");
        row("binary body", QByteArray("PUT /x HTTP/1.1\r\nContent-Length: 3\r\n\r\n\xff\0\r", 42), "PUT /x",
            QByteArray("\xff\0\r", 3));
    }
    void accepted()
    {
        QFETCH(QByteArray, bytes);
        const auto state = parse(bytes);
        QCOMPARE(state.kind, Kind::Complete);
        QTEST(state.request.method + u" /"_s + state.request.pathSegments.join(u'/'), "line");
        QTEST(state.request.body, "body");
    }

    void headers()
    {
        const auto state = parse("GET / HTTP/1.1\r\n"
                                 "  X-Token\t:  \t a:b c \t\r\n"
                                 "Accept: one\r\n"
                                 "ACCEPT: two\r\n"
                                 "Empty:\r\n"
                                 ": no name\r\n"
                                 "\r\n");
        QCOMPARE(state.kind, Kind::Complete);
        QCOMPARE(state.request.headers,
            (QHash<QString, QString> { { u"x-token"_s, u"a:b c"_s }, { u"accept"_s, u"two"_s }, { u"empty"_s, u""_s },
                { u""_s, u"no name"_s } }));
    }

    void targets_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QString>("segments"); // joined by |
        QTest::addColumn<QString>("query"); // key=value pairs sorted by key, joined by &
        const auto row = [](const char *name, const char *target, const QString &segments, const char *query) {
            QTest::newRow(name) << QByteArray(target) << segments << QString::fromLatin1(query);
        };
        row("empty segments dropped, escapes decoded", "/api//v1/%7Astatus", u"api|v1|zstatus"_s, "");
        row("repeated key keeps the last, bare key is empty", "/x?a=1&a=2&b", u"x"_s, "a=2&b=");
        row("plus is a space in the query only", "/a+b?q=c+d%2B", u"a+b"_s, "q=c d+");
        row("value split at the first equals sign", "/?k=a=b", u""_s, "k=a=b");
        row("bad escape kept raw", "/scenes/100%/run?x=%zz&y=%", u"scenes|100%|run"_s, "x=%zz&y=%");
        row("escape that is not UTF-8 kept raw", "/a%FFb?n=%C3%28", u"a%FFb"_s, "n=%C3%28");
        row("UTF-8 scene name", "/api/v1/scenes/Caf%C3%A9%20Night", u"api|v1|scenes|Caf\u00e9 Night"_s, "");
        row("encoded slash stays inside its segment", "/scenes/a%2Fb", u"scenes|a/b"_s, "");
        row("second question mark belongs to the query", "/s?zone=main?x", u"s"_s, "zone=main?x");
        row("empty pairs skipped", "/s?&&zone=ZONE2&", u"s"_s, "zone=ZONE2");
        row("no path at all", "*", u"*"_s, "");
    }
    void targets()
    {
        QFETCH(QByteArray, target);
        const auto state = parse("GET " + target + " HTTP/1.1\r\n\r\n");
        QCOMPARE(state.kind, Kind::Complete);
        QTEST(state.request.pathSegments.join(u'|'), "segments");
        QStringList pairs;
        for (auto it = state.request.query.cbegin(); it != state.request.query.cend(); ++it)
            pairs.append(it.key() + u'=' + it.value());
        pairs.sort();
        QTEST(pairs.join(u'&'), "query");
    }
};

QTEST_GUILESS_MAIN(TestHTTPRequestParser)
#include "tst_httprequestparser.moc"
