#include "api/auth/APITokenStore.h"

#include "api/auth/APIToken.h"

namespace amplora::api {

QCoro::Task<Result<QString, KeychainError>> APITokenStore::loadOrCreate()
{
    auto stored = co_await read();
    if (!stored) {
        co_return Failure { stored.error() };
    }
    if (const std::optional<QString> &token = stored.value()) {
        co_return *token;
    }
    QString token = APIToken::generate();
    auto saved = co_await save(token);
    if (!saved) {
        co_return Failure { saved.error() };
    }
    co_return token;
}

} // namespace amplora::api
