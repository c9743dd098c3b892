#pragma once

#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"

#include <QtQml/qqml.h>

class QJSEngine;
class QQmlEngine;

namespace amplora {

// QML names for the store and the settings, which live in the core library and know nothing of QML. Both are
// singletons that the window host creates before the engine loads; QML never owns them.
struct StoreForeign {
    Q_GADGET
    QML_FOREIGN(amplora::ReceiverStore)
    QML_NAMED_ELEMENT(Store)
    QML_SINGLETON

public:
    static void setInstance(ReceiverStore *store);
    static ReceiverStore *create(QQmlEngine *, QJSEngine *);
};

struct SettingsForeign {
    Q_GADGET
    QML_FOREIGN(amplora::AppSettings)
    QML_NAMED_ELEMENT(Settings)
    QML_SINGLETON

public:
    static void setInstance(AppSettings *settings);
    static AppSettings *create(QQmlEngine *, QJSEngine *);
};

} // namespace amplora
