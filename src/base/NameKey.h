#pragma once

#include <QString>
#include <QStringView>

namespace amplora {

// The comparison key of a name as people type it: lower-cased, keeping only Unicode letters and digits, so
// "HDMI 1", "hdmi-1" and "Hdmi.1" all give "hdmi1". The core's friendly names and the API's name matching both
// use it, so they share exactly the same notion of "the same name".
QString nameMatchingKey(QStringView text);

} // namespace amplora
