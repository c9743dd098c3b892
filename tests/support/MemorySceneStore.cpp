#include "support/MemorySceneStore.h"

namespace amplora::test {

using namespace api;

SceneTask<QList<ReceiverScene>> MemorySceneStore::all()
{
    if (failure)
        co_return Failure { *failure };
    // A copy: QCoro moves from an lvalue handed to co_return when it converts it to the result.
    co_return QList<ReceiverScene>(scenes);
}

SceneTask<std::optional<ReceiverScene>> MemorySceneStore::scene(QString name)
{
    if (failure)
        co_return Failure { *failure };
    for (const ReceiverScene &stored : std::as_const(scenes)) {
        if (ReceiverScene::sameName(stored.name, name))
            co_return std::optional<ReceiverScene>(stored);
    }
    co_return std::optional<ReceiverScene>();
}

SceneTask<bool> MemorySceneStore::remove(QString name)
{
    if (failure)
        co_return Failure { *failure };
    const qsizetype removed
        = scenes.removeIf([&](const ReceiverScene &stored) { return ReceiverScene::sameName(stored.name, name); });
    if (removed > 0)
        ++writes;
    co_return removed > 0;
}

SceneTask<bool> MemorySceneStore::save(ReceiverScene scene)
{
    if (failure)
        co_return Failure { *failure };
    const qsizetype removed = scenes.removeIf(
        [&](const ReceiverScene &stored) { return ReceiverScene::sameName(stored.name, scene.name); });
    scenes.append(scene);
    ++writes;
    co_return removed == 0;
}

} // namespace amplora::test
