#pragma once

#include "core/store/AppSettings.h"
#include "qml/ViewModels.h"

#include <QObject>
#include <QtQml/qqml.h>

class QJSEngine;
class QQmlEngine;

namespace amplora {

// What the QML singletons of one engine are. The window host (or a QML test) makes one a child of the engine
// before anything loads; the singletons' create() functions look it up there, so each engine carries its own
// objects and no instance is kept in a static. QML never owns them.
class UiContext : public QObject {
    Q_OBJECT

public:
    UiContext(ViewModels &models, AppSettings &settings, QQmlEngine &engine);

    // The engine's context; none (and a warning from QML) when nobody prepared the engine.
    static UiContext *of(QQmlEngine *engine);
    // One of the engine's view models, for its singleton's create().
    template<typename Model> static Model *model(QQmlEngine *engine, Model ViewModels::*member)
    {
        const UiContext *context = of(engine);
        return context ? &(context->m_models.*member) : nullptr;
    }

    ViewModels &models() const { return m_models; }
    AppSettings &settings() const { return m_settings; }

private:
    ViewModels &m_models;
    AppSettings &m_settings;
};

// The settings (the core's AppSettings, which knows nothing of QML) as the module's Settings singleton.
struct SettingsForeign {
    Q_GADGET
    QML_FOREIGN(amplora::AppSettings)
    QML_NAMED_ELEMENT(Settings)
    QML_SINGLETON

public:
    static AppSettings *create(QQmlEngine *engine, QJSEngine *);
};

} // namespace amplora
