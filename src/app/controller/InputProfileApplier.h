#pragma once

#include "api/control/Zone.h"
#include "base/Clock.h"
#include "core/protocol/YXCCommand.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace amplora {
class ReceiverStore;
} // namespace amplora

namespace amplora::api {
class InputProfileService;
} // namespace amplora::api

namespace amplora::app {

class ReceiverControlAdapter;

// Applies an input's profile once when a zone switches to that input, whoever switched it: the window, the API,
// the session-bus actions, a scene or the receiver's own remote (a push event). It follows the store's zone
// statuses, where all of those land. The first input read after connecting is no switch, and neither is a read
// that reports the input already known.
//
// The profile goes out a short while after the switch (the receiver recalls its own per-input settings first)
// through the control contract, so the cap and read-only mode hold, in the scene order: sound mode, direct,
// volume, dialogue level. A setting the user changes through any door soon after the switch wins: the profile
// leaves that setting alone. One log line per applied profile and per failure; nothing escapes.
class InputProfileApplier : public QObject {
    Q_OBJECT

public:
    // How long after learning of a switch the profile goes out.
    static constexpr auto settleDelay = std::chrono::milliseconds(500);
    // How long after a switch a change of the user's wins over the profile.
    static constexpr auto userWindow = std::chrono::seconds(3);

    InputProfileApplier(ReceiverStore &store, std::shared_ptr<ReceiverControlAdapter> control,
        std::shared_ptr<api::InputProfileService> profiles, QObject *parent = nullptr);
    ~InputProfileApplier() override;

    // Whether a profile is on its way to the receiver now.
    bool isApplying() const { return m_applying > 0; }

    // The settings a profile may set, in the order it sets them.
    enum class Setting { soundMode, direct, volume, dialogue };

private:
    struct ZoneWatch {
        std::optional<QString> inputId; // none: not read since connecting
        quint64 generation = 0; // bumped by each switch; a pending application of an older one gives up
        Clock::TimePoint switchedAt;
        std::set<Setting> changedByUser; // since the switch
        std::multiset<Setting> ownPending; // this applier's commands on their way
    };

    void followStatus();
    void noteCommand(const YXCCommand &command);
    void forgetInputs();
    // Whether the profile's `setting` still goes out for the switch `generation` of `zone`; if so, the next
    // command for it is taken as the applier's own.

    enum class Claim { go, userWon, stale };
    Claim claim(api::Zone zone, quint64 generation, Setting setting);
    void release(api::Zone zone, Setting setting);
    static QCoro::Task<> apply(QPointer<InputProfileApplier> self, std::shared_ptr<ReceiverControlAdapter> control,
        std::shared_ptr<api::InputProfileService> profiles, api::Zone zone, quint64 generation);
    static QCoro::Task<> applyOnce(QPointer<InputProfileApplier> self, std::shared_ptr<ReceiverControlAdapter> control,
        std::shared_ptr<api::InputProfileService> profiles, api::Zone zone, quint64 generation);

    ReceiverStore &m_store;
    const std::shared_ptr<ReceiverControlAdapter> m_control;
    const std::shared_ptr<api::InputProfileService> m_profiles;
    std::map<api::Zone, ZoneWatch> m_zones;
    int m_applying = 0;
};

} // namespace amplora::app
