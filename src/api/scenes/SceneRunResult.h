#pragma once

#include "api/control/Zone.h"
#include "api/http/JSONValue.h"

#include <QString>
#include <QStringList>

namespace amplora::api {

// What running a scene did: the labels of the steps carried out, in order ("power", "input" or "favourite",
// "soundMode", "direct", "volumeDb", "tone", "sub", "sleep").
struct SceneRunResult {
    QString scene;
    Zone zone = Zone::main;
    QStringList applied;

    JSONValue toJSON() const
    {
        return JSONValue(JSONValue::Object { { QStringLiteral("applied"), JSONValue::fromStrings(applied) },
            { QStringLiteral("scene"), JSONValue(scene) }, { QStringLiteral("zone"), JSONValue(enumName(zone)) } });
    }

    friend bool operator==(const SceneRunResult &, const SceneRunResult &) = default;
};

} // namespace amplora::api
