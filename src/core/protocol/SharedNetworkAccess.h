#pragma once

class QNetworkAccessManager;

namespace amplora {

// The one network access manager of the process, created on first use on the main thread and owned by the
// application object. Every HTTP request of the core goes through it. It uses no proxy and follows no redirect.
QNetworkAccessManager &sharedNetworkAccess();

// Ends the manager and what its network thread holds while the application object is still whole. A command that
// exits right after its last request calls it: finished replies are released with deleteLater, and the thread's
// connections would otherwise outlive the process's tear-down.
void releaseSharedNetworkAccess();

} // namespace amplora
