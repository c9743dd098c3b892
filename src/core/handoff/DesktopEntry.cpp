#include "core/handoff/DesktopEntry.h"

#include <QFile>

namespace amplora {

namespace {

// The escapes every string value of a desktop entry may carry (before Exec's own quoting applies).
QString unescapeValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's':
            out += u' ';
            break;
        case 'n':
            out += u'\n';
            break;
        case 't':
            out += u'\t';
            break;
        case 'r':
            out += u'\r';
            break;
        case '\\':
            out += u'\\';
            break;
        default:
            // Not a value escape: keep it for Exec's quoting rules.
            out += c;
            out += next;
        }
    }
    return out;
}

} // namespace

std::optional<DesktopEntry> DesktopEntry::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    // Desktop entries are small; a huge file is not one.
    constexpr qint64 limit = 1 << 20;
    return parse(QString::fromUtf8(file.read(limit)));
}

std::optional<DesktopEntry> DesktopEntry::parse(const QString &text)
{
    DesktopEntry entry;
    bool inMainGroup = false;
    bool sawMainGroup = false;
    const auto lines = text.split(u'\n');
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        if (line.startsWith(u'[')) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            sawMainGroup = sawMainGroup || inMainGroup;
            continue;
        }
        const auto equals = line.indexOf(u'=');
        if (!inMainGroup || equals <= 0) {
            continue;
        }
        const QString key = line.left(equals).trimmed();
        const QString value = unescapeValue(line.mid(equals + 1).trimmed());
        if (key == QLatin1String("Name")) {
            entry.name = value;
        } else if (key == QLatin1String("Exec")) {
            entry.exec = value;
        } else if (key == QLatin1String("TryExec")) {
            entry.tryExec = value;
        } else if (key == QLatin1String("Hidden")) {
            entry.hidden = value == QLatin1String("true");
        }
    }
    if (!sawMainGroup) {
        return std::nullopt;
    }
    return entry;
}

std::optional<QStringList> DesktopEntry::splitExec(const QString &exec)
{
    QStringList args;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    bool dropArgument = false; // the argument was nothing but a field code

    const auto finish = [&] {
        if (inArgument && !(dropArgument && current.isEmpty())) {
            args << current;
        }
        current.clear();
        inArgument = false;
        dropArgument = false;
    };

    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size()) {
                current += exec.at(++i);
            } else {
                current += c;
            }
            continue;
        }
        if (c == u' ' || c == u'\t') {
            finish();
            continue;
        }
        inArgument = true;
        if (c == u'"') {
            quoted = true;
        } else if (c == u'%' && i + 1 < exec.size()) {
            const QChar code = exec.at(++i);
            if (code == u'%') {
                current += u'%';
            } else {
                dropArgument = true;
            }
        } else {
            current += c;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    finish();
    if (args.isEmpty()) {
        return std::nullopt;
    }
    return args;
}

} // namespace amplora
