#include "api/scenes/ReceiverScene.h"

#include "api/control/JSONObjectReader.h"

namespace amplora::api {

namespace {

QStringView trimSpacesAndTabs(QStringView text)
{
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!text.isEmpty() && blank(text.front())) {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && blank(text.back())) {
        text.chop(1);
    }
    return text;
}

template<class T> void putIfPresent(JSONValue::Object &object, const char *key, const std::optional<T> &value)
{
    if (value) {
        object.emplace(QString::fromLatin1(key), JSONValue(*value));
    }
}

template<class E> void putEnumIfPresent(JSONValue::Object &object, const char *key, const std::optional<E> &value)
{
    if (value) {
        object.emplace(QString::fromLatin1(key), JSONValue(enumName(*value)));
    }
}

} // namespace

bool ReceiverScene::hasSetting() const
{
    return power || hasSettingBesidesPower();
}

bool ReceiverScene::hasSettingBesidesPower() const
{
    return input || soundMode || volumeDb || bass || treble || sub || sleep || direct || favourite;
}

JSONValue ReceiverScene::toJSON() const
{
    JSONValue::Object object { { QStringLiteral("name"), JSONValue(name) } };
    putEnumIfPresent(object, "power", power);
    putEnumIfPresent(object, "zone", zone);
    putIfPresent(object, "input", input);
    putIfPresent(object, "soundMode", soundMode);
    putIfPresent(object, "volumeDb", volumeDb);
    putIfPresent(object, "rampSeconds", rampSeconds);
    putIfPresent(object, "bass", bass);
    putIfPresent(object, "treble", treble);
    putIfPresent(object, "sub", sub);
    putIfPresent(object, "sleep", sleep);
    putIfPresent(object, "direct", direct);
    putIfPresent(object, "favourite", favourite);
    return JSONValue(std::move(object));
}

QStringList ReceiverScene::jsonKeys()
{
    return { QStringLiteral("name"), QStringLiteral("power"), QStringLiteral("zone"), QStringLiteral("input"),
        QStringLiteral("soundMode"), QStringLiteral("volumeDb"), QStringLiteral("bass"), QStringLiteral("treble"),
        QStringLiteral("sub"), QStringLiteral("sleep"), QStringLiteral("direct"), QStringLiteral("favourite"),
        QStringLiteral("rampSeconds") };
}

Result<ReceiverScene, JSONDecodeError> ReceiverScene::fromJSON(const JSONValue &value)
{
    JSONObjectReader reader(value);
    ReceiverScene scene;
    scene.name = reader.string(QStringLiteral("name"), true).value_or(QString());
    scene.power = reader.enumeration<PowerState>(QStringLiteral("power"));
    scene.zone = reader.enumeration<Zone>(QStringLiteral("zone"));
    scene.readSettings(reader);
    if (const std::optional<JSONDecodeError> &error = reader.error()) {
        return Failure { *error };
    }
    return scene;
}

bool ReceiverScene::sameName(QStringView a, QStringView b)
{
    return trimSpacesAndTabs(a).compare(trimSpacesAndTabs(b), Qt::CaseInsensitive) == 0;
}

} // namespace amplora::api
