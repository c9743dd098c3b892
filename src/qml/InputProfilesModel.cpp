#include "qml/InputProfilesModel.h"

#include "qml/UiContext.h"

#include <QVariantMap>

namespace amplora {

InputProfilesModel *InputProfilesModel::create(QQmlEngine *engine, QJSEngine *)
{
    return UiContext::model(engine, &ViewModels::inputProfiles);
}

void InputProfilesModel::setBackend(Backend backend)
{
    m_backend = std::move(backend);
    Q_EMIT changed();
    refresh();
}

void InputProfilesModel::show(QVariantList profiles)
{
    m_profiles = std::move(profiles);
    m_message.clear();
    Q_EMIT changed();
}

void InputProfilesModel::showFailure(const QString &message)
{
    m_message = message;
    Q_EMIT changed();
}

QStringList InputProfilesModel::inputs() const
{
    QStringList names;
    for (const QVariant &profile : m_profiles) {
        names.append(profile.toMap().value(QStringLiteral("input")).toString());
    }
    return names;
}

void InputProfilesModel::refresh()
{
    if (m_backend.refresh) {
        m_backend.refresh();
    }
}

void InputProfilesModel::rememberCurrent()
{
    if (m_backend.rememberCurrent) {
        m_backend.rememberCurrent();
    }
}

void InputProfilesModel::remove(const QString &input)
{
    if (m_backend.remove) {
        m_backend.remove(input);
    }
}

} // namespace amplora
