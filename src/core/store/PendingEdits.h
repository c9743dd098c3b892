#pragma once

#include "base/Clock.h"
#include "base/Throttler.h"
#include "core/protocol/YXCCommand.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace amplora {

// The optimistic values of the continuous controls (volume, tone, subwoofer), by key ("volume.main" and the
// like). A value set here is shown at once and holds for `hold`, after which the receiver's own value shows
// again; its commands go out through the key's own throttler, shaped by the newest change.
class PendingEdits final : public QObject {
    Q_OBJECT

public:
    // An optimistic value of a continuous control and when it was set.
    struct Edit {
        double value = 0;
        Clock::TimePoint at;
        friend bool operator==(const Edit &, const Edit &) = default;
    };
    using Command = std::function<YXCCommand(double)>;

    static constexpr auto hold = std::chrono::milliseconds(1500);
    static constexpr auto throttleInterval = std::chrono::milliseconds(150);

    // `clock` must outlive the edits; `perform` sends a command the throttler let through.
    PendingEdits(Clock &clock, std::function<void(const YXCCommand &)> perform, QObject *parent = nullptr);
    ~PendingEdits() override;

    void set(const QString &key, double value, Command command);
    // The key's value while its hold lasts.
    std::optional<double> value(const QString &key) const;
    const QMap<QString, Edit> &edits() const { return m_edits; }

Q_SIGNALS:
    void editsChanged();
    // A key's hold ended: the value shown for it is the receiver's again.
    void holdEnded();

private:
    struct Key {
        // The newest command shape: a trailing send builds its command with the shape of the latest change, not
        // of the change that created the throttler.
        Command command;
        std::unique_ptr<Throttler<double>> throttler;
        // The hold's timer is bound to this object; replacing it restarts the timer.
        std::unique_ptr<QObject> holdTimer;
    };

    Clock &m_clock;
    std::function<void(const YXCCommand &)> m_perform;
    QMap<QString, Edit> m_edits;
    std::map<QString, Key> m_keys;
};

} // namespace amplora
