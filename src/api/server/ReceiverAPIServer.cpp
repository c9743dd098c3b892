#include "api/server/ReceiverAPIServer.h"

#include "api/Logging.h"
#include "api/auth/APIToken.h"
#include "api/auth/APITokenStore.h"
#include "api/matching/VolumeRateLimiter.h"
#include "api/scenes/FileSceneStore.h"
#include "api/server/ConnectionRegistry.h"

#include <QPointer>
#include <QTcpServer>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>

namespace amplora::api {

namespace {

// Many clients may connect at once (load tests, a burst of automations); the kernel's queue must hold them.
constexpr int kListenBacklog = 1024;

std::chrono::milliseconds timeoutOf(const ReceiverAPIConfiguration &configuration)
{
    const double seconds = std::isfinite(configuration.requestTimeoutSeconds)
        ? std::clamp(configuration.requestTimeoutSeconds, 0.001, 86400.0)
        : 10.0;
    return std::chrono::milliseconds(static_cast<qint64>(std::llround(seconds * 1000.0)));
}

// Hands each accepted socket over as it is; the server wraps it itself (see HTTPConnection).
class Listener final : public QTcpServer {
public:
    Listener(std::function<void(qintptr)> accept, QObject *parent)
        : QTcpServer(parent)
        , m_accept(std::move(accept))
    { }

protected:
    void incomingConnection(qintptr descriptor) override { m_accept(descriptor); }

private:
    std::function<void(qintptr)> m_accept;
};

std::shared_ptr<SceneStore> defaultSceneStore()
{
    auto path = FileSceneStore::defaultFilePath();
    if (!path) {
        // Every scene call will then report this folder problem to its caller.
        qCWarning(lcApi).noquote() << "No place for the scenes file:" << path.error().description();
        return std::make_shared<FileSceneStore>(QString());
    }
    return std::make_shared<FileSceneStore>(path.value());
}

// Keeps the router (and so its collaborators) alive until its answer is ready, whatever happens to the server.
QCoro::Task<HTTPResponse> routed(APIRouter router, HTTPRequest request)
{
    co_return co_await router.handle(std::move(request));
}

const APIError &noControl()
{
    static const APIError error { 500, QStringLiteral("scene_store_error"),
        QStringLiteral("Couldn't read or write scenes: this server has no receiver control."), {}, {}, {} };
    return error;
}

} // namespace

ReceiverAPIServer::ReceiverAPIServer(ReceiverAPIConfiguration configuration, std::shared_ptr<ReceiverControl> control,
    std::shared_ptr<APITokenStore> tokenStore, std::shared_ptr<SceneStore> sceneStore, QObject *parent)
    : ReceiverAPIServer(configuration, std::move(tokenStore), HandlerFactory(), parent)
{
    m_control = std::move(control);
    m_sceneStore = sceneStore ? std::move(sceneStore) : defaultSceneStore();
    m_handlerFactory = [this](std::shared_ptr<TokenAuthenticator>) -> RequestHandler {
        // One router (and one rate limiter) per run of the listener, shared by its connections.
        return [router = makeRouter()](HTTPRequest request) { return routed(router, std::move(request)); };
    };
}

ReceiverAPIServer::ReceiverAPIServer(ReceiverAPIConfiguration configuration, std::shared_ptr<APITokenStore> tokenStore,
    HandlerFactory handlerFactory, QObject *parent)
    : QObject(parent)
    , m_configuration(configuration)
    , m_tokenStore(std::move(tokenStore))
    , m_handlerFactory(std::move(handlerFactory))
    , m_authenticator(std::make_shared<TokenAuthenticator>())
{ }

ReceiverAPIServer::~ReceiverAPIServer()
{
    stop();
}

APIRouter ReceiverAPIServer::makeRouter() const
{
    return APIRouter(m_control, m_sceneStore, m_configuration, m_authenticator,
        std::make_shared<VolumeRateLimiter>(
            m_configuration.volumeChangesPerWindow, m_configuration.volumeRateWindowSeconds));
}

QCoro::Task<Result<QList<ReceiverScene>, APIError>> ReceiverAPIServer::listScenes()
{
    if (!m_control)
        co_return Failure { noControl() };
    const APIRouter router = makeRouter();
    co_return co_await router.listScenes();
}

QCoro::Task<Result<bool, APIError>> ReceiverAPIServer::saveScene(ReceiverScene scene)
{
    if (!m_control)
        co_return Failure { noControl() };
    const APIRouter router = makeRouter();
    auto saved = co_await router.saveScene(std::move(scene));
    if (!saved)
        co_return Failure { saved.error() };
    co_return saved.value().created;
}

QCoro::Task<Result<bool, APIError>> ReceiverAPIServer::deleteScene(QString name)
{
    if (!m_control)
        co_return Failure { noControl() };
    const APIRouter router = makeRouter();
    co_return co_await router.deleteScene(std::move(name));
}

QCoro::Task<Result<SceneRunResult, APIError>> ReceiverAPIServer::runScene(QString name, Zone zone)
{
    if (!m_control)
        co_return Failure { noControl() };
    const APIRouter router = makeRouter();
    co_return co_await router.runScene(std::move(name), zone);
}

qsizetype ReceiverAPIServer::openConnectionCount() const
{
    return m_connections ? m_connections->count() : 0;
}

bool ReceiverAPIServer::isLoopback(const QHostAddress &address)
{
    if (address.isNull())
        return false;
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4); // also unwraps ::ffff:a.b.c.d
    if (isIPv4)
        return (ipv4 >> 24) == 127;
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return address.isEqual(QHostAddress::LocalHostIPv6, QHostAddress::StrictConversion);
    return false;
}

QCoro::Task<Result<quint16, ServerError>> ReceiverAPIServer::start(quint16 port, bool localhostOnly)
{
    if (m_listener || m_starting)
        co_return Failure { ServerError::alreadyRunning() };
    m_configuration.port = port;
    m_configuration.localhostOnly = localhostOnly;
    co_return co_await start();
}

QCoro::Task<Result<quint16, ServerError>> ReceiverAPIServer::start()
{
    if (m_listener || m_starting)
        co_return Failure { ServerError::alreadyRunning() };
    m_starting = true;
    const quint64 generation = m_generation;
    QPointer<ReceiverAPIServer> self(this);

    const std::shared_ptr<APITokenStore> store = m_tokenStore;
    auto token = co_await store->loadOrCreate();
    if (!self)
        co_return Failure { ServerError::listenerFailed(QStringLiteral("cancelled")) };
    m_starting = false;
    if (!token)
        co_return Failure { ServerError::tokenStore(token.error()) };
    if (generation != m_generation)
        co_return Failure { ServerError::listenerFailed(QStringLiteral("cancelled")) };
    m_authenticator->setToken(token.value());

    auto *listener = new Listener([this](qintptr descriptor) { accept(descriptor); }, this);
    listener->setListenBacklogSize(kListenBacklog);
    const QHostAddress address
        = m_configuration.localhostOnly ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(QHostAddress::Any);
    if (!listener->listen(address, m_configuration.port)) {
        const QString description = listener->errorString();
        delete listener;
        qCWarning(lcApi).noquote() << "Couldn't listen on port" << m_configuration.port << ":" << description;
        co_return Failure { ServerError::listenerFailed(description) };
    }
    m_listener = listener;
    m_connections = std::make_shared<ConnectionRegistry>();
    m_handler = std::make_shared<const RequestHandler>(m_handlerFactory(m_authenticator));
    m_port = listener->serverPort();
    qCInfo(lcApi) << "Listening on" << address.toString() << "port" << *m_port;
    co_return *m_port;
}

void ReceiverAPIServer::stop()
{
    ++m_generation;
    if (m_listener) {
        m_listener->disconnect(this);
        m_listener->close();
        m_listener->deleteLater();
        m_listener = nullptr;
        qCInfo(lcApi) << "Stopped listening";
    }
    m_port.reset();
    if (m_connections) {
        m_connections->cancelAll();
        m_connections.reset();
    }
    m_handler.reset();
}

void ReceiverAPIServer::accept(qintptr descriptor)
{
    const int fd = static_cast<int>(descriptor);
    sockaddr_storage peer {};
    socklen_t peerLength = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &peerLength) != 0) {
        qCDebug(lcApi) << "A connection went away before it was served:" << qt_error_string(errno);
        ::close(fd);
        return;
    }
    const QHostAddress peerAddress(reinterpret_cast<const sockaddr *>(&peer));
    if (!m_connections || (m_configuration.localhostOnly && !isLoopback(peerAddress))) {
        if (m_connections) {
            qCWarning(lcApi).noquote() << "Dropped a connection from" << peerAddress.toString()
                                       << "(only this machine may connect)";
        }
        ::close(fd);
        return;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        qCWarning(lcApi) << "Couldn't make a connection non-blocking:" << qt_error_string(errno);
        ::close(fd);
        return;
    }
    const HTTPConnection::Settings settings {
        { HTTPRequestParser::kDefaultMaxHeaderBytes, m_configuration.maxBodyBytes },
        timeoutOf(m_configuration),
    };
    auto *connection = new HTTPConnection(fd, m_handler, settings, m_connections);
    connection->start();
}

QCoro::Task<Result<QString, KeychainError>> ReceiverAPIServer::currentToken()
{
    // The store stays alive for the whole wait even if the server goes away meanwhile.
    const std::shared_ptr<APITokenStore> store = m_tokenStore;
    co_return co_await store->loadOrCreate();
}

QCoro::Task<Result<QString, KeychainError>> ReceiverAPIServer::regenerateToken()
{
    const std::shared_ptr<TokenAuthenticator> authenticator = m_authenticator;
    const std::shared_ptr<APITokenStore> store = m_tokenStore;
    QString token = APIToken::generate();
    auto saved = co_await store->save(token);
    if (!saved)
        co_return Failure { saved.error() };
    authenticator->setToken(token);
    qCInfo(lcApi) << "The API token was regenerated; the previous one no longer works";
    co_return token;
}

} // namespace amplora::api
