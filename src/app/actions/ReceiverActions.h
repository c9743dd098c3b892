#pragma once

#include "api/control/PowerState.h"
#include "api/control/ReceiverControl.h"
#include "api/control/Zone.h"
#include "app/actions/ActionError.h"
#include "base/Result.h"

#include <QCoroTask>
#include <QString>
#include <QStringList>

#include <memory>

namespace amplora::api {
class SceneService;
} // namespace amplora::api

namespace amplora::app {

template<class T> using ActionTask = QCoro::Task<Result<T, ActionError>>;

// The actions and name queries offered outside the window (on the session bus and through
// `amplora action`). They go through the control and the scene service the local API also uses, so the
// read-only rule, the volume cap, name matching and the scene rules are those of the local API, whether the
// API is serving or not. Each answers with the text to show the user.
class ReceiverActions {
public:
    struct Parts {
        std::shared_ptr<api::ReceiverControl> control;
        std::shared_ptr<api::SceneService> scenes;
    };

    // A part not there yet answers "still starting".
    explicit ReceiverActions(Parts parts);

    ActionTask<QString> setPower(api::Zone zone, api::PowerState power);
    ActionTask<QString> setVolume(api::Zone zone, double db);
    // Fades to `db` over `seconds` (more than 0, at most 600); answers once the fade has started.
    ActionTask<QString> rampVolume(api::Zone zone, double db, double seconds);
    ActionTask<QString> mute(api::Zone zone, bool muted);
    ActionTask<QString> switchInput(api::Zone zone, QString input);
    // Always the main zone.
    ActionTask<QString> setSoundMode(QString mode);
    ActionTask<QString> runScene(QString scene);
    // The push-event self-test: makes the receiver send an event and reports how soon it came.
    ActionTask<QString> checkPushEvents();
    // Rounds up to the receiver's next setting; 0 turns the timer off.
    ActionTask<QString> setSleep(api::Zone zone, int minutes);
    // A favourite by its slot number (a whole number) or its name, matched loosely like inputs.
    ActionTask<QString> recallFavourite(api::Zone zone, QString favourite);
    ActionTask<QString> recallReceiverScene(api::Zone zone, int number);

    // Names to offer, filtered to those whose matching key contains the search text's (all when it is empty).
    // Inputs: the main zone's, then those of zone 2 not already listed.
    ActionTask<QStringList> inputs(QString search);
    ActionTask<QStringList> soundModes(QString search);
    ActionTask<QStringList> scenes(QString search);
    // The receiver's favourites (the main zone's), in slot order.
    ActionTask<QStringList> favourites(QString search);

    static QStringList filtered(const QStringList &names, const QString &search);
    // The one name `requested` loosely means, or the "unknown_name" error listing every valid name.
    static Result<QString, ActionError> resolve(
        const QStringList &names, const QString &requested, const QString &kind);

private:
    // An input or a sound mode: how to list the names, how to choose one, and the words of the answer.
    struct NamedSetting {
        api::ControlTask<QStringList> (api::ReceiverControl::*list)(api::Zone, Cancellation);
        api::ControlTask<Done> (api::ReceiverControl::*set)(api::Zone, QString, Cancellation);
        QString kind;
        QString answerPrefix;
    };
    ActionTask<QString> chooseByName(NamedSetting setting, api::Zone zone, QString requested);

    Parts m_parts;
};

} // namespace amplora::app
