#include "api/server/HTTPConnection.h"

#include "api/Logging.h"
#include "api/http/ResponseStream.h"
#include "api/server/ConnectionRegistry.h"

#include <QSocketNotifier>
#include <QTimerEvent>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <sys/socket.h>
#include <unistd.h>

namespace amplora::api {

namespace {

constexpr qsizetype kReceiveChunk = 65536;

APIError requestTimeoutError()
{
    return APIError { 408, QStringLiteral("timeout"), QStringLiteral("The request took too long to arrive."), {}, {},
        {} };
}

} // namespace

HTTPConnection::HTTPConnection(int descriptor, std::shared_ptr<const RequestHandler> handler, Settings settings,
    std::shared_ptr<ConnectionRegistry> registry)
    : m_descriptor(descriptor)
    , m_handler(std::move(handler))
    , m_settings(settings)
    , m_registry(std::move(registry))
    , m_parser(settings.limits)
{ }

HTTPConnection::~HTTPConnection()
{
    m_registry->remove(this);
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
    }
}

void HTTPConnection::start()
{
    m_registry->add(this);
    m_readNotifier = new QSocketNotifier(m_descriptor, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &HTTPConnection::readAvailable);
    armTimer();
}

void HTTPConnection::armTimer()
{
    const auto milliseconds = std::clamp<qint64>(m_settings.requestTimeout.count(), 1, std::numeric_limits<int>::max());
    m_timer.start(static_cast<int>(milliseconds), Qt::CoarseTimer, this);
}

void HTTPConnection::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        return QObject::timerEvent(event);
    }
    m_timer.stop();
    timedOut();
}

QCoro::Task<> HTTPConnection::serve(QPointer<HTTPConnection> self, std::shared_ptr<const RequestHandler> handler,
    HTTPRequest request, Cancellation cancel)
{
    const HTTPResponse response = co_await (*handler)(std::move(request), std::move(cancel));
    if (self) {
        self->respond(response);
    } else if (response.stream) {
        response.stream->abandon();
    }
}

void HTTPConnection::readAvailable()
{
    // One receive per wake-up: the notifier calls again while bytes are waiting, and other connections get
    // their turn in between.
    char buffer[kReceiveChunk];
    ssize_t count;
    do {
        count = ::recv(m_descriptor, buffer, sizeof buffer, 0);
    } while (count < 0 && errno == EINTR);

    if (count > 0) {
        received(QByteArrayView(buffer, count));
    } else if (count == 0) {
        peerFinishedSending();
    } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
        qCDebug(lcApi) << "Connection error:" << qt_error_string(errno);
        close();
    }
}

void HTTPConnection::received(QByteArrayView bytes)
{
    if (m_finished) {
        return; // bytes after the one request are ignored
    }
    m_parser.append(bytes);
    HTTPRequestParser::State state = m_parser.parse();
    if (state.complete()) {
        m_finished = true;
        serve(this, m_handler, std::move(state.request), m_clientGone.token());
    } else if (state.failed()) {
        m_finished = true;
        qCDebug(lcApi).noquote() << "Refused a request:" << state.error.message;
        respond(HTTPResponse::error(state.error));
    }
}

void HTTPConnection::peerFinishedSending()
{
    m_peerDone = true;
    m_readNotifier->setEnabled(false);
    // Half a request that can no longer be completed gets no answer. A complete one is still answered, should
    // the client have closed only its sending side; but its handler learns that the client has most likely gone.
    // A stream's client that closes is gone.
    if (!m_finished || m_sent || m_stream) {
        close();
        return;
    }
    if (!m_responding) {
        m_clientGone.cancel(); // last: it may resume the handler at once
    }
}

void HTTPConnection::timedOut()
{
    if (m_closed) {
        return;
    }
    if (!m_finished) {
        m_finished = true;
        qCDebug(lcApi) << "A request did not arrive in time";
        respond(HTTPResponse::error(requestTimeoutError()));
    } else if (m_responding) {
        // The client neither takes its answer nor closes; it may not hold the connection forever.
        cancel();
    }
}

void HTTPConnection::respond(const HTTPResponse &response)
{
    if (m_closed || m_responding) {
        if (response.stream) {
            response.stream->abandon();
        }
        return;
    }
    m_responding = true;
    m_output = response.serialized();
    if (response.stream) {
        // A stream lasts as long as its client reads; a client that stops reading is dropped by the stream.
        m_timer.stop();
        m_stream = response.stream;
        connect(m_stream.get(), &ResponseStream::changed, this, &HTTPConnection::streamChanged);
    } else {
        // The same time again for the answer to drain and the client to close.
        armTimer();
    }
    writePending();
}

void HTTPConnection::streamChanged()
{
    if (m_stream->isDropped()) {
        close();
        return;
    }
    // While the socket is full the write notifier resumes sending.
    if (!m_writeNotifier || !m_writeNotifier->isEnabled()) {
        writePending();
    }
}

void HTTPConnection::writePending()
{
    for (;;) {
        const bool head = m_written < m_output.size();
        const QByteArrayView next = head ? QByteArrayView(m_output).sliced(m_written)
            : m_stream                   ? m_stream->unsent()
                                         : QByteArrayView();
        if (next.isEmpty()) {
            break;
        }
        const ssize_t count = ::send(m_descriptor, next.data(), static_cast<size_t>(next.size()), MSG_NOSIGNAL);
        if (count >= 0) {
            if (head) {
                m_written += count;
            } else {
                m_stream->consumed(count);
            }
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!m_writeNotifier) {
                m_writeNotifier = new QSocketNotifier(m_descriptor, QSocketNotifier::Write, this);
                connect(m_writeNotifier, &QSocketNotifier::activated, this, &HTTPConnection::writePending);
            }
            m_writeNotifier->setEnabled(true);
            return;
        }
        qCDebug(lcApi) << "Couldn't send a response:" << qt_error_string(errno);
        close();
        return;
    }
    if (m_writeNotifier) {
        m_writeNotifier->setEnabled(false);
    }
    if (m_stream) {
        if (m_stream->isDropped()) {
            close();
            return;
        }
        if (!m_stream->isEnded()) {
            return; // more comes when the producer has it
        }
        // The time for the client to close, as after any answer.
        armTimer();
    }
    m_sent = true;
    m_output.clear();
    // End our side, then wait for the client to end its own: closing while its bytes are still unread would
    // reset the connection and could destroy the answer before the client has read it.
    ::shutdown(m_descriptor, SHUT_WR);
    if (m_peerDone) {
        close();
    }
}

void HTTPConnection::cancel()
{
    if (m_closed) {
        return;
    }
    close();
}

void HTTPConnection::close()
{
    if (m_closed) {
        return;
    }
    m_closed = true;
    m_timer.stop();
    m_registry->remove(this);
    if (m_stream) {
        disconnect(m_stream.get(), nullptr, this, nullptr);
        m_stream->abandon();
    }
    // Notifiers must go before their descriptor does.
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    ::close(m_descriptor);
    m_descriptor = -1;
    deleteLater();
    // Last: the handler may resume at once and find this connection closed.
    m_clientGone.cancel();
}

} // namespace amplora::api
