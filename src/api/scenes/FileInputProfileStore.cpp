#include "api/scenes/FileInputProfileStore.h"

#include "api/scenes/RecordListFile.h"

namespace amplora::api {

namespace {

bool isFor(const InputProfile &profile, Zone zone, const QString &input)
{
    return profile.zone == zone && profile.input == input;
}

} // namespace

FileInputProfileStore::FileInputProfileStore(QString filePath)
    : m_file(std::make_unique<RecordListFile>(std::move(filePath), QStringLiteral("input profiles")))
{ }

FileInputProfileStore::~FileInputProfileStore() = default;

Result<QList<FileInputProfileStore::Record>, SceneStoreError> FileInputProfileStore::load()
{
    static const QStringList keys = InputProfile::storedKeys();
    auto read = m_file->readRecordsIfChanged<InputProfile>(
        &InputProfile::fromStoredJSON, keys, QStringLiteral("Input profile"), QStringLiteral("Not an input profile."));
    if (!read) {
        m_cache.reset();
        return Failure { read.error() };
    }
    if (std::optional<QList<Record>> &changed = read.value()) {
        m_cache = std::make_unique<QList<Record>>(std::move(*changed));
    } else if (!m_cache) {
        m_file->forget();
        return load();
    }
    return *m_cache;
}

Result<Done, SceneStoreError> FileInputProfileStore::write(const QList<Record> &records)
{
    m_cache.reset();
    Result<Done, SceneStoreError> written
        = m_file->writeRecords(records, [](const InputProfile &profile) { return profile.toStoredJSON(); });
    if (written) {
        m_cache = std::make_unique<QList<Record>>(records);
    }
    return written;
}

Result<QList<InputProfile>, SceneStoreError> FileInputProfileStore::allNow(Zone zone)
{
    const std::lock_guard guard(m_lock);
    Result<QList<Record>, SceneStoreError> records = load();
    if (!records) {
        return Failure { records.error() };
    }
    QList<InputProfile> profiles;
    for (const Record &record : records.value()) {
        if (record.value.zone == zone) {
            profiles.append(record.value);
        }
    }
    return profiles;
}

Result<bool, SceneStoreError> FileInputProfileStore::saveNow(const InputProfile &profile)
{
    const std::lock_guard guard(m_lock);
    Result<QList<Record>, SceneStoreError> records = load();
    if (!records) {
        return Failure { records.error() };
    }
    QList<Record> updated = records.value();
    const bool created = replaceRecord(
        updated, profile, [&](const InputProfile &stored) { return isFor(stored, profile.zone, profile.input); });
    Result<Done, SceneStoreError> written = write(updated);
    if (!written) {
        return Failure { written.error() };
    }
    return created;
}

Result<bool, SceneStoreError> FileInputProfileStore::removeNow(Zone zone, const QString &input)
{
    const std::lock_guard guard(m_lock);
    Result<QList<Record>, SceneStoreError> records = load();
    if (!records) {
        return Failure { records.error() };
    }
    QList<Record> kept = records.value();
    if (kept.removeIf([&](const Record &record) { return isFor(record.value, zone, input); }) == 0) {
        return false;
    }
    Result<Done, SceneStoreError> written = write(kept);
    if (!written) {
        return Failure { written.error() };
    }
    return true;
}

ProfileTask<QList<InputProfile>> FileInputProfileStore::all(Zone zone)
{
    co_return allNow(zone);
}

ProfileTask<bool> FileInputProfileStore::save(InputProfile profile)
{
    co_return saveNow(profile);
}

ProfileTask<bool> FileInputProfileStore::remove(Zone zone, QString input)
{
    co_return removeNow(zone, input);
}

} // namespace amplora::api
