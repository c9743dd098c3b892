#include "qml/DesktopModel.h"

#include "qml/Symbols.h"
#include "qml/UiContext.h"

#include <QSettings>
#include <QStandardPaths>

namespace amplora {

namespace {

bool desktopReducesMotion()
{
    if (qEnvironmentVariableIntValue("AMPLORA_REDUCE_MOTION") == 1) {
        return true;
    }
    const QString gtk
        = QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("gtk-3.0/settings.ini"));
    if (gtk.isEmpty()) {
        return false;
    }
    const QSettings ini(gtk, QSettings::IniFormat);
    const QString value = ini.value(QStringLiteral("Settings/gtk-enable-animations")).toString().trimmed().toLower();
    return value == QStringLiteral("false") || value == QStringLiteral("0");
}

} // namespace

DesktopModel::DesktopModel(QObject *parent)
    : QObject(parent)
    , m_reduceMotion(desktopReducesMotion())
{ }

DesktopModel *DesktopModel::create(QQmlEngine *engine, QJSEngine *)
{
    return UiContext::model(engine, &ViewModels::desktop);
}

QString DesktopModel::symbol(const QString &name) const
{
    return Symbols::iconName(name);
}

} // namespace amplora
