#include "app/actions/ActionError.h"

namespace amplora::app {

ActionError ActionError::from(const IntentError &error)
{
    switch (error.kind()) {
    case IntentError::Kind::aboveCap:
        return { QStringLiteral("above_cap"), error.description() };
    case IntentError::Kind::outOfRange:
        return { QStringLiteral("out_of_range"), error.description() };
    case IntentError::Kind::notReady:
        return { QStringLiteral("not_ready"), error.description() };
    }
    return { QStringLiteral("not_ready"), error.description() };
}

} // namespace amplora::app
