#pragma once

#include <QString>

namespace amplora::api {

// A decibel value as the API's messages show it: no decimals when whole (-30), one otherwise (-30.5).
QString decibelText(double db);

} // namespace amplora::api
