#pragma once

#include <QList>
#include <QString>

namespace amplora {

// A sound program that gets its own button.
struct FavouriteSoundProgram {
    QString label;
    QString programID;

    friend bool operator==(const FavouriteSoundProgram &, const FavouriteSoundProgram &) = default;

    // The favourites in button order.
    static const QList<FavouriteSoundProgram> &all();
};

} // namespace amplora
