#pragma once

#include "qml/ConnectionModel.h"
#include "qml/DesktopModel.h"
#include "qml/InputProfilesModel.h"
#include "qml/NowPlayingModel.h"
#include "qml/SignalModel.h"
#include "qml/SoundModel.h"
#include "qml/SourcesModel.h"
#include "qml/VolumeModel.h"

namespace amplora {

class ReceiverStore;

// The window's view of the store, one object per part of the panel; each reads the store when asked and tells
// only of its own changes. The window host (or a QML test) owns one set per engine; QML never owns them.
struct ViewModels {
    explicit ViewModels(ReceiverStore &store)
        : connection(store)
        , volume(store)
        , sound(store)
        , sources(store)
        , nowPlaying(store)
        , signal(store)
    { }
    ViewModels(const ViewModels &) = delete;
    ViewModels &operator=(const ViewModels &) = delete;

    ConnectionModel connection;
    VolumeModel volume;
    SoundModel sound;
    SourcesModel sources;
    NowPlayingModel nowPlaying;
    SignalModel signal;
    DesktopModel desktop;
    InputProfilesModel inputProfiles;
};

} // namespace amplora
