#pragma once

#include "core/capabilities/Capability.h"
#include "core/protocol/YXCCommand.h"

#include <QStringList>

namespace amplora::test {

// A command as one line, "main/setSleep?sleep=30", so a table row can name what a door sent.
inline QString commandText(const YXCCommand &command)
{
    QStringList query;
    for (const auto &[key, value] : command.queryItems()) {
        query.append(key + u'=' + value);
    }
    return query.isEmpty() ? command.path() : command.path() + u'?' + query.join(u'&');
}

// What a capability made of a request: the command's line, or "refused: <text>".
inline QString outcomeText(const Refusable<YXCCommand> &made)
{
    return made ? commandText(made.value()) : QStringLiteral("refused: ") + made.error().description();
}

} // namespace amplora::test
