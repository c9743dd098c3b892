#pragma once

// The logging categories of the application shell, in one place. Never log the API token through any of them.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcApp) // amplora.app: start-up, single instance and shutdown
Q_DECLARE_LOGGING_CATEGORY(lcDbus) // amplora.dbus: the session-bus actions
Q_DECLARE_LOGGING_CATEGORY(lcMpris) // amplora.mpris: the media-player interface for the desktop
