#include "app/controller/APIController.h"

#include "api/Logging.h"
#include "api/auth/InMemoryTokenStore.h"
#include "api/auth/SecretTokenStore.h"
#include "api/control/ReceiverControl.h"
#include "api/router/RouterErrors.h"
#include "api/scenes/SceneService.h"
#include "api/server/ReceiverAPIServer.h"
#include "app/controller/StatusEventFeed.h"
#include "base/Clock.h"
#include "core/store/AppSettings.h"
#include "core/store/LaunchOptions.h"
#include "core/store/ReceiverStore.h"

#include <QCoreApplication>
#include <QSettings>

namespace amplora::app {

namespace {

const QString enabledKey = QStringLiteral("apiEnabled");
const QString portKey = QStringLiteral("apiPort");
const QString localhostOnlyKey = QStringLiteral("apiLocalhostOnly");
const QString mockTokenKey = QStringLiteral("apiMockToken");

// A stored value of the wrong type reads as the default, as the other settings do. The settings file keeps
// every value as text, so "true"/"false" and decimal digits are what a Boolean and a number look like there.
bool readBool(const QSettings &defaults, const QString &key, bool fallback)
{
    const QVariant value = defaults.value(key);
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    const QString text = value.toString().trimmed().toLower();
    if (text == QStringLiteral("true")) {
        return true;
    }
    if (text == QStringLiteral("false")) {
        return false;
    }
    return fallback;
}

int readInt(const QSettings &defaults, const QString &key, int fallback)
{
    const QVariant value = defaults.value(key);
    if (!value.isValid()) {
        return fallback;
    }
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : fallback;
}

} // namespace

QString APIController::State::description() const
{
    switch (kind) {
    case Kind::off:
        return QStringLiteral("off");
    case Kind::starting:
        return QStringLiteral("starting");
    case Kind::running:
        return QStringLiteral("running at ") + detail;
    case Kind::failed:
        return QStringLiteral("failed: ") + detail;
    }
    return {};
}

QString APIController::State::statusLine() const
{
    switch (kind) {
    case Kind::off:
        return QCoreApplication::translate("amplora::app::APIController", "API off", "the local API's state");
    case Kind::starting:
        return QCoreApplication::translate(
            "amplora::app::APIController", "API starting\u2026", "the local API's state");
    case Kind::running:
        //: %1 is the API's base URL.
        return QCoreApplication::translate("amplora::app::APIController", "API running at %1").arg(detail);
    case Kind::failed:
        // The reason stays as the log carries it.
        return QCoreApplication::translate("amplora::app::APIController", "API error: %1").arg(detail);
    }
    return {};
}

APIController::APIController(QSettings &defaults, Parts parts, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_control(std::move(parts.control))
    , m_sceneService(std::move(parts.scenes))
    , m_server(std::make_unique<api::ReceiverAPIServer>(
          api::ReceiverAPIConfiguration {}, m_control, std::move(parts.tokenStore), m_sceneService))
    , m_keepTokenInSettings(parts.keepTokenInSettings)
    , m_clock(parts.clock ? *parts.clock : Clock::system())
{
    m_server->setInputProfiles(std::move(parts.profiles));
    if (parts.store) {
        m_feed = std::make_unique<StatusEventFeed>(*parts.store, m_server->statusEvents());
    }
    m_enabled = readBool(m_defaults, enabledKey, false);
    m_port = readInt(m_defaults, portKey, defaultPort);
    m_localhostOnly = readBool(m_defaults, localhostOnlyKey, true);
}

APIController::~APIController()
{
    m_feed.reset();
    m_server->stop();
}

std::unique_ptr<APIController> APIController::create(ReceiverStore &store, const LaunchOptions &launch,
    std::shared_ptr<api::ReceiverControl> control, std::shared_ptr<api::SceneService> scenes,
    std::shared_ptr<api::InputProfileService> profiles)
{
    QSettings &defaults = store.settings().defaults();
    Parts parts;
    parts.control = std::move(control);
    parts.scenes = std::move(scenes);
    parts.profiles = std::move(profiles);
    parts.store = &store;
    if (launch.mock) {
        const QString seed = defaults.value(mockTokenKey).toString();
        parts.tokenStore
            = std::make_shared<api::InMemoryTokenStore>(seed.isEmpty() ? std::nullopt : std::optional<QString>(seed));
        parts.keepTokenInSettings = true;
    } else {
        parts.tokenStore = std::make_shared<api::SecretTokenStore>();
    }
    return std::make_unique<APIController>(defaults, std::move(parts));
}

void APIController::write(const QString &key, const QVariant &value)
{
    m_defaults.setValue(key, value);
    AppSettings::saveToDisk(m_defaults);
}

void APIController::setEnabled(bool enabled)
{
    if (m_enabled == enabled) {
        return;
    }
    m_enabled = enabled;
    write(enabledKey, enabled);
    Q_EMIT enabledChanged();
    settingChanged();
}

void APIController::setPort(int port)
{
    if (m_port == port) {
        return;
    }
    m_port = port;
    write(portKey, port);
    Q_EMIT portChanged();
    settingChanged();
}

void APIController::setLocalhostOnly(bool localhostOnly)
{
    if (m_localhostOnly == localhostOnly) {
        return;
    }
    m_localhostOnly = localhostOnly;
    write(localhostOnlyKey, localhostOnly);
    Q_EMIT localhostOnlyChanged();
    settingChanged();
}

void APIController::enableForThisRun()
{
    m_enabledForThisRun = true;
}

void APIController::settingChanged()
{
    m_tokenFailures = 0;
    apply();
}

std::chrono::seconds APIController::tokenRetryDelay(int failures)
{
    constexpr std::chrono::seconds first { 10 };
    constexpr std::chrono::seconds longest { 300 };
    std::chrono::seconds delay = first;
    for (int n = 0; n < failures && delay < longest; ++n) {
        delay *= 2;
    }
    return std::min(delay, longest);
}

void APIController::retryLater(const QString &why)
{
    const std::chrono::seconds delay = tokenRetryDelay(m_tokenFailures++);
    const QString sentence = why.endsWith(u'.') ? why : why + u'.';
    setState(State::failed(QStringLiteral("%1 Trying again in %2 s.").arg(sentence).arg(delay.count()), true));
    const quint64 generation = m_retryGeneration;
    m_clock.callAfter(delay, this, [this, generation] {
        if (generation == m_retryGeneration) {
            apply();
        }
    });
}

QString APIController::baseURL() const
{
    const auto bound = m_server->port();
    if (!bound) {
        return {};
    }
    return QStringLiteral("http://127.0.0.1:%1/api/v1").arg(*bound);
}

QStringList APIController::sceneNames() const
{
    QStringList names;
    for (const auto &scene : m_scenes) {
        names.append(scene.name);
    }
    return names;
}

void APIController::setState(State state)
{
    if (m_state == state) {
        return;
    }
    m_state = std::move(state);
    qCInfo(lcApi).noquote() << "API state:" << m_state.description();
    Q_EMIT stateChanged();
}

QCoro::Task<> APIController::apply()
{
    if (!m_applying.begin()) {
        co_return;
    }
    QPointer<APIController> self(this);
    do {
        co_await applyOnce();
        if (!self) {
            co_return;
        }
    } while (m_applying.another());
}

QCoro::Task<> APIController::applyOnce()
{
    ++m_retryGeneration;
    m_server->stop();
    if (!m_enabled && !m_enabledForThisRun) {
        setState(State::off());
        co_return;
    }
    if (m_port < 1 || m_port > 65535) {
        setState(State::failed(QStringLiteral("Port must be between 1 and 65535.")));
        co_return;
    }
    setState(State::starting());
    QPointer<APIController> self(this);
    const auto started = co_await m_server->start(static_cast<quint16>(m_port), m_localhostOnly);
    if (!self) {
        co_return;
    }
    if (!started) {
        const api::ServerError &error = started.error();
        switch (error.kind()) {
        case api::ServerError::Kind::ListenerFailed:
            setState(State::failed(QStringLiteral("Couldn't listen: ") + error.platformDescription()));
            break;
        case api::ServerError::Kind::AlreadyRunning:
            setState(State::failed(QStringLiteral("The API is already running.")));
            break;
        case api::ServerError::Kind::TokenStore:
            // The Secret Service may be locked or slow for now; the token it keeps must not be replaced, so
            // the server waits for it.
            retryLater(error.description());
            break;
        }
        co_return;
    }
    m_tokenFailures = 0;
    setState(State::running(baseURL()));
    // The token shown is the one the server accepts, also after a failure the settings window showed.
    if (m_keepTokenInSettings || m_tokenError) {
        co_await loadToken();
    }
}

void APIController::stop()
{
    m_applying.stop();
    ++m_retryGeneration;
    m_tokenFailures = 0;
    m_server->stop();
    setState(State::off());
}

void APIController::setToken(const QString &token)
{
    if (m_keepTokenInSettings && m_defaults.value(mockTokenKey).toString() != token) {
        write(mockTokenKey, token);
    }
    if (m_token == token) {
        return;
    }
    m_token = token;
    Q_EMIT tokenChanged();
}

void APIController::setTokenError(std::optional<QString> error)
{
    if (m_tokenError == error) {
        return;
    }
    m_tokenError = std::move(error);
    Q_EMIT tokenErrorChanged();
}

void APIController::setSceneMessage(std::optional<QString> message)
{
    if (m_sceneMessage == message) {
        return;
    }
    m_sceneMessage = std::move(message);
    Q_EMIT sceneMessageChanged();
}

QCoro::Task<> APIController::loadToken()
{
    co_await takeToken(m_server->currentToken());
}

QCoro::Task<> APIController::regenerateToken()
{
    co_await takeToken(m_server->regenerateToken());
}

QCoro::Task<> APIController::takeToken(QCoro::Task<Result<QString, api::KeychainError>> request)
{
    QPointer<APIController> self(this);
    const auto token = co_await std::move(request);
    if (!self) {
        co_return;
    }
    if (!token) {
        // The token shown stays as it was: it is still the one the server accepts.
        setTokenError(token.error().description());
        co_return;
    }
    setTokenError(std::nullopt);
    setToken(token.value());
}

QCoro::Task<> APIController::refreshScenes()
{
    QPointer<APIController> self(this);
    const std::shared_ptr<api::SceneService> service = m_sceneService;
    auto scenes = co_await service->list();
    if (!self) {
        co_return;
    }
    if (!scenes) {
        setSceneMessage(scenes.error().description());
        co_return;
    }
    if (m_scenes != scenes.value()) {
        m_scenes = std::move(scenes).value();
        Q_EMIT scenesChanged();
    }
}

QCoro::Task<bool> APIController::saveScene(api::ReceiverScene scene)
{
    QPointer<APIController> self(this);
    const QString name = scene.name;
    const std::shared_ptr<api::SceneService> service = m_sceneService;
    const auto saved = co_await service->save(std::move(scene));
    if (!self) {
        co_return false;
    }
    if (!saved) {
        setSceneMessage(saved.error().description());
        co_return false;
    }
    setSceneMessage(tr("Saved %1.", "a scene was saved").arg(name));
    co_await refreshScenes();
    co_return true;
}

QCoro::Task<> APIController::runScene(QString name)
{
    QPointer<APIController> self(this);
    const std::shared_ptr<api::SceneService> service = m_sceneService;
    const auto ran = co_await service->run(name, api::Zone::main);
    if (!self) {
        co_return;
    }
    if (!ran) {
        setSceneMessage(ran.error().description());
        co_return;
    }
    // The applied settings are named by their API fields.
    //: %1 is the scene, %2 the settings it applied.
    setSceneMessage(tr("Ran %1: %2.", "a scene was run").arg(ran->scene, ran->applied.join(QStringLiteral(", "))));
}

QCoro::Task<> APIController::deleteScene(QString name)
{
    QPointer<APIController> self(this);
    const std::shared_ptr<api::SceneService> service = m_sceneService;
    const auto deleted = co_await service->remove(name);
    if (!self) {
        co_return;
    }
    if (!deleted) {
        setSceneMessage(deleted.error().description());
        co_return;
    }
    if (!deleted.value()) {
        setSceneMessage(api::RouterErrors::sceneNotFound(name).message);
        co_return;
    }
    setSceneMessage(tr("Deleted %1.", "a scene was deleted").arg(name));
    co_await refreshScenes();
}

} // namespace amplora::app
