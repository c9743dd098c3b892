#pragma once

#include "api/auth/FileTokenStore.h"
#include "api/auth/KeychainTokenStore.h"

namespace amplora::api {

// The token store of normal use: the Secret Service when one answers, the private file otherwise (a home
// server often has no Secret Service). A keyring that is there but refuses or does not answer in time is a
// failure, not a reason to write the token to disk.
class SecretTokenStore final : public APITokenStore {
public:
    explicit SecretTokenStore(
        KeychainTokenStore keychain = KeychainTokenStore(), FileTokenStore file = FileTokenStore());

    QCoro::Task<Result<std::optional<QString>, KeychainError>> read() override;
    QCoro::Task<Result<Done, KeychainError>> save(QString token) override;

    // True once the file has been used because no Secret Service answered.
    bool usedFile() const { return m_usedFile; }

private:
    void noteFallback(const KeychainError &why);

    KeychainTokenStore m_keychain;
    FileTokenStore m_file;
    bool m_usedFile = false;
};

} // namespace amplora::api
