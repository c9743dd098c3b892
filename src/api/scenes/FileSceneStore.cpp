#include "api/scenes/FileSceneStore.h"

#include "api/Logging.h"
#include "base/FolderSync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace amplora::api {

namespace {

// Scenes are flat records; anything nested deeper is not a scene, and refusing it early keeps a hostile file
// from recursing without bound.
constexpr int maxDepth = 8;

std::optional<JSONValue> toJSONValue(const nlohmann::json &json, int depth = 0)
{
    if (depth > maxDepth) {
        return std::nullopt;
    }
    switch (json.type()) {
    case nlohmann::json::value_t::null:
    case nlohmann::json::value_t::discarded:
        return JSONValue();
    case nlohmann::json::value_t::boolean:
        return JSONValue(json.get<bool>());
    case nlohmann::json::value_t::number_integer:
    case nlohmann::json::value_t::number_unsigned:
    case nlohmann::json::value_t::number_float:
        return JSONValue(json.get<double>());
    case nlohmann::json::value_t::string:
        return JSONValue(QString::fromStdString(json.get_ref<const std::string &>()));
    case nlohmann::json::value_t::array: {
        JSONValue::Array array;
        for (const nlohmann::json &element : json) {
            std::optional<JSONValue> converted = toJSONValue(element, depth + 1);
            if (!converted) {
                return std::nullopt;
            }
            array.push_back(std::move(*converted));
        }
        return JSONValue(std::move(array));
    }
    case nlohmann::json::value_t::object: {
        JSONValue::Object object;
        for (const auto &[key, element] : json.items()) {
            std::optional<JSONValue> converted = toJSONValue(element, depth + 1);
            if (!converted) {
                return std::nullopt;
            }
            object.emplace(QString::fromStdString(key), std::move(*converted));
        }
        return JSONValue(std::move(object));
    }
    case nlohmann::json::value_t::binary:
        return std::nullopt;
    }
    return std::nullopt;
}

// Only what a scene holds: an object of strings, numbers and booleans.
nlohmann::json sceneToJSON(const ReceiverScene &scene)
{
    nlohmann::json object = nlohmann::json::object();
    const JSONValue fields = scene.toJSON();
    for (const auto &[key, value] : fields.toObject()) {
        if (value.kind() == JSONValue::Kind::Number) {
            object[key.toStdString()] = value.toNumber();
        } else if (value.kind() == JSONValue::Kind::Bool) {
            object[key.toStdString()] = value.toBool();
        } else {
            object[key.toStdString()] = value.toString().toStdString();
        }
    }
    return object;
}

SceneStoreError error(const QString &message)
{
    qCWarning(lcApi) << "Scene store:" << message;
    return SceneStoreError { message };
}

// What tells one version of the file from another without reading it: an editor that saves in place changes
// the size or the modification time, one that replaces the file changes the inode.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    time_t modifiedSeconds = 0;
    long modifiedNanoseconds = 0;

    static FileStamp of(const struct stat &info)
    {
        return { true, info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec };
    }

    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

// No value when the file's state cannot be told (a folder on the way that may not be searched); the file is
// then read again, which reports the problem.
std::optional<FileStamp> stampAt(const QString &path)
{
    struct stat info { };
    if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
        return FileStamp::of(info);
    }
    if (errno == ENOENT || errno == ENOTDIR) {
        return FileStamp {};
    }
    return std::nullopt;
}

std::optional<FileStamp> stampOf(int descriptor)
{
    struct stat info { };
    if (descriptor < 0 || ::fstat(descriptor, &info) != 0) {
        return std::nullopt;
    }
    return FileStamp::of(info);
}

bool isSceneKey(const std::string &key)
{
    static const QStringList keys = ReceiverScene::jsonKeys();
    return keys.contains(QString::fromStdString(key));
}

} // namespace

// One scene as stored, with the keys of its record that this version does not know, kept as they were.
struct FileSceneStore::Record {
    ReceiverScene scene;
    nlohmann::json unknownKeys = nlohmann::json::object();
};

struct FileSceneStore::Cache {
    QList<Record> records;
    std::optional<FileStamp> stamp; // the file's, as it was read or written; none: read again next time
};

FileSceneStore::FileSceneStore(QString filePath)
    : m_filePath(std::move(filePath))
{ }

FileSceneStore::~FileSceneStore() = default;

Result<QString, SceneStoreError> FileSceneStore::defaultFilePath(const QString &fileName)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
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
    const std::optional<FileStamp> onDisk = stampAt(m_filePath);
    if (m_cache && m_cache->stamp && onDisk == m_cache->stamp) {
        return m_cache->records;
    }
    m_cache.reset();
    if (onDisk && !onDisk->exists) {
        m_cache = std::make_unique<Cache>(Cache { {}, onDisk });
        return QList<Record>();
    }

    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return Failure { error(QStringLiteral("Couldn't read %1: %2.").arg(m_filePath, file.errorString())) };
    }
    // Taken before reading, so a change made while it is read shows as a change next time.
    const std::optional<FileStamp> stamp = stampOf(file.handle());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return Failure { error(QStringLiteral("Couldn't read %1: %2.").arg(m_filePath, file.errorString())) };
    }

    const nlohmann::json parsed = nlohmann::json::parse(bytes.constBegin(), bytes.constEnd(), nullptr, false);
    if (parsed.is_discarded()) {
        return Failure { error(QStringLiteral("%1 is not valid JSON.").arg(m_filePath)) };
    }
    if (!parsed.is_array()) {
        return Failure { error(QStringLiteral("%1 does not hold a list of scenes.").arg(m_filePath)) };
    }

    QList<Record> records;
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        const std::optional<JSONValue> value = toJSONValue(parsed[i]);
        Result<ReceiverScene, JSONDecodeError> scene = value
            ? ReceiverScene::fromJSON(*value)
            : Result<ReceiverScene, JSONDecodeError>(Failure { JSONDecodeError { QStringLiteral("Not a scene.") } });
        if (!scene) {
            return Failure { error(
                QStringLiteral("Scene %1 in %2: %3").arg(i + 1).arg(m_filePath, scene.error().message)) };
        }
        Record record { std::move(scene).value() };
        for (const auto &[key, element] : parsed[i].items()) {
            if (!isSceneKey(key)) {
                record.unknownKeys[key] = element;
            }
        }
        records.append(std::move(record));
    }
    m_cache = std::make_unique<Cache>(Cache { records, stamp });
    return records;
}

Result<Done, SceneStoreError> FileSceneStore::write(const QList<Record> &records)
{
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (!QDir().mkpath(folder)) {
        return Failure { error(QStringLiteral("Couldn't create the folder %1.").arg(folder)) };
    }

    nlohmann::json array = nlohmann::json::array();
    for (const Record &record : records) {
        nlohmann::json object = record.unknownKeys;
        object.update(sceneToJSON(record.scene));
        array.push_back(std::move(object));
    }
    // Text from Qt is always valid UTF-8; replacing rather than throwing keeps that an assumption, not a crash.
    const std::string text = array.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';

    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        return Failure { error(QStringLiteral("Couldn't write %1: %2.").arg(m_filePath, file.errorString())) };
    }
    file.write(text.data(), static_cast<qint64>(text.size()));
    // The new file keeps its inode, size and modification time through the rename, so its stamp can be taken
    // now, before anyone else could touch it.
    const std::optional<FileStamp> stamp = file.flush() ? stampOf(file.handle()) : std::nullopt;
    if (!commitDurably(file)) {
        return Failure { error(QStringLiteral("Couldn't write %1: %2.").arg(m_filePath, file.errorString())) };
    }
    m_cache = std::make_unique<Cache>(Cache { records, stamp });
    return Done {};
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
        scenes.append(record.scene);
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
        if (ReceiverScene::sameName(record.scene.name, name)) {
            return std::optional<ReceiverScene>(record.scene);
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
        = kept.removeIf([&](const Record &record) { return ReceiverScene::sameName(record.scene.name, name); });
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
    // A replaced scene keeps what a newer version stored beside its settings.
    Record saved { scene };
    const auto replaced = std::find_if(updated.cbegin(), updated.cend(),
        [&](const Record &stored) { return ReceiverScene::sameName(stored.scene.name, scene.name); });
    if (replaced != updated.cend()) {
        saved.unknownKeys = replaced->unknownKeys;
    }
    const qsizetype before = updated.size();
    updated.removeIf([&](const Record &stored) { return ReceiverScene::sameName(stored.scene.name, scene.name); });
    updated.append(std::move(saved));
    const bool created = updated.size() > before;
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
