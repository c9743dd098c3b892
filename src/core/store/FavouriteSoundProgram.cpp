#include "core/store/FavouriteSoundProgram.h"

namespace amplora {

const QList<FavouriteSoundProgram> &FavouriteSoundProgram::all()
{
    static const QList<FavouriteSoundProgram> favourites = {
        { QStringLiteral("Straight"), QStringLiteral("straight") },
        { QStringLiteral("Cellar Club"), QStringLiteral("cellar_club") },
        { QStringLiteral("Roxy Theatre"), QStringLiteral("roxy_theatre") },
        { QStringLiteral("Sci-Fi"), QStringLiteral("sci-fi") },
    };
    return favourites;
}

} // namespace amplora
