#include "api/scenes/FileSceneStore.h"

#include "api/Logging.h"
#include "api/scenes/RecordListFile.h"

#include <QDir>
#include <QStandardPaths>

#include <algorithm>

namespace amplora::api {

struct FileSceneStore::Cache {
    QList<Record> records;
};

FileSceneStore::FileSceneStore(QString filePath)
    : m_file(std::make_unique<RecordListFile>(std::move(filePath), QStringLiteral("scenes")))
{ }

FileSceneStore::~FileSceneStore() = default;

const QString &FileSceneStore::filePath() const
{
    return m_file->filePath();
}

Result<QString, SceneStoreError> FileSceneStore::defaultFilePath(const QString &fileName)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const auto error = [](const QString &message) {
        qCWarning(lcApi).noquote() << "Scene store:" << message;
        return SceneStoreError { message };
    };
    if (dataHome.isEmpty()) {
        return Failure { error(QStringLiteral("The user's data folder is unknown.")) };
    }
    if (!QDir().mkpath(dataHome)) {
        return Failure { error(QStringLiteral("Couldn't create the folder %1.").arg(dataHome)) };
    }
    return QDir(dataHome).filePath(QStringLiteral("Amplora/") + fileName);
}

Result<QList<FileSceneStore::Record>, SceneStoreError> FileSceneStore::load()
{
    static const QStringList keys = ReceiverScene::jsonKeys();
    auto read = m_file->readRecordsIfChanged<ReceiverScene>(
        &ReceiverScene::fromJSON, keys, QStringLiteral("Scene"), QStringLiteral("Not a scene."));
    if (!read) {
        m_cache.reset();
        return Failure { read.error() };
    }
    if (std::optional<QList<Record>> &changed = read.value()) {
        m_cache = std::make_unique<Cache>(Cache { std::move(*changed) });
    } else if (!m_cache) {
        m_file->forget();
        return load();
    }
    return m_cache->records;
}

Result<Done, SceneStoreError> FileSceneStore::write(const QList<Record> &records)
{
    m_cache.reset();
    Result<Done, SceneStoreError> written
        = m_file->writeRecords(records, [](const ReceiverScene &scene) { return scene.toJSON(); });
    if (written) {
        m_cache = std::make_unique<Cache>(Cache { records });
    }
    return written;
}

Result<QList<ReceiverScene>, SceneStoreError> FileSceneStore::allNow()
{
    const std::lock_guard guard(m_lock);
    Result<QList<Record>, SceneStoreError> records = load();
    if (!records) {
        return Failure { records.error() };
    }
    QList<ReceiverScene> scenes;
    scenes.reserve(records->size());
    for (const Record &record : records.value()) {
        scenes.append(record.value);
    }
    return scenes;
}

Result<std::optional<ReceiverScene>, SceneStoreError> FileSceneStore::sceneNow(const QString &name)
{
    const std::lock_guard guard(m_lock);
    Result<QList<Record>, SceneStoreError> records = load();
    if (!records) {
        return Failure { records.error() };
    }
    for (const Record &record : records.value()) {
        if (ReceiverScene::sameName(record.value.name, name)) {
            return std::optional<ReceiverScene>(record.value);
        }
    }
    return std::optional<ReceiverScene>();
}

Result<bool, SceneStoreError> FileSceneStore::removeNow(const QString &name)
{
    const std::lock_guard guard(m_lock);
    Result<QList<Record>, SceneStoreError> records = load();
    if (!records) {
        return Failure { records.error() };
    }
    QList<Record> kept = records.value();
    const qsizetype removed
        = kept.removeIf([&](const Record &record) { return ReceiverScene::sameName(record.value.name, name); });
    if (removed == 0) {
        return false;
    }
    Result<Done, SceneStoreError> written = write(kept);
    if (!written) {
        return Failure { written.error() };
    }
    return true;
}

Result<bool, SceneStoreError> FileSceneStore::saveNow(const ReceiverScene &scene)
{
    const std::lock_guard guard(m_lock);
    Result<QList<Record>, SceneStoreError> records = load();
    if (!records) {
        return Failure { records.error() };
    }
    QList<Record> updated = records.value();
    const bool created = replaceRecord(
        updated, scene, [&](const ReceiverScene &stored) { return ReceiverScene::sameName(stored.name, scene.name); });
    Result<Done, SceneStoreError> written = write(updated);
    if (!written) {
        return Failure { written.error() };
    }
    return created;
}

SceneTask<QList<ReceiverScene>> FileSceneStore::all()
{
    co_return allNow();
}

SceneTask<std::optional<ReceiverScene>> FileSceneStore::scene(QString name)
{
    co_return sceneNow(name);
}

SceneTask<bool> FileSceneStore::remove(QString name)
{
    co_return removeNow(name);
}

SceneTask<bool> FileSceneStore::save(ReceiverScene scene)
{
    co_return saveNow(scene);
}

} // namespace amplora::api
