#pragma once

#include "api/control/JSONDecodeError.h"
#include "api/control/PowerState.h"
#include "api/control/Zone.h"
#include "api/http/JSONValue.h"

#include "base/Result.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace amplora::api {

// A named bundle of receiver settings applied with one call. Absent fields are left out of the JSON; when
// reading, every key but "name" may be missing.
struct ReceiverScene {
    QString name; // unique ignoring case and surrounding spaces and tabs
    std::optional<PowerState> power;
    std::optional<Zone> zone; // absent: the zone given when the scene runs
    std::optional<QString> input; // stored as resolved against the receiver
    std::optional<QString> soundMode;
    std::optional<double> volumeDb;
    std::optional<double> rampSeconds; // fades to volumeDb over this long instead of setting it at once
    std::optional<double> bass;
    std::optional<double> treble;
    std::optional<double> sub; // subwoofer trim, main zone only
    std::optional<int> sleep; // minutes, 0 or more; rounded up to the receiver's next setting when it runs
    std::optional<bool> direct; // direct or pure direct, whichever the zone has
    std::optional<QString> favourite; // the name of one of the receiver's favourites, stored as resolved

    // Whether the scene changes anything at all (its name and zone alone change nothing).
    bool hasSetting() const;
    // Whether the scene changes something besides the power.
    bool hasSettingBesidesPower() const;

    // Reads the settings after power and zone with any reader that keeps its first problem and has string(key),
    // number(key), wholeNumber(key) and boolean(key): a stored scene's and a request body's.
    template<class Reader> void readSettings(Reader &reader)
    {
        input = reader.string(QStringLiteral("input"));
        soundMode = reader.string(QStringLiteral("soundMode"));
        volumeDb = reader.number(QStringLiteral("volumeDb"));
        rampSeconds = reader.number(QStringLiteral("rampSeconds"));
        bass = reader.number(QStringLiteral("bass"));
        treble = reader.number(QStringLiteral("treble"));
        sub = reader.number(QStringLiteral("sub"));
        sleep = reader.wholeNumber(QStringLiteral("sleep"));
        direct = reader.boolean(QStringLiteral("direct"));
        favourite = reader.string(QStringLiteral("favourite"));
    }

    JSONValue toJSON() const;
    // Every key toJSON() may write and fromJSON() reads.
    static QStringList jsonKeys();
    static Result<ReceiverScene, JSONDecodeError> fromJSON(const JSONValue &value);

    // Two names denote the same scene when they are equal ignoring case, after trimming spaces and tabs.
    static bool sameName(QStringView a, QStringView b);

    friend bool operator==(const ReceiverScene &, const ReceiverScene &) = default;
};

} // namespace amplora::api
