#pragma once

#include "api/auth/FileTokenStore.h"
#include "api/auth/KeychainTokenStore.h"
#include "api/auth/SecretService.h"

#include <memory>

namespace amplora::api {

// The token store of normal use: the Secret Service when there is one, a private file only when there is none
// (no session bus, or nothing on it provides the service; a home server often has neither). The token does not
// change behind the user's back:
// - a Secret Service that is there but fails (locked, no answer in time, any other error) is a failure to
//   report and try again later, never a reason to make a new token in the file;
// - "no such item" counts only from an unlocked keyring: a locked one answers the same, and saving a new token
//   into it once it is unlocked would replace the one the user has;
// - a token in the file is moved into the Secret Service when one is there (and the file removed), also over
//   an older token it holds: the file's is the one in use since the service was last seen;
// - when the service goes away while Amplora runs, the last token it held is written to the file, so the next
//   read keeps it rather than making a new one. (After a restart without the service its token cannot be read:
//   a new one is made then, and it is the one moved into the service when that comes back.)
class SecretTokenStore final : public APITokenStore {
public:
    explicit SecretTokenStore(std::shared_ptr<APITokenStore> keychain = std::make_shared<KeychainTokenStore>(),
        FileTokenStore file = FileTokenStore(),
        std::shared_ptr<SecretService> service = std::make_shared<SessionSecretService>());

    QCoro::Task<Result<std::optional<QString>, KeychainError>> read() override;
    QCoro::Task<Result<Done, KeychainError>> save(QString token) override;

    // True while the file is used because there is no Secret Service.
    bool usedFile() const { return m_usedFile; }

private:
    // Why the file is to be used instead of the Secret Service, or no value when the service is to be used;
    // `keychainError` is the service's failure when there was one.
    std::optional<QString> reasonForFile(const KeychainError *keychainError) const;
    void useFile(const QString &why);
    QCoro::Task<Result<std::optional<QString>, KeychainError>> readFile();
    // Makes `token` the service's and removes the file.
    QCoro::Task<Result<Done, KeychainError>> moveIntoKeychain(QString token);
    void removeFile();

    std::shared_ptr<APITokenStore> m_keychain;
    FileTokenStore m_file;
    std::shared_ptr<SecretService> m_service;
    bool m_usedFile = false;
    std::optional<QString> m_lastKeychainToken; // as last read from or saved to the service
    bool m_waitingForUnlock = false; // the keyring was found locked: not read again until it is unlocked
};

} // namespace amplora::api
