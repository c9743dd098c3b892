#pragma once

#include "api/auth/APITokenStore.h"

#include <QMutex>

namespace amplora::api {

// The token store of mock mode and tests: nothing leaves the process.
class InMemoryTokenStore final : public APITokenStore {
public:
    explicit InMemoryTokenStore(std::optional<QString> token = std::nullopt)
        : m_token(std::move(token))
    { }

    QCoro::Task<Result<std::optional<QString>, KeychainError>> read() override;
    QCoro::Task<Result<Done, KeychainError>> save(QString token) override;

private:
    mutable QMutex m_mutex;
    std::optional<QString> m_token;
};

} // namespace amplora::api
