#include "api/server/HTTPConnection.h"

#include "api/Logging.h"
#include "api/server/ConnectionRegistry.h"

#include <QTcpSocket>

namespace amplora::api {

namespace {

constexpr qint64 kReceiveChunk = 65536;

APIError requestTimeoutError()
{
    return APIError { 408, QStringLiteral("timeout"), QStringLiteral("The request took too long to arrive."), {}, {},
        {} };
}

} // namespace

HTTPConnection::HTTPConnection(QTcpSocket *socket, std::shared_ptr<const RequestHandler> handler, Settings settings,
    std::shared_ptr<ConnectionRegistry> registry)
    : m_socket(socket)
    , m_handler(std::move(handler))
    , m_settings(settings)
    , m_registry(std::move(registry))
    , m_parser(settings.limits)
{
    m_socket->setParent(this);
    // Qt would otherwise buffer whatever a client sends; the parser never needs more than one chunk at a time.
    m_socket->setReadBufferSize(kReceiveChunk);
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::CoarseTimer);
}

HTTPConnection::~HTTPConnection()
{
    m_registry->remove(this);
}

void HTTPConnection::start()
{
    m_registry->add(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &HTTPConnection::readAvailable);
    connect(m_socket, &QTcpSocket::disconnected, this, &HTTPConnection::close);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        // The peer closing its side is how every exchange ends; anything else is worth a line.
        if (error != QAbstractSocket::RemoteHostClosedError)
            qCDebug(lcApi) << "Connection error:" << m_socket->errorString();
        close();
    });
    connect(&m_timer, &QTimer::timeout, this, &HTTPConnection::timedOut);
    m_timer.start(m_settings.requestTimeout);
    if (m_socket->bytesAvailable() > 0)
        readAvailable();
}

void HTTPConnection::readAvailable()
{
    if (m_closed)
        return;
    if (m_finished) {
        m_socket->skip(m_socket->bytesAvailable()); // bytes after the one request are ignored
        return;
    }
    while (m_socket->bytesAvailable() > 0 && !m_finished) {
        const QByteArray chunk = m_socket->read(kReceiveChunk);
        if (chunk.isEmpty())
            break;
        m_parser.append(chunk);
        HTTPRequestParser::State state = m_parser.parse();
        if (state.complete()) {
            m_finished = true;
            QCoro::connect((*m_handler)(std::move(state.request)), this,
                [this](const HTTPResponse &response) { respond(response); });
        } else if (state.failed()) {
            m_finished = true;
            qCDebug(lcApi).noquote() << "Refused a request:" << state.error.message;
            respond(HTTPResponse::error(state.error));
        }
    }
}

void HTTPConnection::timedOut()
{
    if (m_closed)
        return;
    if (!m_finished) {
        m_finished = true;
        qCDebug(lcApi) << "A request did not arrive in time";
        respond(HTTPResponse::error(requestTimeoutError()));
    } else if (m_responding) {
        // The client does not read its answer; it may not hold the connection forever.
        cancel();
    }
}

void HTTPConnection::respond(const HTTPResponse &response)
{
    if (m_closed || m_responding)
        return;
    m_responding = true;
    // The same time again for the answer to drain before the connection is dropped.
    m_timer.start(m_settings.requestTimeout);
    m_socket->write(response.serialized());
    // Closes once everything written has been sent.
    m_socket->disconnectFromHost();
}

void HTTPConnection::cancel()
{
    if (m_closed)
        return;
    m_socket->abort();
    close();
}

void HTTPConnection::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_timer.stop();
    m_registry->remove(this);
    m_socket->disconnect(this);
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
    deleteLater();
}

} // namespace amplora::api
