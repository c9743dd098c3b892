#pragma once

#include <QString>
#include <QStringView>

namespace amplora::cli {

// A name from the network (a receiver's, an input's, a scene's) as one line a terminal shows as it is: control
// characters, which could move the cursor, clear the screen or start a line of their own, and the characters
// that reverse the direction of what follows them are written as escapes ("\x1b", "\n", "\u202e"). Everything
// else, accented letters and emoji included, stays as it is, so an ordinary name prints unchanged; a backslash
// is left alone for the same reason.
QString escapedForTerminal(QStringView text);

} // namespace amplora::cli
