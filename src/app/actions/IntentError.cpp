#include "app/actions/IntentError.h"

#include "core/protocol/VolumeScale.h"

namespace amplora::app {

namespace {

QString decibels(double db)
{
    // snapToHalfDecibel keeps the sign of a zero result; "-0.0" would read oddly.
    const double snapped = snapToHalfDecibel(db) + 0.0;
    return QString::asprintf("%.1f", snapped);
}

} // namespace

QString IntentError::description() const
{
    switch (m_kind) {
    case Kind::aboveCap:
        return decibels(m_requestedDb) + QStringLiteral(" dB is above the volume cap of ") + decibels(m_capDb)
            + QStringLiteral(" dB.");
    case Kind::outOfRange:
        return decibels(m_requestedDb) + QStringLiteral(" dB is below the receiver's range.");
    case Kind::notReady:
        return QStringLiteral("Amplora is still starting. Try again in a moment.");
    }
    return {};
}

} // namespace amplora::app
