#pragma once

#include "api/http/JSONValue.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace amplora::api {

// The one error value of the API library. Every failure a client can see becomes one of these and is sent as
// the body {"error": {...}} with `status` as the HTTP status.
struct APIError {
    int status = 500;
    QString code;
    QString message;
    std::optional<double> cap;
    std::optional<QStringList> validNames;
    std::optional<int> retryAfterSeconds;

    QString description() const { return message; }

    // The error's own JSON object (absent optional fields left out).
    JSONValue toJSON() const;

    friend bool operator==(const APIError &, const APIError &) = default;
};

// The JSON body of every error response: {"error": <APIError>}.
struct ErrorEnvelope {
    APIError error;

    JSONValue toJSON() const;
};

} // namespace amplora::api
