#pragma once

class QNetworkAccessManager;

namespace amplora {

// The one network access manager of the process, created on first use on the main thread and owned by the
// application object. Every HTTP request of the core goes through it. It uses no proxy and follows no redirect.
QNetworkAccessManager &sharedNetworkAccess();

} // namespace amplora
