#include "api/scenes/FileSceneStore.h"

#include "api/Logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <nlohmann/json.hpp>

namespace amplora::api {

namespace {

// Scenes are flat records; anything nested deeper is not a scene, and refusing it early keeps a hostile file
// from recursing without bound.
constexpr int maxDepth = 8;

std::optional<JSONValue> toJSONValue(const nlohmann::json &json, int depth = 0)
{
    if (depth > maxDepth)
        return std::nullopt;
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
            if (!converted)
                return std::nullopt;
            array.push_back(std::move(*converted));
        }
        return JSONValue(std::move(array));
    }
    case nlohmann::json::value_t::object: {
        JSONValue::Object object;
        for (const auto &[key, element] : json.items()) {
            std::optional<JSONValue> converted = toJSONValue(element, depth + 1);
            if (!converted)
                return std::nullopt;
            object.emplace(QString::fromStdString(key), std::move(*converted));
        }
        return JSONValue(std::move(object));
    }
    case nlohmann::json::value_t::binary:
        return std::nullopt;
    }
    return std::nullopt;
}

// Only what a scene holds: an object of strings and numbers.
nlohmann::json sceneToJSON(const ReceiverScene &scene)
{
    nlohmann::json object = nlohmann::json::object();
    const JSONValue fields = scene.toJSON();
    for (const auto &[key, value] : fields.toObject()) {
        if (value.kind() == JSONValue::Kind::Number)
            object[key.toStdString()] = value.toNumber();
        else
            object[key.toStdString()] = value.toString().toStdString();
    }
    return object;
}

SceneStoreError error(const QString &message)
{
    qCWarning(lcApi) << "Scene store:" << message;
    return SceneStoreError { message };
}

} // namespace

FileSceneStore::FileSceneStore(QString filePath)
    : m_filePath(std::move(filePath))
{ }

Result<QString, SceneStoreError> FileSceneStore::defaultFilePath(const QString &fileName)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty())
        return Failure { error(QStringLiteral("The user's data folder is unknown.")) };
    if (!QDir().mkpath(dataHome))
        return Failure { error(QStringLiteral("Couldn't create the folder %1.").arg(dataHome)) };
    return QDir(dataHome).filePath(QStringLiteral("Amplora/") + fileName);
}

Result<QList<ReceiverScene>, SceneStoreError> FileSceneStore::load()
{
    if (m_cache)
        return *m_cache;
    if (!QFileInfo::exists(m_filePath))
        return QList<ReceiverScene>();

    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return Failure { error(QStringLiteral("Couldn't read %1: %2.").arg(m_filePath, file.errorString())) };
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Failure { error(QStringLiteral("Couldn't read %1: %2.").arg(m_filePath, file.errorString())) };

    const nlohmann::json parsed = nlohmann::json::parse(bytes.constBegin(), bytes.constEnd(), nullptr, false);
    if (parsed.is_discarded())
        return Failure { error(QStringLiteral("%1 is not valid JSON.").arg(m_filePath)) };
    if (!parsed.is_array())
        return Failure { error(QStringLiteral("%1 does not hold a list of scenes.").arg(m_filePath)) };

    QList<ReceiverScene> scenes;
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        const std::optional<JSONValue> value = toJSONValue(parsed[i]);
        Result<ReceiverScene, JSONDecodeError> scene = value
            ? ReceiverScene::fromJSON(*value)
            : Result<ReceiverScene, JSONDecodeError>(Failure { JSONDecodeError { QStringLiteral("Not a scene.") } });
        if (!scene)
            return Failure { error(
                QStringLiteral("Scene %1 in %2: %3").arg(i + 1).arg(m_filePath, scene.error().message)) };
        scenes.append(std::move(scene).value());
    }
    m_cache = scenes;
    return scenes;
}

Result<Done, SceneStoreError> FileSceneStore::write(const QList<ReceiverScene> &scenes)
{
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (!QDir().mkpath(folder))
        return Failure { error(QStringLiteral("Couldn't create the folder %1.").arg(folder)) };

    nlohmann::json array = nlohmann::json::array();
    for (const ReceiverScene &scene : scenes)
        array.push_back(sceneToJSON(scene));
    // Text from Qt is always valid UTF-8; replacing rather than throwing keeps that an assumption, not a crash.
    const std::string text = array.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';

    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return Failure { error(QStringLiteral("Couldn't write %1: %2.").arg(m_filePath, file.errorString())) };
    file.write(text.data(), static_cast<qint64>(text.size()));
    if (!file.commit())
        return Failure { error(QStringLiteral("Couldn't write %1: %2.").arg(m_filePath, file.errorString())) };
    m_cache = scenes;
    return Done {};
}

Result<QList<ReceiverScene>, SceneStoreError> FileSceneStore::allNow()
{
    const std::lock_guard guard(m_lock);
    return load();
}

Result<std::optional<ReceiverScene>, SceneStoreError> FileSceneStore::sceneNow(const QString &name)
{
    const std::lock_guard guard(m_lock);
    Result<QList<ReceiverScene>, SceneStoreError> scenes = load();
    if (!scenes)
        return Failure { scenes.error() };
    for (const ReceiverScene &scene : scenes.value()) {
        if (ReceiverScene::sameName(scene.name, name))
            return std::optional<ReceiverScene>(scene);
    }
    return std::optional<ReceiverScene>();
}

Result<bool, SceneStoreError> FileSceneStore::removeNow(const QString &name)
{
    const std::lock_guard guard(m_lock);
    Result<QList<ReceiverScene>, SceneStoreError> scenes = load();
    if (!scenes)
        return Failure { scenes.error() };
    QList<ReceiverScene> kept = scenes.value();
    const qsizetype removed
        = kept.removeIf([&](const ReceiverScene &scene) { return ReceiverScene::sameName(scene.name, name); });
    if (removed == 0)
        return false;
    Result<Done, SceneStoreError> written = write(kept);
    if (!written)
        return Failure { written.error() };
    return true;
}

Result<bool, SceneStoreError> FileSceneStore::saveNow(const ReceiverScene &scene)
{
    const std::lock_guard guard(m_lock);
    Result<QList<ReceiverScene>, SceneStoreError> scenes = load();
    if (!scenes)
        return Failure { scenes.error() };
    QList<ReceiverScene> updated = scenes.value();
    const qsizetype before = updated.size();
    updated.removeIf([&](const ReceiverScene &stored) { return ReceiverScene::sameName(stored.name, scene.name); });
    updated.append(scene);
    const bool created = updated.size() > before;
    Result<Done, SceneStoreError> written = write(updated);
    if (!written)
        return Failure { written.error() };
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
