#pragma once

// Every logging category of the API library, in one place. Never log a bearer token through any of them.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcApi) // amplora.api: the local control API (server, connections, router, tokens)
