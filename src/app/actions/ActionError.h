#pragma once

#include "api/control/ControlError.h"
#include "api/http/APIError.h"
#include "app/actions/IntentError.h"

#include <QString>

namespace amplora::app {

// How an action failed, as its caller sees it: a stable code (the API's error code, or the action's own) and
// the complete English text.
struct ActionError {
    QString code;
    QString message;

    static ActionError from(const IntentError &error);
    static ActionError from(const api::APIError &error) { return { error.code, error.message }; }
    static ActionError from(const api::ControlError &error)
    {
        return error.apiError ? from(*error.apiError) : ActionError { QStringLiteral("receiver_error"), error.failure };
    }

    QString description() const { return message; }

    friend bool operator==(const ActionError &, const ActionError &) = default;
};

} // namespace amplora::app
