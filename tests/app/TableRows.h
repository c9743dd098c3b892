#pragma once

#include <QStringList>
#include <QTest>

namespace amplora::test {

// Adds one named row to the current data table, a value per column, in one call: a row of plain strings then
// stays on one line instead of one line per string.
template<class... Column> void row(const char *name, Column... columns)
{
    (QTest::newRow(name) << ... << columns);
}

// Command-line arguments written as one line, split at spaces.
inline QStringList words(const char *line)
{
    return QString::fromUtf8(line).split(u' ', Qt::SkipEmptyParts);
}

} // namespace amplora::test
