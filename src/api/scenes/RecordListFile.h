#pragma once

// Included only by the file stores' sources: it brings in nlohmann-json.

#include "api/control/JSONDecodeError.h"
#include "api/http/JSONValue.h"
#include "api/scenes/SceneStoreError.h"

#include "base/Result.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>
#include <sys/types.h>

namespace amplora::api {

// A record as JSONValue, or nothing when it nests deeper than a flat record may (a hostile file must not recurse
// without bound).
std::optional<JSONValue> toJSONValue(const nlohmann::json &json, int depth = 0);
// A flat record (strings, numbers, booleans) as the file keeps it.
nlohmann::json flatRecordJSON(const JSONValue &fields);
// The keys of `record` that are not in `known`, as they were, so a rewrite keeps what a newer version stored.
nlohmann::json unknownKeysOf(const nlohmann::json &record, const QStringList &known);

// What tells one version of a file from another without reading it: an editor that saves in place changes the
// size or the modification time, one that replaces the file changes the inode.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    time_t modifiedSeconds = 0;
    long modifiedNanoseconds = 0;

    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

// One record as stored, with the keys of its object that this version does not know, kept as they were.
template<class T> struct StoredRecord {
    T value;
    nlohmann::json unknownKeys = nlohmann::json::object();
};

// Puts `value` at the end in place of the records `same` matches; it keeps what a newer version stored beside the
// first of them. Whether none was there.
template<class T, class Same> bool replaceRecord(QList<StoredRecord<T>> &records, T value, Same same)
{
    StoredRecord<T> saved { std::move(value) };
    const auto replaced = std::find_if(
        records.cbegin(), records.cend(), [&](const StoredRecord<T> &stored) { return same(stored.value); });
    if (replaced != records.cend()) {
        saved.unknownKeys = replaced->unknownKeys;
    }
    const qsizetype removed = records.removeIf([&](const StoredRecord<T> &stored) { return same(stored.value); });
    records.append(std::move(saved));
    return removed == 0;
}

// One JSON file holding a list of flat records (objects of strings, numbers and booleans), pretty-printed with
// sorted keys, as the user-editable stores keep them. It remembers the file's stamp as last read or written, so a
// store re-reads the file only when something changed it on disk. Every write replaces the whole file
// atomically and syncs it and its folder. Messages name the file and `listName` ("scenes").
class RecordListFile {
public:
    RecordListFile(QString filePath, QString listName);

    const QString &filePath() const { return m_filePath; }

    // The records when the file changed since it was last read or written (a missing file holds none), nothing
    // when it did not. A file that cannot be read, is not JSON or holds no list fails, and is read again next
    // time.
    Result<std::optional<nlohmann::json>, SceneStoreError> readIfChanged();
    Result<Done, SceneStoreError> write(const nlohmann::json &records);
    // The next read reads the file whatever its stamp (after the caller refused what it read).
    void forget() { m_stamp.reset(); }

    // The records decoded by `decode` when the file changed since it was last read or written, nothing when it
    // did not. A record that does not decode fails the whole read ("<what> 3 in <file>: <why>"); one nested too
    // deep for a record fails as `tooDeep`.
    template<class T, class Decode>
    Result<std::optional<QList<StoredRecord<T>>>, SceneStoreError> readRecordsIfChanged(
        Decode decode, const QStringList &knownKeys, const QString &what, const QString &tooDeep)
    {
        using Records = QList<StoredRecord<T>>;
        Result<std::optional<nlohmann::json>, SceneStoreError> read = readIfChanged();
        if (!read) {
            return Failure { read.error() };
        }
        const std::optional<nlohmann::json> &changed = read.value();
        if (!changed) {
            return std::optional<Records>();
        }
        const nlohmann::json &parsed = *changed;
        Records records;
        for (std::size_t i = 0; i < parsed.size(); ++i) {
            const std::optional<JSONValue> value = toJSONValue(parsed[i]);
            auto decoded = value ? decode(*value) : decltype(decode(*value))(Failure { JSONDecodeError { tooDeep } });
            if (!decoded) {
                forget();
                return Failure { error(
                    QStringLiteral("%1 %2 in %3: %4").arg(what).arg(i + 1).arg(m_filePath, decoded.error().message)) };
            }
            records.append(StoredRecord<T> { std::move(decoded).value(), unknownKeysOf(parsed[i], knownKeys) });
        }
        return std::optional(std::move(records));
    }

    // Writes every record: its unknown keys, then the fields `encode` gives (a flat JSONValue object).
    template<class T, class Encode>
    Result<Done, SceneStoreError> writeRecords(const QList<StoredRecord<T>> &records, Encode encode)
    {
        nlohmann::json array = nlohmann::json::array();
        for (const StoredRecord<T> &record : records) {
            nlohmann::json object = record.unknownKeys;
            object.update(flatRecordJSON(encode(record.value)));
            array.push_back(std::move(object));
        }
        return write(array);
    }

    // A logged failure, in the store's words.
    SceneStoreError error(const QString &message) const;

private:
    const QString m_filePath;
    const QString m_listName;
    std::optional<FileStamp> m_stamp; // as read or written; none: read again next time
};

} // namespace amplora::api
