#pragma once

#include "api/http/HTTPRequest.h"
#include "api/http/HTTPRequestParser.h"
#include "api/http/HTTPResponse.h"

#include "base/Cancellation.h"

#include <QBasicTimer>
#include <QCoroTask>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace amplora::api {

class ConnectionRegistry;

// Turns one parsed request into its response; never fails (every failure is an error response). The
// Cancellation fires once the client has gone: the handler may then stop, and its answer is likely never read.
using RequestHandler = std::function<QCoro::Task<HTTPResponse>(HTTPRequest, Cancellation)>;

// One accepted TCP connection: it reads exactly one request, answers it and closes. A request that has not
// arrived completely within the time-out is answered 408; a client that goes away before that gets nothing.
// A streamed answer keeps the connection open after its head for as long as the stream goes on and the client
// stays: the time-out covers only the request, and the connection closes when the stream ends or is dropped.
//
// A client that closes or resets its connection while its answer is being prepared has gone: the handler's
// Cancellation fires, so that a slow receiver read made only for it is abandoned. A client that merely shut its
// sending side looks the same as one that closed, and is treated alike; whatever the handler still answers is
// sent all the same.
//
// It works on the socket descriptor itself rather than a QTcpSocket: a connection lives for one exchange, and
// the socket object's set-up would cost more than the exchange. Everything runs on the thread that created it.
class HTTPConnection final : public QObject {
    Q_OBJECT

public:
    struct Settings {
        HTTPRequestParser::Limits limits;
        std::chrono::milliseconds requestTimeout { 10000 };
    };

    // Takes ownership of the connected socket `descriptor`. Deletes itself once closed.
    HTTPConnection(int descriptor, std::shared_ptr<const RequestHandler> handler, Settings settings,
        std::shared_ptr<ConnectionRegistry> registry);
    ~HTTPConnection() override;

    void start();
    // Drops the connection at once, without an answer.
    void cancel();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    // Awaits the handler's answer; sends it if the connection is still there by then.
    static QCoro::Task<> serve(QPointer<HTTPConnection> self, std::shared_ptr<const RequestHandler> handler,
        HTTPRequest request, Cancellation cancel);
    // Arms the one timer: the request's time-out, then the answer's time to drain.
    void armTimer();
    void readAvailable();
    void received(QByteArrayView bytes);
    void peerFinishedSending();
    void timedOut();
    void respond(const HTTPResponse &response);
    void writePending();
    void streamChanged();
    void close();

    int m_descriptor;
    std::shared_ptr<const RequestHandler> m_handler;
    Settings m_settings;
    std::shared_ptr<ConnectionRegistry> m_registry;
    HTTPRequestParser m_parser;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QBasicTimer m_timer;
    CancelSource m_clientGone; // the handler's Cancellation
    QByteArray m_output; // the response, or a streamed response's head
    std::shared_ptr<ResponseStream> m_stream;
    qsizetype m_written = 0;
    bool m_finished = false; // a response is on its way; further bytes are ignored
    bool m_responding = false; // the response has been handed to the socket
    bool m_sent = false; // all of it, followed by our end of the stream
    bool m_peerDone = false; // the client has finished sending
    bool m_closed = false;
};

} // namespace amplora::api
