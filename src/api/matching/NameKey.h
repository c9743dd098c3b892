#pragma once

#include <QString>
#include <QStringView>

namespace amplora::api {

// The comparison key of a name as people type it: lower-cased, keeping only Unicode letters and digits, so
// "HDMI 1", "hdmi-1" and "Hdmi.1" all give "hdmi1". Free of any other API type so that friendly-name code
// elsewhere can share exactly the same notion of "the same name".
QString nameMatchingKey(QStringView text);

} // namespace amplora::api
