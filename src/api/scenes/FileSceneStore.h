#pragma once

#include "api/scenes/SceneStore.h"

#include <memory>
#include <mutex>

namespace amplora::api {

class RecordListFile;
template<class T> struct StoredRecord;

// Keeps every scene in one JSON file (an array of scene objects, pretty-printed with sorted keys). The scenes
// are cached, but before each operation the store checks whether the file changed on disk since (another
// file, another size or another modification time, to the nanosecond) and reads it again if so: a scene added
// by hand while the application runs is seen, and the next save keeps it. Keys of a scene record that this
// version does not know are kept when the file is rewritten. Every change rewrites the whole file atomically,
// and the cache follows only a successful write. A file that cannot be read or decoded fails every call until
// it is fixed and is never overwritten. One lock serialises the operations, whichever thread they come from.
class FileSceneStore final : public SceneStore {
public:
    explicit FileSceneStore(QString filePath);
    ~FileSceneStore() override;

    // The user's data folder (created if missing), then "Amplora", then `fileName` ("scenes.json", or
    // "scenes-mock.json" in mock mode). The "Amplora" folder itself is created on the first write.
    static Result<QString, SceneStoreError> defaultFilePath(const QString &fileName = QStringLiteral("scenes.json"));

    const QString &filePath() const;

    SceneTask<QList<ReceiverScene>> all() override;
    SceneTask<std::optional<ReceiverScene>> scene(QString name) override;
    SceneTask<bool> remove(QString name) override;
    SceneTask<bool> save(ReceiverScene scene) override;

    // The same operations without the task wrapper, for callers that are not coroutines.
    Result<QList<ReceiverScene>, SceneStoreError> allNow();
    Result<std::optional<ReceiverScene>, SceneStoreError> sceneNow(const QString &name);
    Result<bool, SceneStoreError> removeNow(const QString &name);
    Result<bool, SceneStoreError> saveNow(const ReceiverScene &scene);

private:
    using Record = StoredRecord<ReceiverScene>;
    struct Cache;

    // Both run with m_lock held.
    Result<QList<Record>, SceneStoreError> load();
    Result<Done, SceneStoreError> write(const QList<Record> &records);

    const std::unique_ptr<RecordListFile> m_file;
    std::mutex m_lock;
    std::unique_ptr<Cache> m_cache;
};

} // namespace amplora::api
