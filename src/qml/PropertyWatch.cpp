#include "qml/PropertyWatch.h"

#include <QMetaObject>

#include <algorithm>

namespace amplora {

QList<int> PropertyWatch::resolve(std::initializer_list<const char *> names)
{
    const QMetaObject *meta = m_owner.metaObject();
    QList<int> indices;
    for (const char *name : names) {
        const int index = meta->indexOfProperty(name);
        Q_ASSERT_X(index >= 0 && meta->property(index).hasNotifySignal(), "PropertyWatch", name);
        if (index < 0) {
            continue;
        }
        indices.append(index);
        const bool known = std::any_of(
            m_watched.begin(), m_watched.end(), [index](const Watched &watched) { return watched.index == index; });
        if (!known) {
            m_watched.push_back({ index, meta->property(index).read(&m_owner) });
        }
    }
    return indices;
}

void PropertyWatch::check(const QList<int> &indices)
{
    const QMetaObject *meta = m_owner.metaObject();
    QList<QMetaMethod> changed;
    for (Watched &watched : m_watched) {
        if (!indices.contains(watched.index)) {
            continue;
        }
        const QMetaProperty property = meta->property(watched.index);
        QVariant now = property.read(&m_owner);
        if (now != watched.value) {
            watched.value = std::move(now);
            if (!changed.contains(property.notifySignal())) {
                changed.append(property.notifySignal());
            }
        }
    }
    // All values are recorded before anyone hears of them: a listener may read any of them, or cause a check.
    for (const QMetaMethod &signal : changed) {
        signal.invoke(&m_owner, Qt::DirectConnection);
    }
}

} // namespace amplora
