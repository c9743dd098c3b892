#include "api/control/ReceiverStatus.h"

#include "api/control/JSONDecodeError.h"
#include "api/control/JSONObjectReader.h"

namespace amplora::api {

namespace {

template<class T> void putIfPresent(JSONValue::Object &object, const char *key, const std::optional<T> &value)
{
    if (value) {
        object.emplace(QString::fromLatin1(key), JSONValue(*value));
    }
}

JSONValue nowPlayingJSON(const NowPlaying &playing)
{
    JSONValue::Object object;
    putIfPresent(object, "playback", playing.playback);
    putIfPresent(object, "artist", playing.artist);
    putIfPresent(object, "album", playing.album);
    putIfPresent(object, "track", playing.track);
    putIfPresent(object, "band", playing.band);
    putIfPresent(object, "frequency", playing.frequency);
    putIfPresent(object, "station", playing.station);
    putIfPresent(object, "text", playing.text);
    return JSONValue(std::move(object));
}

JSONValue linkJSON(const ZoneLink &link)
{
    JSONValue::Object object { { QStringLiteral("role"), JSONValue(enumName(link.role)) } };
    putIfPresent(object, "group", link.group);
    return JSONValue(std::move(object));
}

} // namespace

JSONValue ReceiverStatus::toJSON() const
{
    JSONValue::Object object {
        { QStringLiteral("zone"), JSONValue(enumName(zone)) },
        { QStringLiteral("power"), JSONValue(enumName(power)) },
        { QStringLiteral("volumeDb"), JSONValue(volumeDb) },
        { QStringLiteral("mute"), JSONValue(mute) },
        { QStringLiteral("input"), JSONValue(input) },
    };
    putIfPresent(object, "soundMode", soundMode);
    putIfPresent(object, "bass", bass);
    putIfPresent(object, "treble", treble);
    putIfPresent(object, "subwoofer", subwoofer);
    if (nowPlaying) {
        object.emplace(QStringLiteral("nowPlaying"), nowPlayingJSON(*nowPlaying));
    }
    putIfPresent(object, "sleep", sleep);
    putIfPresent(object, "direct", direct);
    putIfPresent(object, "enhancer", enhancer);
    putIfPresent(object, "dialogueLevel", dialogueLevel);
    if (repeat) {
        object.emplace(QStringLiteral("repeat"), JSONValue(enumName(*repeat)));
    }
    if (shuffle) {
        object.emplace(QStringLiteral("shuffle"), JSONValue(enumName(*shuffle)));
    }
    if (link) {
        object.emplace(QStringLiteral("link"), linkJSON(*link));
    }
    return JSONValue(std::move(object));
}

Result<ReceiverStatus, JSONDecodeError> ReceiverStatus::fromJSON(const JSONValue &value)
{
    JSONObjectReader reader(value);
    ReceiverStatus status;
    status.zone = reader.enumeration<Zone>(QStringLiteral("zone"), true).value_or(Zone::main);
    status.power = reader.enumeration<PowerState>(QStringLiteral("power"), true).value_or(PowerState::standby);
    status.volumeDb = reader.number(QStringLiteral("volumeDb"), true).value_or(0);
    status.mute = reader.boolean(QStringLiteral("mute"), true).value_or(false);
    status.input = reader.string(QStringLiteral("input"), true).value_or(QString());
    status.soundMode = reader.string(QStringLiteral("soundMode"));
    status.bass = reader.number(QStringLiteral("bass"));
    status.treble = reader.number(QStringLiteral("treble"));
    status.subwoofer = reader.number(QStringLiteral("subwoofer"));
    status.sleep = reader.wholeNumber(QStringLiteral("sleep"));
    status.direct = reader.boolean(QStringLiteral("direct"));
    status.enhancer = reader.boolean(QStringLiteral("enhancer"));
    status.dialogueLevel = reader.wholeNumber(QStringLiteral("dialogueLevel"));
    status.repeat = reader.enumeration<RepeatMode>(QStringLiteral("repeat"));
    status.shuffle = reader.enumeration<ShuffleMode>(QStringLiteral("shuffle"));
    if (const JSONValue *playingValue = reader.object(QStringLiteral("nowPlaying"))) {
        JSONObjectReader playingReader(*playingValue);
        NowPlaying playing;
        playing.playback = playingReader.string(QStringLiteral("playback"));
        playing.artist = playingReader.string(QStringLiteral("artist"));
        playing.album = playingReader.string(QStringLiteral("album"));
        playing.track = playingReader.string(QStringLiteral("track"));
        playing.band = playingReader.string(QStringLiteral("band"));
        playing.frequency = playingReader.string(QStringLiteral("frequency"));
        playing.station = playingReader.string(QStringLiteral("station"));
        playing.text = playingReader.string(QStringLiteral("text"));
        if (const std::optional<JSONDecodeError> &error = playingReader.error()) {
            return Failure { JSONDecodeError { QStringLiteral("nowPlaying: ") + error->message } };
        }
        status.nowPlaying = playing;
    }
    if (const JSONValue *linkValue = reader.object(QStringLiteral("link"))) {
        JSONObjectReader linkReader(*linkValue);
        const std::optional<LinkRole> role = linkReader.enumeration<LinkRole>(QStringLiteral("role"), true);
        const std::optional<QString> group = linkReader.string(QStringLiteral("group"));
        if (const std::optional<JSONDecodeError> &error = linkReader.error()) {
            return Failure { JSONDecodeError { QStringLiteral("link: ") + error->message } };
        }
        status.link = ZoneLink { role.value_or(LinkRole::server), group };
    }
    if (const std::optional<JSONDecodeError> &error = reader.error()) {
        return Failure { *error };
    }
    return status;
}

} // namespace amplora::api
