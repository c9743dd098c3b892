#pragma once

#include "core/protocol/NameText.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace amplora::FriendlyNames {

// One input or sound program as the API and the D-Bus actions offer it: the receiver's id and the name to
// show and to match. Names are unique under the name-matching key, so a spoken or typed name reaches one id.
struct Entry {
    QString id;
    QString name;

    friend bool operator==(const Entry &, const Entry &) = default;
};

// A readable form of a receiver id: "hdmi1" gives "HDMI 1", "net_radio" gives "Net Radio".
QString prettified(const QString &id);

// The zone's inputs in the zone's order, named by the receiver's name list (or the id), favourites under
// their own labels, and every other name that would collide made unique with its prettified id.
QList<Entry> inputs(const QStringList &zoneInputs, const std::optional<NameText> &names);

// The same for the zone's sound programs.
QList<Entry> soundPrograms(const QStringList &zonePrograms, const std::optional<NameText> &names);

} // namespace amplora::FriendlyNames
