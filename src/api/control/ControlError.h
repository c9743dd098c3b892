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
        notSupported, // the zone does not have the function (any of them), or the player does not offer the mode
        outOfRange, // a value outside the range the zone announces
        unknownFavourite, // no favourite has this number
        unknownReceiverScene, // the zone has no scene button with this number
        abandoned, // the caller went away first (its Cancellation fired); nobody is told
    };

    // What some zones have and others do not; the words name it in "<zone> has no <feature>."
    enum class Feature { sleep, direct, enhancer, dialogue, repeat, shuffle, favourites, receiverScenes };

    static ControlError receiverFailure(QString description);
    // `blockedPath` is the receiver path the change would have used, such as "main/setMute".
    static ControlError readOnly(const QString &blockedPath);
    static ControlError unknownInput(const QString &requested, Zone zone, QStringList candidates);
    static ControlError unknownSoundMode(const QString &requested, Zone zone, QStringList candidates);
    static ControlError noVolumeRange(Zone zone);
    static ControlError noStatus(Zone zone);
    static ControlError volumeAboveCap(double db, double capDb);
    static ControlError noPushEvents(QString description);
    // "main has no sleep timer."
    static ControlError notSupported(Zone zone, Feature feature);
    // The player offers the feature, but not this mode of it now; `offered` are the modes it does offer.
    static ControlError modeNotOffered(Feature feature, const QString &mode, const QStringList &offered);
    static ControlError dialogueOutOfRange(Zone zone, int level, int minimum, int maximum);
    static ControlError unknownFavourite(int number);
    static ControlError unknownReceiverScene(Zone zone, int number, int count);
    static ControlError abandoned();
    // A refusal made by the receiver's own rules before anything was sent, in their complete words; `kind` is
    // notSupported, outOfRange, unknownFavourite or unknownReceiverScene.
    static ControlError refused(Kind kind, QString text);
    static QString featureName(Feature feature);

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
