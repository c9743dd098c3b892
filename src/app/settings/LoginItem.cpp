#include "app/settings/LoginItem.h"

#include "base/FolderSync.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace amplora::app {

namespace {

const QString entryName = QStringLiteral("org.amplora.Amplora.desktop");

// A desktop entry's Exec argument: quoted when it holds anything the format reserves, with the characters
// that stay special inside quotes escaped. "%" is doubled so that it is never read as a field code.
QString execArgument(const QString &path)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`=");
    QString escaped;
    bool quote = false;
    for (const QChar c : path) {
        if (reserved.contains(c)) {
            quote = true;
        }
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            escaped += u'\\';
        }
        escaped += c;
        if (c == u'%') {
            escaped += u'%';
        }
    }
    if (!quote) {
        return escaped;
    }
    // The whole value is also a string of the format, where a backslash itself is escaped.
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    return u'"' + escaped + u'"';
}

bool falseValue(const QString &text)
{
    return text.trimmed().compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0;
}

} // namespace

LoginItem::LoginItem(QString program, QObject *parent)
    : LoginItemInterface(parent)
    , m_program(program.isEmpty() ? launchCommand(QCoreApplication::applicationFilePath()) : std::move(program))
{
    m_enabled = isRegistered();
}

QString LoginItem::launchCommand(const QString &executable)
{
    QString name = QStringLiteral("amplora");
    const QString onPath = QStandardPaths::findExecutable(name);
    const QString self = QFileInfo(executable).canonicalFilePath();
    if (!onPath.isEmpty() && !self.isEmpty() && QFileInfo(onPath).canonicalFilePath() == self) {
        return name;
    }
    return executable;
}

QString LoginItem::entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart/")
        + entryName;
}

QByteArray LoginItem::entryText(const QString &program)
{
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Amplora\n"
                                  "Comment=Remote control for the network AV receiver\n"
                                  "Icon=org.amplora.Amplora\n"
                                  "Exec=%1\n"
                                  "Terminal=false\n"
                                  "X-GNOME-Autostart-enabled=true\n")
                       .arg(execArgument(program));
    return text.toUtf8();
}

bool LoginItem::isRegistered()
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return false;
    }
    // Desktops hide an entry the user turned off with Hidden=true or X-GNOME-Autostart-enabled=false.
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        if (!inEntry) {
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) {
            continue;
        }
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1);
        if (key == QStringLiteral("Hidden") && !falseValue(value)) {
            return false;
        }
        if (key == QStringLiteral("X-GNOME-Autostart-enabled") && falseValue(value)) {
            return false;
        }
    }
    return true;
}

Result<Done, LoginItemError> LoginItem::registerEntry() const
{
    const QString path = entryPath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        return Failure { LoginItemError(tr("Couldn't create the folder %1.").arg(folder)) };
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        //: %1 is the file, %2 the system's reason.
        return Failure { LoginItemError(tr("Couldn't write %1: %2").arg(path, file.errorString())) };
    }
    file.write(entryText(m_program));
    if (!commitDurably(file)) {
        return Failure { LoginItemError(tr("Couldn't write %1: %2").arg(path, file.errorString())) };
    }
    return Done {};
}

Result<Done, LoginItemError> LoginItem::unregisterEntry() const
{
    QFile file(entryPath());
    if (!file.exists()) {
        return Done {};
    }
    if (!file.remove()) {
        return Failure { LoginItemError(tr("Couldn't remove %1: %2").arg(file.fileName(), file.errorString())) };
    }
    // A removal that a power cut undid would start Amplora at the next login after all.
    syncFolderOf(file.fileName());
    return Done {};
}

void LoginItem::setOn(bool on)
{
    const auto result = on ? registerEntry() : unregisterEntry();
    // An autostart entry needs nobody's approval, so a successful change clears the message.
    m_message = result ? std::nullopt : std::optional(result.error().description());
    m_enabled = isRegistered();
    Q_EMIT changed();
}

void LoginItem::reload()
{
    m_enabled = isRegistered();
    Q_EMIT changed();
}

} // namespace amplora::app
