#include "qml/UiContext.h"

#include "qml/PanelModel.h"

#include <QQmlEngine>

namespace amplora {

UiContext::UiContext(PanelModel &panel, AppSettings &settings, QQmlEngine &engine)
    : QObject(&engine)
    , m_panel(panel)
    , m_settings(settings)
{
    QQmlEngine::setObjectOwnership(&m_panel, QQmlEngine::CppOwnership);
    QQmlEngine::setObjectOwnership(&m_settings, QQmlEngine::CppOwnership);
}

UiContext *UiContext::of(QQmlEngine *engine)
{
    auto *context = engine ? engine->findChild<UiContext *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    Q_ASSERT_X(context, "UiContext::of", "MainWindowHost::prepare gives every engine its context before loading");
    return context;
}

AppSettings *SettingsForeign::create(QQmlEngine *engine, QJSEngine *)
{
    const UiContext *context = UiContext::of(engine);
    return context ? &context->settings() : nullptr;
}

} // namespace amplora
