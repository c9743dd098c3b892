#pragma once

#include "api/http/HTTPRequest.h"
#include "api/http/HTTPRequestParser.h"
#include "api/http/HTTPResponse.h"

#include <QCoroTask>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class QTcpSocket;

namespace amplora::api {

class ConnectionRegistry;

// Turns one parsed request into its response; never fails (every failure is an error response).
using RequestHandler = std::function<QCoro::Task<HTTPResponse>(HTTPRequest)>;

// One accepted TCP connection: it reads exactly one request, answers it and closes. A request that has not
// arrived completely within the time-out is answered 408; a client that goes away before that gets nothing.
class HTTPConnection final : public QObject {
    Q_OBJECT

public:
    struct Settings {
        HTTPRequestParser::Limits limits;
        std::chrono::milliseconds requestTimeout { 10000 };
    };

    // Takes ownership of `socket`. Deletes itself once closed.
    HTTPConnection(QTcpSocket *socket, std::shared_ptr<const RequestHandler> handler, Settings settings,
        std::shared_ptr<ConnectionRegistry> registry);
    ~HTTPConnection() override;

    void start();
    // Drops the connection at once, without an answer.
    void cancel();

private:
    void readAvailable();
    void timedOut();
    void respond(const HTTPResponse &response);
    void close();

    QTcpSocket *m_socket;
    std::shared_ptr<const RequestHandler> m_handler;
    Settings m_settings;
    std::shared_ptr<ConnectionRegistry> m_registry;
    HTTPRequestParser m_parser;
    QTimer m_timer;
    bool m_finished = false; // a response is on its way; nothing more is read
    bool m_responding = false; // the response has been handed to the socket
    bool m_closed = false;
};

} // namespace amplora::api
