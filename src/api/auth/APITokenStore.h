#pragma once

#include "api/auth/KeychainError.h"

#include "base/Result.h"

#include <QCoroTask>
#include <QString>

#include <optional>

namespace amplora::api {

// Where the bearer token is kept. Both operations may have to wait for another process (the Secret Service);
// an implementation gives up within a bounded time and reports a KeychainError instead of hanging.
class APITokenStore {
public:
    virtual ~APITokenStore() = default;

    // The stored token, or no value when none is stored.
    virtual QCoro::Task<Result<std::optional<QString>, KeychainError>> read() = 0;
    // Stores `token`, replacing any stored one.
    virtual QCoro::Task<Result<Done, KeychainError>> save(QString token) = 0;

    // The stored token; when there is none, a fresh one that has been saved first.
    QCoro::Task<Result<QString, KeychainError>> loadOrCreate();
};

} // namespace amplora::api
