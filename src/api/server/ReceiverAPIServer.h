#pragma once

#include "api/auth/KeychainError.h"
#include "api/auth/TokenAuthenticator.h"
#include "api/router/APIRouter.h"
#include "api/server/HTTPConnection.h"
#include "api/server/ReceiverAPIConfiguration.h"
#include "api/server/ServerError.h"

#include "base/Clock.h"
#include "base/Result.h"

#include <QCoroTask>
#include <QHostAddress>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace amplora::api {

class APITokenStore;
class ConnectionRegistry;
class ReceiverControl;
class InputProfileService;
class SceneService;
class SceneStore;
class StatusEvents;
class TCPListener;
class TokenKeeper;

// The local control API's entry point: the listening socket, the token authenticator and the open
// connections. It lives on the thread that creates it (the main thread) and never blocks it: sockets are
// event-driven and each request is handled in its own coroutine.
class ReceiverAPIServer final : public QObject {
    Q_OBJECT

public:
    // Builds the request handler for one run of the listener, around the server's authenticator.
    using HandlerFactory = std::function<RequestHandler(std::shared_ptr<TokenAuthenticator>)>;
    // How long accepting pauses after the system refused a connection (out of descriptors, for instance).
    static constexpr std::chrono::milliseconds kAcceptRetryDelay { 500 };

    // The server of the application: requests go to an APIRouter over `control` and `scenes`, the scene service
    // the application's other doors share. Every time the server keeps (event pacing, keep-alives, the volume
    // rate window, the pause after a failed accept) comes from `clock`, which must outlive the server.
    ReceiverAPIServer(ReceiverAPIConfiguration configuration, std::shared_ptr<ReceiverControl> control,
        std::shared_ptr<APITokenStore> tokenStore, std::shared_ptr<SceneService> scenes, Clock &clock = Clock::system(),
        QObject *parent = nullptr);
    // A server with a scene service of its own over `sceneStore` (the scenes file at its default place when none
    // is given).
    ReceiverAPIServer(ReceiverAPIConfiguration configuration, const std::shared_ptr<ReceiverControl> &control,
        std::shared_ptr<APITokenStore> tokenStore, std::shared_ptr<SceneStore> sceneStore = nullptr,
        Clock &clock = Clock::system(), QObject *parent = nullptr);
    // A server whose requests go to whatever handler `handlerFactory` builds for each run of the listener.
    ReceiverAPIServer(ReceiverAPIConfiguration configuration, std::shared_ptr<APITokenStore> tokenStore,
        HandlerFactory handlerFactory, Clock &clock = Clock::system(), QObject *parent = nullptr);
    ~ReceiverAPIServer() override;

    const ReceiverAPIConfiguration &configuration() const { return m_configuration; }
    // The bound port while running.
    std::optional<quint16> port() const { return m_port; }
    bool isRunning() const { return m_port.has_value(); }
    qsizetype openConnectionCount() const;
    // The subscribers of GET /api/v1/events; the application publishes each zone's status to it.
    StatusEvents &statusEvents() const { return *m_events; }

    // Loads or creates the token, then listens; the bound port once the listener is ready.
    QCoro::Task<Result<quint16, ServerError>> start();
    QCoro::Task<Result<quint16, ServerError>> start(quint16 port, bool localhostOnly);
    // Stops listening and drops every open connection, event streams included.
    void stop();

    // The stored token, created and stored first when there is none.
    QCoro::Task<Result<QString, KeychainError>> currentToken();
    // A fresh token, stored and then made the only accepted one; every event stream opened under the old one
    // ends.
    QCoro::Task<Result<QString, KeychainError>> regenerateToken();

    // The scenes behind the scene endpoints; none for a server built with a handler factory.
    const std::shared_ptr<SceneService> &scenes() const { return m_scenes; }

    // Offers the input-profile endpoints from the next start on; none: they are not found.
    void setInputProfiles(std::shared_ptr<InputProfileService> profiles) { m_profiles = std::move(profiles); }

    // 127.0.0.0/8, ::1 and their IPv4-mapped form.
    static bool isLoopback(const QHostAddress &address);

private:
    // Serves one accepted socket, or closes it at once: from outside while only loopback is allowed, or beyond
    // the connection cap.
    void accept(int descriptor, const QHostAddress &peer);
    void noteRefusedOverCapacity();
    // The listener paused after accept() failed; it tries again after kAcceptRetryDelay.
    void acceptFailed(int error);
    APIRouter makeRouter() const;

    std::shared_ptr<ReceiverControl> m_control;
    std::shared_ptr<SceneService> m_scenes;
    std::shared_ptr<InputProfileService> m_profiles;
    ReceiverAPIConfiguration m_configuration;
    HandlerFactory m_handlerFactory;
    std::shared_ptr<TokenAuthenticator> m_authenticator;
    std::shared_ptr<TokenKeeper> m_tokens;
    std::shared_ptr<StatusEvents> m_events;
    std::shared_ptr<const RequestHandler> m_handler;
    std::shared_ptr<ConnectionRegistry> m_connections;
    TCPListener *m_listener = nullptr;
    std::optional<quint16> m_port;
    Clock &m_clock;
    bool m_acceptFailing = false; // logged once until a connection is accepted again
    qint64 m_refusedOverCapacity = 0; // since the last log line about it
    std::optional<Clock::TimePoint> m_overCapacityLogged;
    bool m_starting = false;
    quint64 m_generation = 0; // bumped by stop(), so a start that was waiting for the token store gives up
};

} // namespace amplora::api
