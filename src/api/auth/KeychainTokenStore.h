#pragma once

#include "api/auth/APITokenStore.h"

#include <chrono>

namespace amplora::api {

// The token in the freedesktop Secret Service, through QtKeychain. QtKeychain has no time-out of its own and a
// locked keyring with a display waits for a password forever, so every call gives up after `timeout`.
class KeychainTokenStore final : public APITokenStore {
public:
    static QString defaultService() { return QStringLiteral("org.amplora.Amplora.api"); }
    static QString defaultAccount() { return QStringLiteral("bearer-token"); }
    static constexpr std::chrono::milliseconds kDefaultTimeout { 5000 };

    // QtKeychain's codes as they reach KeychainError::status.
    enum Status : qint32 {
        TimedOut = -1, // ours: the Secret Service did not answer in time
        KeyringUnavailable = -2, // ours: its keyring is locked or missing, so "no such item" proves nothing
        NoError = 0,
        EntryNotFound = 1,
        AccessDeniedByUser = 3,
        AccessDenied = 4,
        NoBackendAvailable = 5,
        NotImplemented = 6,
        OtherError = 7,
    };

    explicit KeychainTokenStore(QString service = defaultService(), QString account = defaultAccount(),
        std::chrono::milliseconds timeout = kDefaultTimeout);

    QCoro::Task<Result<std::optional<QString>, KeychainError>> read() override;
    QCoro::Task<Result<Done, KeychainError>> save(QString token) override;
    // Removes the stored item; none stored counts as success.
    QCoro::Task<Result<Done, KeychainError>> deleteToken();

    // True for the failures that mean no Secret Service is there to ask: no backend, no session bus, or a bus on
    // which nothing provides the service. Any other failure (a locked keyring, no answer in time, another D-Bus
    // error) may pass.
    static bool meansNoSecretService(const KeychainError &error);

    const QString &service() const { return m_service; }
    const QString &account() const { return m_account; }

private:
    QString m_service;
    QString m_account;
    std::chrono::milliseconds m_timeout;
};

} // namespace amplora::api
