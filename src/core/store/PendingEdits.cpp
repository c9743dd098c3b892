#include "core/store/PendingEdits.h"

namespace amplora {

PendingEdits::PendingEdits(Clock &clock, std::function<void(const YXCCommand &)> perform, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_perform(std::move(perform))
{ }

PendingEdits::~PendingEdits() = default;

void PendingEdits::set(const QString &key, double value, Command command)
{
    m_edits.insert(key, Edit { value, m_clock.now() });
    Q_EMIT editsChanged();

    Key &entry = m_keys[key];
    entry.holdTimer = std::make_unique<QObject>();
    m_clock.callAfter(hold, entry.holdTimer.get(), [this] { Q_EMIT holdEnded(); });

    entry.command = std::move(command);
    if (!entry.throttler) {
        entry.throttler
            = std::make_unique<Throttler<double>>(m_clock, throttleInterval, [this, key](const double &latest) {
                  const auto found = m_keys.find(key);
                  if (found != m_keys.end() && found->second.command) {
                      m_perform(found->second.command(latest));
                  }
              });
    }
    entry.throttler->submit(value);
}

std::optional<double> PendingEdits::value(const QString &key) const
{
    const auto it = m_edits.constFind(key);
    if (it == m_edits.constEnd() || m_clock.now() - it->at >= hold) {
        return std::nullopt;
    }
    return it->value;
}

} // namespace amplora
