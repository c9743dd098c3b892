#pragma once

#include "app/diagnostics/Redaction.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

namespace amplora::diagnostics {

// The files as a gzip-compressed tar archive (ustar headers), every entry a plain file with mode 0644 and the
// given time, as `tar -xzf` unpacks it. Names longer than the ustar header holds are shortened.
QByteArray tarGz(const QList<BundleFile> &files, const QDateTime &modified);

} // namespace amplora::diagnostics
