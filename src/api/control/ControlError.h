#pragma once

#include "api/control/Zone.h"

#include <QString>
#include <QStringList>

namespace amplora::api {

// How a ReceiverControl call failed, in the control's own terms: what went wrong and its complete English text.
// What a client sees for each kind (HTTP status, error code) is the router's business alone.
class ControlError {
public:
    enum class Kind {
        receiverFailed, // the receiver, or the way to it, failed; the text is that failure's description
        readOnly, // read-only mode blocked a change before it reached the receiver
        unknownInput, // no input has exactly this name; candidates() lists the zone's inputs
        unknownSoundMode, // no sound mode has exactly this name; candidates() lists the zone's sound modes
        noVolumeRange, // the zone reports no volume scale, so no volume can be sent
        noStatus, // the receiver has no status for the zone
        volumeAboveCap, // a volume step would go above the cap, capDb()
        noPushEvents, // the push-event self-test saw no event, or could not run; the text says which and why
    };

    static ControlError receiverFailure(QString description);
    // `blockedPath` is the receiver path the change would have used, such as "main/setMute".
    static ControlError readOnly(const QString &blockedPath);
    static ControlError unknownInput(const QString &requested, Zone zone, QStringList candidates);
    static ControlError unknownSoundMode(const QString &requested, Zone zone, QStringList candidates);
    static ControlError noVolumeRange(Zone zone);
    static ControlError noStatus(Zone zone);
    static ControlError volumeAboveCap(double db, double capDb);
    static ControlError noPushEvents(QString description);

    Kind kind() const { return m_kind; }
    QString description() const { return m_text; }
    const QStringList &candidates() const { return m_candidates; }
    double capDb() const { return m_capDb; }

    friend bool operator==(const ControlError &, const ControlError &) = default;

private:
    ControlError(Kind kind, QString text)
        : m_kind(kind)
        , m_text(std::move(text))
    { }
    static ControlError unknownName(
        Kind kind, const QString &noun, const QString &requested, Zone zone, QStringList candidates);

    Kind m_kind;
    QString m_text;
    QStringList m_candidates;
    double m_capDb = 0;
};

} // namespace amplora::api
