#pragma once

#include "api/control/JSONDecodeError.h"
#include "api/control/Zone.h"
#include "api/http/JSONValue.h"

#include "base/Result.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace amplora::api {

// What Amplora sets when a zone switches to one input: its settings, applied once after the switch. The input
// is stored spelled exactly as the receiver offers it, and so is the sound mode. At least one setting is present.
struct InputProfile {
    Zone zone = Zone::main;
    QString input;
    std::optional<QString> soundMode;
    std::optional<bool> direct; // direct or pure direct, whichever the zone has
    std::optional<double> volumeDb;
    std::optional<int> dialogueLevel;

    bool hasSetting() const { return soundMode || direct || volumeDb || dialogueLevel; }

    // Reads the settings with any reader that keeps its first problem and has string(key), number(key),
    // wholeNumber(key) and boolean(key): a stored profile's and a request body's.
    template<class Reader> void readSettings(Reader &reader)
    {
        soundMode = reader.string(QStringLiteral("soundMode"));
        direct = reader.boolean(QStringLiteral("direct"));
        volumeDb = reader.number(QStringLiteral("volumeDb"));
        dialogueLevel = reader.wholeNumber(QStringLiteral("dialogueLevel"));
    }
    static QStringList settingKeys();

    // The input and the settings present: what the API answers (the zone is the list's).
    JSONValue toJSON() const;
    // As the file keeps it: toJSON() and the zone.
    JSONValue toStoredJSON() const;
    // Every key toStoredJSON() may write.
    static QStringList storedKeys();
    static Result<InputProfile, JSONDecodeError> fromStoredJSON(const JSONValue &value);

    friend bool operator==(const InputProfile &, const InputProfile &) = default;
};

} // namespace amplora::api
