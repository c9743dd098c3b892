#pragma once

#include <QStringList>

namespace amplora::cli {

// `amplora action NAME [ARGS]`: one action, or one name list, through the running instance.
int runAction(const QStringList &args);

// `amplora api-token [--regenerate] [--mock]`: the API's bearer token.
int runApiToken(const QStringList &args);

} // namespace amplora::cli
