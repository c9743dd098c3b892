#pragma once

// Every logging category of the core library, in one place. They reach the journal through Qt's default handler.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcYxc) // amplora.yxc: the receiver client
Q_DECLARE_LOGGING_CATEGORY(lcDiscovery) // amplora.discovery: SSDP search and device descriptions
Q_DECLARE_LOGGING_CATEGORY(lcEvents) // amplora.events: push-event listener
Q_DECLARE_LOGGING_CATEGORY(lcStore) // amplora.store: receiver store
Q_DECLARE_LOGGING_CATEGORY(lcLoading) // amplora.loading: load failures of the store
Q_DECLARE_LOGGING_CATEGORY(lcSpotify) // amplora.spotify: Spotify hand-off
Q_DECLARE_LOGGING_CATEGORY(lcMock) // amplora.mock: mock receiver
