#include "app/startup/Translations.h"

#include <QCoreApplication>
#include <QTranslator>

namespace amplora::app {

bool installTranslations(const QLocale &locale)
{
    // Parented to the application, which outlives every window and text that uses it.
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(locale, QStringLiteral("amplora"), QStringLiteral("_"), QStringLiteral(":/i18n"))) {
        delete translator;
        return false;
    }
    if (!QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

} // namespace amplora::app
