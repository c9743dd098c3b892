#pragma once

#include "api/auth/KeychainError.h"

#include "base/Result.h"

#include <QCoroTask>
#include <QString>

#include <chrono>
#include <optional>

namespace amplora::api {

// What the token store must know about the freedesktop Secret Service before it trusts an answer of the
// keyring: whether there is one at all, and whether "no such item" means what it says (a locked keyring also
// answers that, and writing into it would replace the token the user has with a new one).
class SecretService {
public:
    virtual ~SecretService() = default;

    // Why there is certainly no session bus to reach a Secret Service through, or no value when there may be
    // one. Answers at once, without asking anyone: a bus that is there but stuck must not hold the caller up.
    // (A bus on which nothing provides the service shows in the keyring's own answer instead.)
    virtual std::optional<QString> missingBus() const = 0;
    // Done when the keyring that new items go to (the "default" collection) exists and is unlocked; a
    // KeychainError with status KeychainTokenStore::KeyringUnavailable otherwise.
    virtual QCoro::Task<Result<Done, KeychainError>> checkUnlocked() = 0;
};

// The Secret Service on the session bus. A call gives up after `timeout`: a bus can be slow or stuck.
class SessionSecretService final : public SecretService {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout { 5000 };

    explicit SessionSecretService(std::chrono::milliseconds timeout = kDefaultTimeout)
        : m_timeout(timeout)
    { }

    // From DBUS_SESSION_BUS_ADDRESS, or the bus socket in XDG_RUNTIME_DIR when that is not set.
    std::optional<QString> missingBus() const override;
    QCoro::Task<Result<Done, KeychainError>> checkUnlocked() override;

private:
    std::chrono::milliseconds m_timeout;
};

} // namespace amplora::api
