#pragma once

#include "api/scenes/ReceiverScene.h"
#include "api/scenes/SceneStoreError.h"

#include "base/Result.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <optional>

namespace amplora::api {

template<class T> using SceneTask = QCoro::Task<Result<T, SceneStoreError>>;

// Where scenes are kept. Names are compared with ReceiverScene::sameName. Implementations serialise their
// operations: a save and a delete from two requests never interleave their read-modify-write.
class SceneStore {
public:
    virtual ~SceneStore() = default;

    // Every scene, in stored order.
    virtual SceneTask<QList<ReceiverScene>> all() = 0;
    virtual SceneTask<std::optional<ReceiverScene>> scene(QString name) = 0;
    // True when a scene was removed.
    virtual SceneTask<bool> remove(QString name) = 0;
    // Stores the scene, replacing any scene with the same name (the replacement goes to the end of the list);
    // true when the name was new.
    virtual SceneTask<bool> save(ReceiverScene scene) = 0;
};

} // namespace amplora::api
