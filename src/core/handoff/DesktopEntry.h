#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace amplora {

// The few keys of a freedesktop desktop entry that starting an application needs.
struct DesktopEntry {
    QString name;
    QString exec;
    QString tryExec;
    bool hidden = false;

    // Reads the [Desktop Entry] group of the file; nothing when it cannot be read or has no such group.
    static std::optional<DesktopEntry> read(const QString &path);
    static std::optional<DesktopEntry> parse(const QString &text);

    // The Exec line split into program and arguments, with the field codes (%U, %f, ...) removed since we
    // open no files. Nothing when the line is empty or its quoting is broken.
    static std::optional<QStringList> splitExec(const QString &exec);
};

} // namespace amplora
