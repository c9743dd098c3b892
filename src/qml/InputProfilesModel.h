#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>

class QJSEngine;
class QQmlEngine;

namespace amplora {

// The selected zone's input profiles as the windows show them: which inputs have one (the main window marks
// them), each profile for the settings window, "remember what the zone has now for its input" and "delete". The
// application gives it a back end that reads and writes the profiles; without one it holds none and does
// nothing. Profiles travel as maps whose unset keys are absent: "input", "soundMode", "direct", "volumeDb",
// "dialogueLevel".
class InputProfilesModel : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(InputProfiles)
    QML_SINGLETON

    Q_PROPERTY(QVariantList profiles READ profiles NOTIFY changed)
    // The display names of the inputs that have a profile.
    Q_PROPERTY(QStringList inputs READ inputs NOTIFY changed)
    // The last failure, in full; empty after a success.
    Q_PROPERTY(QString message READ message NOTIFY changed)
    Q_PROPERTY(bool available READ available NOTIFY changed)

public:
    struct Backend {
        std::function<void()> refresh;
        std::function<void()> rememberCurrent;
        std::function<void(const QString &input)> remove;
    };

    using QObject::QObject;

    static InputProfilesModel *create(QQmlEngine *engine, QJSEngine *);

    void setBackend(Backend backend);
    // What the back end read (or the failure that left the list as it was).
    void show(QVariantList profiles);
    void showFailure(const QString &message);

    QVariantList profiles() const { return m_profiles; }
    QStringList inputs() const;
    QString message() const { return m_message; }
    bool available() const { return bool(m_backend.refresh); }

    Q_INVOKABLE void refresh();
    Q_INVOKABLE void rememberCurrent();
    Q_INVOKABLE void remove(const QString &input);

Q_SIGNALS:
    void changed();

private:
    Backend m_backend;
    QVariantList m_profiles;
    QString m_message;
};

} // namespace amplora
