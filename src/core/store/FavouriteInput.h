#pragma once

#include "core/protocol/NameText.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace amplora {

// An input that gets its own button. Receivers differ in which id carries it (Apple TV and the PS5 sit on
// whichever HDMI input they are plugged into), so it is found by id first and by the user's name second.
struct FavouriteInput {
    QString label;
    QString symbol; // symbol name; the window maps it to an icon of the theme
    QStringList ids; // receiver input ids, in order of preference
    QStringList names; // normalized receiver input names

    friend bool operator==(const FavouriteInput &, const FavouriteInput &) = default;

    // The favourites in button order.
    static const QList<FavouriteInput> &all();

    // The id of the zone's input that this favourite stands for, if the zone has one.
    std::optional<QString> input(const QStringList &zoneInputs, const std::optional<NameText> &names) const;
};

// Lower-cased, every run of characters that are neither letters nor digits folded to one blank, trimmed:
// "PlayStation-5" gives "playstation 5".
QString normalizedName(const QString &text);

} // namespace amplora
