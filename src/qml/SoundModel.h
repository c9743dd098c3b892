#pragma once

#include "qml/PropertyWatch.h"

#include <QObject>
#include <QVariant>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

class QJSEngine;
class QQmlEngine;

namespace amplora {

class ReceiverStore;

// The selected zone's sound: the tone, subwoofer and dialogue knobs and the Extra Bass, Surround AI, Direct and
// Enhancer switches, each with whether the zone offers it. Bass, treble and subwoofer read and take decibels;
// the ranges are { min, max, step } in the knob's unit.
class SoundModel : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Sound)
    QML_SINGLETON

    Q_PROPERTY(bool hasTone READ hasTone NOTIFY hasToneChanged)
    Q_PROPERTY(bool hasSubwoofer READ hasSubwoofer NOTIFY hasSubwooferChanged)
    Q_PROPERTY(bool supportsDialogue READ supportsDialogue NOTIFY supportsDialogueChanged)
    // In dB; undefined while unknown.
    Q_PROPERTY(QVariant bassDB READ bassDB NOTIFY bassDBChanged)
    Q_PROPERTY(QVariant trebleDB READ trebleDB NOTIFY trebleDBChanged)
    Q_PROPERTY(QVariant subwooferDB READ subwooferDB NOTIFY subwooferDBChanged)
    // A plain level; undefined while unknown or not offered.
    Q_PROPERTY(QVariant dialogueLevel READ dialogueLevel NOTIFY dialogueLevelChanged)
    Q_PROPERTY(QVariantMap toneRange READ toneRange NOTIFY toneRangeChanged)
    Q_PROPERTY(QVariantMap subwooferRange READ subwooferRange NOTIFY subwooferRangeChanged)
    Q_PROPERTY(QVariantMap dialogueRange READ dialogueRange NOTIFY dialogueRangeChanged)
    Q_PROPERTY(bool supportsExtraBass READ supportsExtraBass NOTIFY supportsExtraBassChanged)
    Q_PROPERTY(bool extraBass READ extraBass NOTIFY extraBassChanged)
    Q_PROPERTY(bool supportsSurroundAI READ supportsSurroundAI NOTIFY supportsSurroundAIChanged)
    Q_PROPERTY(bool surroundAI READ surroundAI NOTIFY surroundAIChanged)
    Q_PROPERTY(bool supportsDirect READ supportsDirect NOTIFY supportsDirectChanged)
    Q_PROPERTY(bool direct READ direct NOTIFY directChanged)
    Q_PROPERTY(bool supportsEnhancer READ supportsEnhancer NOTIFY supportsEnhancerChanged)
    Q_PROPERTY(bool enhancer READ enhancer NOTIFY enhancerChanged)

public:
    explicit SoundModel(ReceiverStore &store, QObject *parent = nullptr);

    static SoundModel *create(QQmlEngine *engine, QJSEngine *);

    bool hasTone() const;
    bool hasSubwoofer() const;
    bool supportsDialogue() const;
    QVariant bassDB() const;
    QVariant trebleDB() const;
    QVariant subwooferDB() const;
    QVariant dialogueLevel() const;
    QVariantMap toneRange() const;
    QVariantMap subwooferRange() const;
    QVariantMap dialogueRange() const;
    bool supportsExtraBass() const;
    bool extraBass() const;
    bool supportsSurroundAI() const;
    bool surroundAI() const;
    bool supportsDirect() const;
    bool direct() const;
    bool supportsEnhancer() const;
    bool enhancer() const;

    Q_INVOKABLE void setBassDB(double dB);
    Q_INVOKABLE void setTrebleDB(double dB);
    Q_INVOKABLE void setSubwooferDB(double dB);
    Q_INVOKABLE void setDialogueLevel(double value);
    Q_INVOKABLE void toggleExtraBass();
    Q_INVOKABLE void setSurroundAI(bool on);
    Q_INVOKABLE void toggleDirect();
    Q_INVOKABLE void toggleEnhancer();

Q_SIGNALS:
    void hasToneChanged();
    void hasSubwooferChanged();
    void supportsDialogueChanged();
    void bassDBChanged();
    void trebleDBChanged();
    void subwooferDBChanged();
    void dialogueLevelChanged();
    void toneRangeChanged();
    void subwooferRangeChanged();
    void dialogueRangeChanged();
    void supportsExtraBassChanged();
    void extraBassChanged();
    void supportsSurroundAIChanged();
    void surroundAIChanged();
    void supportsDirectChanged();
    void directChanged();
    void supportsEnhancerChanged();
    void enhancerChanged();

private:
    QVariant levelDb(const char *name) const;

    ReceiverStore &m_store;
    PropertyWatch m_watch { *this };
};

} // namespace amplora
