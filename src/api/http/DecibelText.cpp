#include "api/http/DecibelText.h"

#include <cmath>

namespace amplora::api {

QString decibelText(double db)
{
    if (std::isfinite(db) && db == std::trunc(db)) {
        return QString::number(db == 0 ? 0.0 : db, 'f', 0); // never "-0"
    }
    return QString::number(db, 'f', 1);
}

} // namespace amplora::api
