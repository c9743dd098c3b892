#pragma once

#include "api/auth/APITokenStore.h"

namespace amplora::api {

// The token in a file only its owner can read (mode 0600), for machines without a Secret Service.
class FileTokenStore final : public APITokenStore {
public:
    // ~/.config/Amplora/api-token (under XDG_CONFIG_HOME when set).
    static QString defaultPath();

    explicit FileTokenStore(QString path = defaultPath())
        : m_path(std::move(path))
    { }

    QCoro::Task<Result<std::optional<QString>, KeychainError>> read() override;
    QCoro::Task<Result<Done, KeychainError>> save(QString token) override;
    Result<Done, KeychainError> remove();

    const QString &path() const { return m_path; }

private:
    Result<Done, KeychainError> write(const QByteArray &bytes) const;

    QString m_path;
};

} // namespace amplora::api
