#pragma once

#include <QString>

namespace amplora::Symbols {

// The one place where the symbol names used across the application ("power", "speaker.slash.fill", the
// favourites' symbols) become icon names of the freedesktop theme. Unknown names map to a neutral speaker.
QString iconName(const QString &symbol);

} // namespace amplora::Symbols
