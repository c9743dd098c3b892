#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

class QJSEngine;
class QQmlEngine;

namespace amplora {

// What the window takes from the desktop rather than the receiver: the theme's icons, the "no animations" choice,
// and the way to the settings window, which the application owns.
class DesktopModel : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Desktop)
    QML_SINGLETON

    // The desktop's "no animations" choice (GTK's gtk-enable-animations, or AMPLORA_REDUCE_MOTION=1), read once.
    Q_PROPERTY(bool reduceMotion READ reduceMotion CONSTANT)

public:
    explicit DesktopModel(QObject *parent = nullptr);

    static DesktopModel *create(QQmlEngine *engine, QJSEngine *);

    bool reduceMotion() const { return m_reduceMotion; }

    // The theme icon for a symbol name ("power", "checkmark", a favourite's symbol).
    Q_INVOKABLE QString symbol(const QString &name) const;
    Q_INVOKABLE void requestSettings() { Q_EMIT settingsRequested(); }

Q_SIGNALS:
    void settingsRequested();

private:
    bool m_reduceMotion = false;
};

} // namespace amplora
