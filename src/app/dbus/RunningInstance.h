#pragma once

#include "base/Result.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <chrono>

namespace amplora::app {

// Why a call to the running instance failed.
struct InstanceCallError {
    enum class Kind {
        noBus, // there is no session bus to reach an instance through
        notRunning, // the bus is there; no instance owns the name
        failed, // the instance answered with an error, or not at all
    };
    Kind kind = Kind::failed;
    QString message; // the instance's own error text, or what kept the call from reaching one

    // No instance could be asked: there is none, or no bus to find one on.
    bool unreachable() const { return kind != Kind::failed; }
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
