#include "api/auth/SecretTokenStore.h"

#include "api/Logging.h"
#include "api/auth/KeychainTokenStore.h"

namespace amplora::api {

SecretTokenStore::SecretTokenStore(
    std::shared_ptr<APITokenStore> keychain, FileTokenStore file, std::shared_ptr<SecretService> service)
    : m_keychain(std::move(keychain))
    , m_file(std::move(file))
    , m_service(std::move(service))
{ }

std::optional<QString> SecretTokenStore::reasonForFile(const KeychainError *keychainError) const
{
    if (keychainError) {
        if (KeychainTokenStore::meansNoSecretService(*keychainError)) {
            return keychainError->description();
        }
        return std::nullopt;
    }
    return m_service->missingBus();
}

void SecretTokenStore::useFile(const QString &why)
{
    if (m_usedFile) {
        return;
    }
    m_usedFile = true;
    qCInfo(lcApi).noquote()
        << QStringLiteral("No Secret Service (%1); the API token is kept in %2 (mode 0600)").arg(why, m_file.path());
}

void SecretTokenStore::removeFile()
{
    // The service holds the token now; a copy left on disk would only leak it.
    if (auto removed = m_file.remove(); !removed) {
        qCWarning(lcApi).noquote() << removed.error().description();
    }
}

QCoro::Task<Result<std::optional<QString>, KeychainError>> SecretTokenStore::readFile()
{
    auto stored = co_await m_file.read();
    if (!stored || stored.value() || !m_lastKeychainToken) {
        co_return stored;
    }
    // The service went away while we ran: its token stays the token.
    const QString kept = *m_lastKeychainToken;
    if (auto saved = co_await m_file.save(kept); !saved) {
        co_return Failure { saved.error() };
    }
    qCInfo(lcApi).noquote() << "The Secret Service is gone; its API token is kept in" << m_file.path();
    co_return std::optional<QString>(kept);
}

QCoro::Task<Result<Done, KeychainError>> SecretTokenStore::moveIntoKeychain(QString token)
{
    auto saved = co_await m_keychain->save(token);
    if (!saved) {
        co_return saved;
    }
    qCInfo(lcApi).noquote() << "The API token in" << m_file.path() << "is now kept by the Secret Service";
    m_lastKeychainToken = std::move(token);
    removeFile();
    co_return Done {};
}

QCoro::Task<Result<std::optional<QString>, KeychainError>> SecretTokenStore::read()
{
    if (const auto why = reasonForFile(nullptr)) {
        useFile(*why);
        co_return co_await readFile();
    }
    if (m_waitingForUnlock) {
        // Reading from a locked keyring asks for its password where there is a display; asking again at every
        // retry would stack prompts. Once it has been found locked, it is read again only once it is unlocked.
        if (auto unlocked = co_await m_service->checkUnlocked(); !unlocked) {
            co_return Failure { unlocked.error() };
        }
        m_waitingForUnlock = false;
    }
    auto stored = co_await m_keychain->read();
    if (!stored) {
        if (const auto why = reasonForFile(&stored.error())) {
            useFile(*why);
            co_return co_await readFile();
        }
        co_return stored;
    }
    m_usedFile = false;

    auto inFile = co_await m_file.read();
    if (!inFile) {
        // The file is only ever a way station; the service's answer stands, and the file stays for next time.
        qCWarning(lcApi).noquote() << inFile.error().description();
        inFile = std::optional<QString>();
    }
    std::optional<QString> fileToken = inFile.value();

    if (!stored.value()) {
        // A locked keyring says "no such item" too.
        if (auto unlocked = co_await m_service->checkUnlocked(); !unlocked) {
            m_waitingForUnlock = true;
            co_return Failure { unlocked.error() };
        }
    }
    if (fileToken && fileToken != stored.value()) {
        if (auto moved = co_await moveIntoKeychain(*fileToken); !moved) {
            co_return Failure { moved.error() };
        }
        co_return fileToken;
    }
    if (fileToken) {
        removeFile();
    }
    if (stored.value()) {
        m_lastKeychainToken = stored.value();
    }
    co_return stored;
}

QCoro::Task<Result<Done, KeychainError>> SecretTokenStore::save(QString token)
{
    if (const auto why = reasonForFile(nullptr)) {
        useFile(*why);
        co_return co_await m_file.save(std::move(token));
    }
    auto saved = co_await m_keychain->save(token);
    if (!saved) {
        if (const auto why = reasonForFile(&saved.error())) {
            useFile(*why);
            co_return co_await m_file.save(std::move(token));
        }
        co_return saved;
    }
    m_usedFile = false;
    m_lastKeychainToken = std::move(token);
    removeFile();
    co_return saved;
}

} // namespace amplora::api
