#pragma once

#include "app/actions/ReceiverActions.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace amplora::app {

class APIController;
class RunningDiagnostics;

// The actions and name queries on the session bus, under the application's own name. Every call answers
// once its action has finished, with the text to show or an error whose message is the complete English
// text. A second launch of the application also comes here, to bring the running one's window forward.
class ActionService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.amplora.Amplora")

public:
    static QString serviceName() { return QStringLiteral("org.amplora.Amplora"); }
    static QString objectPath() { return QStringLiteral("/org/amplora/Amplora"); }
    static QString interfaceName() { return QStringLiteral("org.amplora.Amplora"); }
    // The D-Bus error name of an action error code, such as org.amplora.Amplora.Error.read_only.
    static QString errorName(const QString &code);

    enum class Registration { registered, nameTaken, noBus };

    // Where the API's token is kept; looked up afresh for every call, none yet means "still starting".
    using ControllerLookup = std::function<APIController *()>;

    // The actions run on `parts` directly, so they work whether the API serves or not.
    ActionService(ReceiverActions::Parts parts, ControllerLookup controller, QObject *parent = nullptr);

    // Writes the diagnostics bundle for WriteDiagnostics; none: the call fails as not ready.
    RunningDiagnostics *diagnostics = nullptr;

    // Shows the main window; answers a text for the caller when there is none to show (a headless run).
    std::function<std::optional<QString>()> showWindow;

    // Exports the object and takes the name; on any failure nothing stays registered.
    Registration registerOn(QDBusConnection bus);

public Q_SLOTS:
    Q_SCRIPTABLE QString SetPower(const QString &zone, const QString &power);
    Q_SCRIPTABLE QString SetVolume(const QString &zone, double db);
    Q_SCRIPTABLE QString RampVolume(const QString &zone, double db, double seconds);
    Q_SCRIPTABLE QString Mute(const QString &zone, bool muted);
    Q_SCRIPTABLE QString SwitchInput(const QString &zone, const QString &input);
    Q_SCRIPTABLE QString SetSoundMode(const QString &mode);
    Q_SCRIPTABLE QString RunScene(const QString &scene);
    Q_SCRIPTABLE QString CheckPushEvents();
    Q_SCRIPTABLE QString SetSleep(const QString &zone, int minutes);
    // `favourite` is a slot number or a name.
    Q_SCRIPTABLE QString RecallFavourite(const QString &zone, const QString &favourite);
    Q_SCRIPTABLE QString RecallReceiverScene(const QString &zone, int number);
    Q_SCRIPTABLE QStringList Inputs(const QString &search);
    Q_SCRIPTABLE QStringList SoundModes(const QString &search);
    Q_SCRIPTABLE QStringList Scenes(const QString &search);
    Q_SCRIPTABLE QStringList Favourites(const QString &search);
    Q_SCRIPTABLE void ShowWindow();
    // The API's bearer token, a fresh one when `regenerate` is set.
    Q_SCRIPTABLE QString APIToken(bool regenerate);
    // Writes the diagnostics bundle to `output` (an absolute path; empty: the download folder) and answers its path
    // and what was redacted, as two lines.
    Q_SCRIPTABLE QString WriteDiagnostics(const QString &output);

private:
    template<class T> void answerLater(ActionTask<T> task);
    template<class T> static QCoro::Task<> answer(QDBusConnection bus, QDBusMessage call, ActionTask<T> task);
    ActionTask<QString> token(bool regenerate);
    std::optional<api::Zone> zoneArgument(const QString &zone);

    ControllerLookup m_lookup;
    ReceiverActions m_actions;
};

} // namespace amplora::app
