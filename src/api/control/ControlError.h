#pragma once

#include "api/http/APIError.h"

#include <QString>

#include <optional>

namespace amplora::api {

// How a ReceiverControl call failed. An implementation either picks exactly what the client sees (an
// APIError, passed on unchanged: read-only mode, unknown names, missing ranges) or reports a receiver
// failure in plain words, which the router wraps as a 502.
struct ControlError {
    std::optional<APIError> apiError;
    QString failure; // the receiver failure's complete English description when apiError is absent

    static ControlError fromAPIError(APIError error) { return { std::move(error), {} }; }
    static ControlError receiverFailure(QString description) { return { std::nullopt, std::move(description) }; }

    QString description() const { return apiError ? apiError->message : failure; }

    friend bool operator==(const ControlError &, const ControlError &) = default;
};

} // namespace amplora::api
