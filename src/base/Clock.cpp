#include "base/Clock.h"

#include <QTimer>

namespace amplora {

namespace {

class SystemClock final : public Clock {
public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }

    void callAfter(Duration delay, QObject *context, std::function<void()> action) override
    {
        // Rounded up, and precise, so a timer never fires before its time: the edit hold and the throttle
        // window are compared against now() when it fires.
        const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(std::max(delay, Duration::zero()));
        QTimer::singleShot(milliseconds, Qt::PreciseTimer, context, std::move(action));
    }
};

} // namespace

Clock &Clock::system()
{
    static SystemClock clock;
    return clock;
}

} // namespace amplora
