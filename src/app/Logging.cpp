#include "app/Logging.h"

Q_LOGGING_CATEGORY(lcApp, "amplora.app")
Q_LOGGING_CATEGORY(lcDbus, "amplora.dbus")
Q_LOGGING_CATEGORY(lcMpris, "amplora.mpris")
