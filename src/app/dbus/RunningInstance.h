#pragma once

#include "base/Result.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <chrono>

namespace amplora::app {

// Why a call to the running instance failed.
struct InstanceCallError {
    bool notRunning = false;
    QString message; // the instance's own error text, or "Amplora is not running."

    QString description() const { return message; }
};

// The client side of the session-bus service: calls one method of the Amplora instance that owns the name.
class RunningInstance {
public:
    // Actions wait for the receiver, which may take a while to answer; this is generous on purpose.
    static constexpr std::chrono::milliseconds kDefaultTimeout { 60000 };

    static Result<QVariant, InstanceCallError> call(
        const QString &method, const QVariantList &arguments, std::chrono::milliseconds timeout = kDefaultTimeout);
};

} // namespace amplora::app
