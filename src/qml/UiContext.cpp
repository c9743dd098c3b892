#include "qml/UiContext.h"

#include <QQmlEngine>

namespace amplora {

UiContext::UiContext(ViewModels &models, AppSettings &settings, QQmlEngine &engine)
    : QObject(&engine)
    , m_models(models)
    , m_settings(settings)
{
    for (QObject *model : std::initializer_list<QObject *> { &models.connection, &models.volume, &models.sound,
             &models.sources, &models.nowPlaying, &models.signal, &models.desktop }) {
        QQmlEngine::setObjectOwnership(model, QQmlEngine::CppOwnership);
    }
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
