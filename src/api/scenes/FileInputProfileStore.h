#pragma once

#include "api/scenes/InputProfileStore.h"

#include <memory>
#include <mutex>

namespace amplora::api {

class RecordListFile;
template<class T> struct StoredRecord;

// Keeps every input profile in one JSON file beside the scenes (a list of profile objects), with the scene
// file's rules: read again when it changed on disk, keys this version does not know kept on rewrite, every
// change written atomically, and a file that cannot be read or decoded failing every call, never overwritten.
class FileInputProfileStore final : public InputProfileStore {
public:
    explicit FileInputProfileStore(QString filePath);
    ~FileInputProfileStore() override;

    ProfileTask<QList<InputProfile>> all(Zone zone) override;
    ProfileTask<bool> save(InputProfile profile) override;
    ProfileTask<bool> remove(Zone zone, QString input) override;

    Result<QList<InputProfile>, SceneStoreError> allNow(Zone zone);
    Result<bool, SceneStoreError> saveNow(const InputProfile &profile);
    Result<bool, SceneStoreError> removeNow(Zone zone, const QString &input);

private:
    using Record = StoredRecord<InputProfile>;

    // Both run with m_lock held.
    Result<QList<Record>, SceneStoreError> load();
    Result<Done, SceneStoreError> write(const QList<Record> &records);

    const std::unique_ptr<RecordListFile> m_file;
    std::mutex m_lock;
    std::unique_ptr<QList<Record>> m_cache;
};

} // namespace amplora::api
