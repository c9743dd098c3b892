#pragma once

#include <QString>

namespace amplora::api {

// A failure of the secret store that keeps the API token. `status` is the store's own code and
// `platformMessage` its text for it (empty when it has none).
struct KeychainError {
    qint32 status = 0;
    QString platformMessage;

    // "Keychain error <status>: <message>", with "unknown" when the store gave no message.
    QString description() const;

    friend bool operator==(const KeychainError &, const KeychainError &) = default;
};

} // namespace amplora::api
