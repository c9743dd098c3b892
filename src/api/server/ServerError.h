#pragma once

#include "api/auth/KeychainError.h"

#include <QString>

namespace amplora::api {

// Why the server could not start.
class ServerError {
public:
    enum class Kind { ListenerFailed, AlreadyRunning, TokenStore };

    static ServerError listenerFailed(QString platformDescription)
    {
        return { Kind::ListenerFailed, std::move(platformDescription), {} };
    }
    static ServerError alreadyRunning() { return { Kind::AlreadyRunning, {}, {} }; }
    static ServerError tokenStore(KeychainError error) { return { Kind::TokenStore, {}, std::move(error) }; }

    Kind kind() const { return m_kind; }
    // The networking layer's own text for a listener failure (the application prefixes "Couldn't listen: ").
    const QString &platformDescription() const { return m_platformDescription; }
    const KeychainError &keychainError() const { return m_keychainError; }

    QString description() const;

    friend bool operator==(const ServerError &, const ServerError &) = default;

private:
    ServerError(Kind kind, QString platformDescription, KeychainError keychainError)
        : m_kind(kind)
        , m_platformDescription(std::move(platformDescription))
        , m_keychainError(std::move(keychainError))
    { }

    Kind m_kind;
    QString m_platformDescription;
    KeychainError m_keychainError;
};

} // namespace amplora::api
