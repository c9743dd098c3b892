#include "api/scenes/RecordListFile.h"

#include "api/Logging.h"
#include "base/FolderSync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <sys/stat.h>

namespace amplora::api {

namespace {

// Records are flat; anything nested deeper is not a record.
constexpr int maxDepth = 8;

FileStamp stampFrom(const struct stat &info)
{
    return { true, info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec };
}

// No value when the file's state cannot be told (a folder on the way that may not be searched); the file is
// then read again, which reports the problem.
std::optional<FileStamp> stampAt(const QString &path)
{
    struct stat info { };
    if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
        return stampFrom(info);
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
    return stampFrom(info);
}

} // namespace

RecordListFile::RecordListFile(QString filePath, QString listName)
    : m_filePath(std::move(filePath))
    , m_listName(std::move(listName))
{ }

SceneStoreError RecordListFile::error(const QString &message) const
{
    qCWarning(lcApi).noquote() << QStringLiteral("Store of %1:").arg(m_listName) << message;
    return SceneStoreError { message };
}

Result<std::optional<nlohmann::json>, SceneStoreError> RecordListFile::readIfChanged()
{
    const std::optional<FileStamp> onDisk = stampAt(m_filePath);
    if (m_stamp && onDisk == m_stamp) {
        return std::optional<nlohmann::json>();
    }
    m_stamp.reset();
    if (onDisk && !onDisk->exists) {
        m_stamp = onDisk;
        return std::optional(nlohmann::json::array());
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
    nlohmann::json parsed = nlohmann::json::parse(bytes.constBegin(), bytes.constEnd(), nullptr, false);
    if (parsed.is_discarded()) {
        return Failure { error(QStringLiteral("%1 is not valid JSON.").arg(m_filePath)) };
    }
    if (!parsed.is_array()) {
        return Failure { error(QStringLiteral("%1 does not hold a list of %2.").arg(m_filePath, m_listName)) };
    }
    m_stamp = stamp;
    return std::optional(std::move(parsed));
}

Result<Done, SceneStoreError> RecordListFile::write(const nlohmann::json &records)
{
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (!QDir().mkpath(folder)) {
        return Failure { error(QStringLiteral("Couldn't create the folder %1.").arg(folder)) };
    }
    // Text from Qt is always valid UTF-8; replacing rather than throwing keeps that an assumption, not a crash.
    const std::string text = records.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';

    m_stamp.reset();
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
    m_stamp = stamp;
    return Done {};
}

std::optional<JSONValue> toJSONValue(const nlohmann::json &json, int depth)
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

nlohmann::json flatRecordJSON(const JSONValue &fields)
{
    nlohmann::json object = nlohmann::json::object();
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

nlohmann::json unknownKeysOf(const nlohmann::json &record, const QStringList &known)
{
    nlohmann::json unknown = nlohmann::json::object();
    if (!record.is_object()) {
        return unknown;
    }
    for (const auto &[key, element] : record.items()) {
        if (!known.contains(QString::fromStdString(key))) {
            unknown[key] = element;
        }
    }
    return unknown;
}

} // namespace amplora::api
