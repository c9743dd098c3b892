#include "api/auth/SecretTokenStore.h"

#include "api/Logging.h"

namespace amplora::api {

SecretTokenStore::SecretTokenStore(KeychainTokenStore keychain, FileTokenStore file)
    : m_keychain(std::move(keychain))
    , m_file(std::move(file))
{ }

void SecretTokenStore::noteFallback(const KeychainError &why)
{
    if (m_usedFile)
        return;
    m_usedFile = true;
    qCInfo(lcApi).noquote() << QStringLiteral(
        "No Secret Service answered (%1); the API token is kept in %2 (mode 0600)")
                                   .arg(why.description(), m_file.path());
}

QCoro::Task<Result<std::optional<QString>, KeychainError>> SecretTokenStore::read()
{
    auto stored = co_await m_keychain.read();
    if (stored && stored.value())
        co_return stored;
    if (!stored) {
        if (!KeychainTokenStore::meansNoSecretService(stored.error()))
            co_return stored;
        noteFallback(stored.error());
    }
    // Nothing in the keyring: a token saved while it was unavailable may still be in the file.
    co_return co_await m_file.read();
}

QCoro::Task<Result<Done, KeychainError>> SecretTokenStore::save(QString token)
{
    auto saved = co_await m_keychain.save(token);
    if (saved) {
        // The keyring holds the token now; a copy left on disk from an earlier fallback would only leak it.
        if (auto removed = m_file.remove(); !removed)
            qCWarning(lcApi).noquote() << removed.error().description();
        co_return saved;
    }
    if (!KeychainTokenStore::meansNoSecretService(saved.error()))
        co_return saved;
    noteFallback(saved.error());
    co_return co_await m_file.save(std::move(token));
}

} // namespace amplora::api
