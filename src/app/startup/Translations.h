#pragma once

#include <QLocale>

namespace amplora::app {

// Installs Amplora's catalogue for the first of the locale's languages that has one, so the window, the tray,
// the settings window and the command line's help speak it. Without a match nothing is installed and the texts
// stay English, as they are written in the code. What machines read (the API, D-Bus errors, the log) is never
// translated, whatever the locale. True when a catalogue was installed.
bool installTranslations(const QLocale &locale = QLocale());

} // namespace amplora::app
