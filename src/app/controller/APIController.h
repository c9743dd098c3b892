#pragma once

#include "api/auth/KeychainError.h"
#include "api/scenes/ReceiverScene.h"
#include "base/Result.h"
#include "base/SingleFlight.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

class QSettings;

namespace amplora {
class Clock;
class ReceiverStore;
struct LaunchOptions;
} // namespace amplora

namespace amplora::api {
class APITokenStore;
class InputProfileService;
class ReceiverAPIServer;
class ReceiverControl;
class SceneService;
} // namespace amplora::api

namespace amplora::app {

class StatusEventFeed;

// Owns the local API server: keeps the user's API settings, brings the server in line with them, and offers
// the token and the scenes to the settings window. Lives on the main thread; every field changes there.
class APIController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)
    Q_PROPERTY(int port READ port WRITE setPort NOTIFY portChanged)
    Q_PROPERTY(bool localhostOnly READ localhostOnly WRITE setLocalhostOnly NOTIFY localhostOnlyChanged)
    Q_PROPERTY(QString statusLine READ statusLine NOTIFY stateChanged)
    Q_PROPERTY(QString baseURL READ baseURL NOTIFY stateChanged)
    Q_PROPERTY(QString token READ tokenText NOTIFY tokenChanged)
    Q_PROPERTY(QString tokenError READ tokenErrorText NOTIFY tokenErrorChanged)
    Q_PROPERTY(QStringList sceneNames READ sceneNames NOTIFY scenesChanged)
    Q_PROPERTY(QString sceneMessage READ sceneMessageText NOTIFY sceneMessageChanged)

public:
    static constexpr int defaultPort = 8765;

    struct State {
        enum class Kind { off, starting, running, failed };
        Kind kind = Kind::off;
        QString detail; // running: the base URL; failed: the message
        bool retrying = false; // failed: the controller tries again by itself

        static State off() { return {}; }
        static State starting() { return { Kind::starting, {} }; }
        static State running(QString url) { return { Kind::running, std::move(url) }; }
        static State failed(QString message, bool retrying = false)
        {
            return { Kind::failed, std::move(message), retrying };
        }

        // How the log names the state.
        QString description() const;
        // The one line the settings window and the log show.
        QString statusLine() const;

        friend bool operator==(const State &, const State &) = default;
    };

    // The collaborators; tests pass fakes.
    struct Parts {
        std::shared_ptr<api::ReceiverControl> control;
        std::shared_ptr<api::APITokenStore> tokenStore;
        std::shared_ptr<api::SceneService> scenes;
        std::shared_ptr<api::InputProfileService> profiles; // none: the API offers no input profiles
        // Mock mode: a token made at start is kept under "apiMockToken" so the next mock run takes it again.
        bool keepTokenInSettings = false;
        // When given, its changes reach the event subscribers; it must outlive the controller.
        ReceiverStore *store = nullptr;
        // Times the retries after a token store failure; the system clock when not given.
        Clock *clock = nullptr;
    };

    // How long the controller waits before it tries again to start after the n-th token store failure in a
    // row (counting from 0): a locked keyring or a stuck Secret Service may come good, a prompt should not
    // come back every few seconds.
    static std::chrono::seconds tokenRetryDelay(int failures);

    // `defaults` must outlive the controller.
    APIController(QSettings &defaults, Parts parts, QObject *parent = nullptr);
    ~APIController() override;

    // The controller of the application, over the control and the scenes every door shares: the store's
    // settings file holds the API keys; the Secret Service keeps the token (a private file when no Secret
    // Service answers), or in mock mode the in-memory token seeded from "apiMockToken".
    static std::unique_ptr<APIController> create(ReceiverStore &store, const LaunchOptions &launch,
        std::shared_ptr<api::ReceiverControl> control, std::shared_ptr<api::SceneService> scenes,
        std::shared_ptr<api::InputProfileService> profiles = nullptr);

    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int port() const { return m_port; }
    void setPort(int port);
    bool localhostOnly() const { return m_localhostOnly; }
    void setLocalhostOnly(bool localhostOnly);
    // Headless runs serve the API whatever "apiEnabled" says; nothing is written to the settings.
    void enableForThisRun();

    const State &state() const { return m_state; }
    QString statusLine() const { return m_state.statusLine(); }
    // http://127.0.0.1:<bound port>/api/v1 while running (always the loopback address); empty otherwise.
    QString baseURL() const;

    const std::optional<QString> &token() const { return m_token; }
    const std::optional<QString> &tokenError() const { return m_tokenError; }
    const QList<api::ReceiverScene> &scenes() const { return m_scenes; }
    QStringList sceneNames() const;
    const std::optional<QString> &sceneMessage() const { return m_sceneMessage; }

    api::ReceiverAPIServer &server() const { return *m_server; }
    const std::shared_ptr<api::ReceiverControl> &adapter() const { return m_control; }

    // Brings the server in line with the settings. Calls that arrive while one is running are folded into
    // one more pass after it, so the last settings always win.
    QCoro::Task<> apply();
    void stop();

    QCoro::Task<> loadToken();
    QCoro::Task<> regenerateToken();
    QCoro::Task<> refreshScenes();
    // True when the scene was stored; a failure is also put into sceneMessage.
    QCoro::Task<bool> saveScene(api::ReceiverScene scene);
    QCoro::Task<> runScene(QString name);
    QCoro::Task<> deleteScene(QString name);

    // Property adapters for QML.
    QString tokenText() const { return m_token.value_or(QString()); }
    QString tokenErrorText() const { return m_tokenError.value_or(QString()); }
    QString sceneMessageText() const { return m_sceneMessage.value_or(QString()); }

Q_SIGNALS:
    void enabledChanged();
    void portChanged();
    void localhostOnlyChanged();
    void stateChanged();
    void tokenChanged();
    void tokenErrorChanged();
    void scenesChanged();
    void sceneMessageChanged();

private:
    QCoro::Task<> applyOnce();
    void retryLater(const QString &why);
    QCoro::Task<> takeToken(QCoro::Task<Result<QString, api::KeychainError>> request);
    void setState(State state);
    void setToken(const QString &token);
    void setTokenError(std::optional<QString> error);
    void setSceneMessage(std::optional<QString> message);
    void write(const QString &key, const QVariant &value);
    void settingChanged();

    QSettings &m_defaults;
    std::shared_ptr<api::ReceiverControl> m_control;
    std::shared_ptr<api::SceneService> m_sceneService;
    std::unique_ptr<api::ReceiverAPIServer> m_server;
    std::unique_ptr<StatusEventFeed> m_feed;
    bool m_keepTokenInSettings = false;
    bool m_enabled = false;
    bool m_enabledForThisRun = false;
    int m_port = defaultPort;
    bool m_localhostOnly = true;
    State m_state;
    std::optional<QString> m_token;
    std::optional<QString> m_tokenError;
    QList<api::ReceiverScene> m_scenes;
    std::optional<QString> m_sceneMessage;
    SingleFlight m_applying;
    Clock &m_clock;
    int m_tokenFailures = 0;
    quint64 m_retryGeneration = 0; // bumped by every pass and stop(), so only the latest retry runs
};

} // namespace amplora::app
