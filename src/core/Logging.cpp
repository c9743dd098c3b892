#include "core/Logging.h"

Q_LOGGING_CATEGORY(lcYxc, "amplora.yxc")
Q_LOGGING_CATEGORY(lcDiscovery, "amplora.discovery")
Q_LOGGING_CATEGORY(lcEvents, "amplora.events")
Q_LOGGING_CATEGORY(lcStore, "amplora.store")
Q_LOGGING_CATEGORY(lcLoading, "amplora.loading")
Q_LOGGING_CATEGORY(lcSpotify, "amplora.spotify")
Q_LOGGING_CATEGORY(lcMock, "amplora.mock")
