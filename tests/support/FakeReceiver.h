#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <chrono>

class QTcpSocket;

namespace amplora::test {

// A picture of one colour, encoded in `format` ("PNG", "JPEG", "BMP").
QByteArray encodedPicture(int width, int height, const char *format = "PNG", Qt::GlobalColor colour = Qt::red);

// One request as the fake receiver saw it.
struct RecordedRequest {
    QByteArray method;
    QString path; // as sent, without the query: "/YamahaExtendedControl/v1/main/setVolume"
    QString query; // as sent, still percent-encoded, without "?": "volume=80"; empty when there was none
    QMap<QByteArray, QByteArray> headers; // names in lower case
    // The client closed the connection before the whole answer was written (or before it started).
    bool closedByClient = false;

    // The path below the API root with its query, as in "main/setVolume?volume=80"; the full path for requests
    // outside the API root.
    QString target() const;
    QByteArray header(const QByteArray &name) const { return headers.value(name.toLower()); }
};

// An in-process receiver on 127.0.0.1 (or another loopback address) and a free port. It answers configured paths
// with a configured status and body, can hang or cut an answer short, and records every request. Unconfigured paths
// get HTTP 404. Every connection is closed after its answer, as the receivers do. Answers are written as the client
// takes them, so a client that hangs up early leaves most of a large answer unsent, and its request says so.
//
//     FakeReceiver receiver;
//     receiver.answer("main/getStatus", R"({"response_code":0,"power":"on"})");
//     YXCClient client(receiver.host());
//     ...
//     QCOMPARE(receiver.requests().last().target(), "main/getStatus");
class FakeReceiver : public QObject {
    Q_OBJECT

public:
    enum class Behaviour {
        answer, // the status, headers and body
        neverAnswer, // reads the request and keeps the connection open without a byte
        closeMidAnswer, // sends the status, headers and half of the body, then closes
        raw, // sends `body` as the whole answer, bytes as they stand, then closes
    };

    struct Route {
        Behaviour behaviour = Behaviour::answer;
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/json";
        std::chrono::milliseconds delay { 0 }; // before the answer starts
        QList<std::pair<QByteArray, QByteArray>> headers; // more header lines, such as a Content-Encoding
        bool declareLength = true; // false: no Content-Length, the body ends when the connection closes
    };

    // An answer with a PNG picture of one colour, declared as such (covers decode only as the type declared).
    static Route picture(int width, int height, Qt::GlobalColor colour = Qt::red);

    explicit FakeReceiver(QObject *parent = nullptr);
    // On another address of loopback ("127.0.0.2"): another machine, as far as address checks can tell.
    explicit FakeReceiver(const QHostAddress &address, QObject *parent = nullptr);
    ~FakeReceiver() override;

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    // "127.0.0.1:PORT" (or the other address), the form the client takes as its host.
    QString host() const;

    // Paths are below the API root ("main/getStatus") unless they start with "/".
    void setRoute(const QString &path, Route route);
    void answer(const QString &path, const QByteArray &body, int status = 200);
    // {"response_code":0}, what the receiver says to every accepted change.
    void answerOk(const QString &path);
    void neverAnswer(const QString &path);

    const QList<RecordedRequest> &requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }
    // The targets of requests whose client closed the connection before their whole answer was written, in the
    // order they arrived.
    QStringList abandoned() const;
    // Spins the event loop until `count` requests have arrived or the time is up.
    bool waitForRequests(qsizetype count, std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    void accept();
    void readFrom(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const Route &route);
    void pump(QTcpSocket *socket);
    void finish(QTcpSocket *socket);
    static QString routeKey(const QString &path);

    // A connection whose request has arrived: which request it was, and what of its answer is still to be sent.
    struct Answering {
        qsizetype request = -1;
        QByteArray unsent;
        bool finished = false; // the whole answer went out, or the fake closed the connection itself
    };

    QTcpServer m_server;
    QMap<QString, Route> m_routes;
    QList<RecordedRequest> m_requests;
    QMap<QTcpSocket *, QByteArray> m_buffers;
    QMap<QTcpSocket *, Answering> m_answering;
};

} // namespace amplora::test
