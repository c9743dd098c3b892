#include "core/Logging.h"

Q_LOGGING_CATEGORY(lcYxc, "amplora.yxc")
Q_LOGGING_CATEGORY(lcDiscovery, "amplora.discovery")
Q_LOGGING_CATEGORY(lcEvents, "amplora.events")
Q_LOGGING_CATEGORY(lcStore, "amplora.store")
Q_LOGGING_CATEGORY(lcLoading, "amplora.loading")
Q_LOGGING_CATEGORY(lcSpotify, "amplora.spotify")
// Each read the mock answers is traced at debug level, off unless asked for
// (QT_LOGGING_RULES="amplora.mock.debug=true"): a line every second and a half was a fifth of what an idle demo
// window spent.
Q_LOGGING_CATEGORY(lcMock, "amplora.mock", QtInfoMsg)
