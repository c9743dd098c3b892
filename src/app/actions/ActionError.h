#pragma once

#include "api/control/ControlError.h"
#include "api/http/APIError.h"
#include "api/router/RouterErrors.h"
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
    // The code an API client would see, with the control's own text (a receiver failure without the API's
    // "The receiver call failed: " in front).
    static ActionError from(const api::ControlError &error)
    {
        return { api::RouterErrors::fromControl(error).code, error.description() };
    }

    QString description() const { return message; }

    friend bool operator==(const ActionError &, const ActionError &) = default;
};

} // namespace amplora::app
