#include "api/auth/InMemoryTokenStore.h"

#include <QMutexLocker>

namespace amplora::api {

QCoro::Task<Result<std::optional<QString>, KeychainError>> InMemoryTokenStore::read()
{
    std::optional<QString> token;
    {
        QMutexLocker lock(&m_mutex);
        token = m_token;
    }
    co_return token;
}

QCoro::Task<Result<Done, KeychainError>> InMemoryTokenStore::save(QString token)
{
    {
        QMutexLocker lock(&m_mutex);
        m_token = std::move(token);
    }
    co_return Done {};
}

} // namespace amplora::api
