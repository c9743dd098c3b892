#pragma once

#include "api/http/HTTPRequest.h"

#include <QByteArrayView>
#include <QMutex>
#include <QString>

#include <optional>

namespace amplora::api {

// Checks a request's "Authorization: Bearer <token>" against the one accepted token. Until a token is set,
// every request is refused. Thread-safe: the lock is held only to copy or replace the token.
class TokenAuthenticator {
public:
    void setToken(std::optional<QString> token);
    bool authenticate(const HTTPRequest &request) const;

    // Compares every byte whatever the inputs, so the time taken tells nothing about where they differ.
    static bool constantTimeEquals(QByteArrayView a, QByteArrayView b);

private:
    mutable QMutex m_mutex;
    std::optional<QString> m_token;
};

} // namespace amplora::api
