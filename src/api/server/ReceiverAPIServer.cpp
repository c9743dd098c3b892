#include "api/server/ReceiverAPIServer.h"

#include "api/Logging.h"
#include "api/auth/TokenKeeper.h"
#include "api/matching/VolumeRateLimiter.h"
#include "api/scenes/FileSceneStore.h"
#include "api/scenes/SceneService.h"
#include "api/server/ConnectionRegistry.h"
#include "api/server/StatusEvents.h"
#include "api/server/TCPListener.h"

#include <QPointer>

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
QCoro::Task<HTTPResponse> routed(APIRouter router, HTTPRequest request, Cancellation cancel)
{
    co_return co_await router.handle(std::move(request), std::move(cancel));
}

} // namespace

ReceiverAPIServer::ReceiverAPIServer(ReceiverAPIConfiguration configuration,
    const std::shared_ptr<ReceiverControl> &control, std::shared_ptr<APITokenStore> tokenStore,
    std::shared_ptr<SceneStore> sceneStore, Clock &clock, QObject *parent)
    : ReceiverAPIServer(configuration, control, std::move(tokenStore),
        std::make_shared<SceneService>(
            control, sceneStore ? std::move(sceneStore) : defaultSceneStore(), configuration),
        clock, parent)
{ }

ReceiverAPIServer::ReceiverAPIServer(ReceiverAPIConfiguration configuration, std::shared_ptr<ReceiverControl> control,
    std::shared_ptr<APITokenStore> tokenStore, std::shared_ptr<SceneService> scenes, Clock &clock, QObject *parent)
    : ReceiverAPIServer(configuration, std::move(tokenStore), HandlerFactory(), clock, parent)
{
    m_control = std::move(control);
    m_scenes = std::move(scenes);
    m_handlerFactory = [this](const std::shared_ptr<TokenAuthenticator> &) -> RequestHandler {
        // One router (and one rate limiter) per run of the listener, shared by its connections.
        return [router = makeRouter()](HTTPRequest request, Cancellation cancel) {
            return routed(router, std::move(request), std::move(cancel));
        };
    };
}

ReceiverAPIServer::ReceiverAPIServer(ReceiverAPIConfiguration configuration, std::shared_ptr<APITokenStore> tokenStore,
    HandlerFactory handlerFactory, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_configuration(configuration)
    , m_handlerFactory(std::move(handlerFactory))
    , m_authenticator(std::make_shared<TokenAuthenticator>())
    , m_tokens(std::make_shared<TokenKeeper>(std::move(tokenStore), m_authenticator))
    , m_events(std::make_shared<StatusEvents>(clock))
    , m_clock(clock)
{ }

ReceiverAPIServer::~ReceiverAPIServer()
{
    stop();
}

APIRouter ReceiverAPIServer::makeRouter() const
{
    APIRouter router(m_control, m_scenes, m_configuration, m_authenticator,
        std::make_shared<VolumeRateLimiter>(
            m_configuration.volumeChangesPerWindow, m_configuration.volumeRateWindowSeconds, m_clock),
        m_events);
    router.setInputProfiles(m_profiles);
    return router;
}

qsizetype ReceiverAPIServer::openConnectionCount() const
{
    return m_connections ? m_connections->count() : 0;
}

bool ReceiverAPIServer::isLoopback(const QHostAddress &address)
{
    if (address.isNull()) {
        return false;
    }
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4); // also unwraps ::ffff:a.b.c.d
    if (isIPv4) {
        return (ipv4 >> 24) == 127;
    }
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        return address.isEqual(QHostAddress::LocalHostIPv6, QHostAddress::StrictConversion);
    }
    return false;
}

QCoro::Task<Result<quint16, ServerError>> ReceiverAPIServer::start(quint16 port, bool localhostOnly)
{
    if (m_listener || m_starting) {
        co_return Failure { ServerError::alreadyRunning() };
    }
    m_configuration.port = port;
    m_configuration.localhostOnly = localhostOnly;
    co_return co_await start();
}

QCoro::Task<Result<quint16, ServerError>> ReceiverAPIServer::start()
{
    if (m_listener || m_starting) {
        co_return Failure { ServerError::alreadyRunning() };
    }
    m_starting = true;
    const quint64 generation = m_generation;
    QPointer<ReceiverAPIServer> self(this);

    // The keeper hands the token to the authenticator itself, in turn with any regeneration.
    const std::shared_ptr<TokenKeeper> tokens = m_tokens;
    auto token = co_await tokens->current();
    if (!self) {
        co_return Failure { ServerError::listenerFailed(QStringLiteral("cancelled")) };
    }
    m_starting = false;
    if (!token) {
        co_return Failure { ServerError::tokenStore(token.error()) };
    }
    if (generation != m_generation) {
        co_return Failure { ServerError::listenerFailed(QStringLiteral("cancelled")) };
    }

    const QHostAddress address
        = m_configuration.localhostOnly ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(QHostAddress::Any);
    auto listener = TCPListener::listen(
        address, m_configuration.port, kListenBacklog,
        [this](int descriptor, const QHostAddress &peer) { accept(descriptor, peer); },
        [this](int error) { acceptFailed(error); }, this);
    if (!listener) {
        qCWarning(lcApi).noquote() << "Couldn't listen on port" << m_configuration.port << ":" << listener.error();
        co_return Failure { ServerError::listenerFailed(listener.error()) };
    }
    m_listener = listener.value();
    m_connections = std::make_shared<ConnectionRegistry>();
    m_handler = std::make_shared<const RequestHandler>(m_handlerFactory(m_authenticator));
    m_port = m_listener->port();
    qCInfo(lcApi) << "Listening on" << address.toString() << "port" << *m_port;
    co_return *m_port;
}

void ReceiverAPIServer::stop()
{
    ++m_generation;
    if (m_listener) {
        // Closed at once, so the port is free for a start that follows; deleted later, as this may run from
        // one of its callbacks.
        m_listener->close();
        m_listener->deleteLater();
        m_listener = nullptr;
        m_acceptFailing = false;
        qCInfo(lcApi) << "Stopped listening";
    }
    m_port.reset();
    m_events->endAll();
    if (m_connections) {
        m_connections->cancelAll();
        m_connections.reset();
    }
    m_handler.reset();
}

void ReceiverAPIServer::accept(int descriptor, const QHostAddress &peer)
{
    if (m_acceptFailing) {
        m_acceptFailing = false;
        qCInfo(lcApi) << "Accepting connections again";
    }
    if (!m_connections) {
        ::close(descriptor);
        return;
    }
    if (m_configuration.localhostOnly && !isLoopback(peer)) {
        qCWarning(lcApi).noquote() << "Dropped a connection from" << peer.toString()
                                   << "(only this machine may connect)";
        ::close(descriptor);
        return;
    }
    if (m_connections->count() >= m_configuration.maxConnections) {
        ::close(descriptor);
        noteRefusedOverCapacity();
        return;
    }
    const HTTPConnection::Settings settings {
        { HTTPRequestParser::kDefaultMaxHeaderBytes, m_configuration.maxBodyBytes },
        timeoutOf(m_configuration),
    };
    auto *connection = new HTTPConnection(descriptor, m_handler, settings, m_connections);
    connection->start();
}

void ReceiverAPIServer::noteRefusedOverCapacity()
{
    // A flood would otherwise write one line per connection.
    ++m_refusedOverCapacity;
    const auto now = m_clock.now();
    if (!m_overCapacityLogged || now - *m_overCapacityLogged >= std::chrono::minutes(1)) {
        qCWarning(lcApi) << "Closed" << m_refusedOverCapacity
                         << "new connection(s) at once:" << m_configuration.maxConnections << "are open already";
        m_overCapacityLogged = now;
        m_refusedOverCapacity = 0;
    }
}

void ReceiverAPIServer::acceptFailed(int error)
{
    // Descriptors come back as connections close; until then the listener waits rather than spins.
    if (!m_acceptFailing) {
        m_acceptFailing = true;
        qCWarning(lcApi).noquote() << "Couldn't accept a connection:" << qt_error_string(error)
                                   << "(trying again shortly)";
    }
    m_clock.callAfter(kAcceptRetryDelay, m_listener, [listener = m_listener] { listener->resume(); });
}

QCoro::Task<Result<QString, KeychainError>> ReceiverAPIServer::currentToken()
{
    return m_tokens->current();
}

QCoro::Task<Result<QString, KeychainError>> ReceiverAPIServer::regenerateToken()
{
    // Both are held here, so the server may go while the token store works.
    const std::shared_ptr<TokenKeeper> tokens = m_tokens;
    const std::shared_ptr<StatusEvents> events = m_events;
    auto token = co_await tokens->regenerate();
    if (token) {
        events->endAll();
    }
    co_return token;
}

} // namespace amplora::api
