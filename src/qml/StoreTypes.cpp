#include "qml/StoreTypes.h"

#include <QQmlEngine>

namespace amplora {

namespace {

ReceiverStore *s_store = nullptr;
AppSettings *s_settings = nullptr;

template<class T> T *handOut(T *instance)
{
    Q_ASSERT_X(instance, "QML singleton", "the window host sets the instance before loading QML");
    QQmlEngine::setObjectOwnership(instance, QQmlEngine::CppOwnership);
    return instance;
}

} // namespace

void StoreForeign::setInstance(ReceiverStore *store)
{
    s_store = store;
}

ReceiverStore *StoreForeign::create(QQmlEngine *, QJSEngine *)
{
    return handOut(s_store);
}

void SettingsForeign::setInstance(AppSettings *settings)
{
    s_settings = settings;
}

AppSettings *SettingsForeign::create(QQmlEngine *, QJSEngine *)
{
    return handOut(s_settings);
}

} // namespace amplora
