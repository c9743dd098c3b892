#pragma once

#include "api/scenes/SceneStore.h"

#include <optional>

namespace amplora::test {

// Scenes kept in memory with the file store's rules (names compared with ReceiverScene::sameName; a replaced
// scene moves to the end). Every task completes at once. `failure`, when set, fails every operation.
class MemorySceneStore : public api::SceneStore {
public:
    QList<api::ReceiverScene> scenes;
    std::optional<api::SceneStoreError> failure;
    int writes = 0; // saves and removals that changed the list

    api::SceneTask<QList<api::ReceiverScene>> all() override;
    api::SceneTask<std::optional<api::ReceiverScene>> scene(QString name) override;
    api::SceneTask<bool> remove(QString name) override;
    api::SceneTask<bool> save(api::ReceiverScene scene) override;
};

} // namespace amplora::test
