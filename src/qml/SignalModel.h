#pragma once

#include "qml/ChoiceListModel.h"
#include "qml/PropertyWatch.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

class QJSEngine;
class QQmlEngine;

namespace amplora {

class ReceiverStore;

// The lamps: the front-panel display's indicator words and the signal strip's format lamps and readings, with the
// display's one-line summary of the incoming signal.
class SignalModel : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(SignalLamps)
    QML_SINGLETON

    // Rows: name (the word, "MAIN", "PURE DIRECT"), current (lit).
    Q_PROPERTY(amplora::ChoiceListModel *indicators READ indicators CONSTANT)
    // Rows: name ("DOLBY", "DTS:X"), current (lit).
    Q_PROPERTY(amplora::ChoiceListModel *formatLamps READ formatLamps CONSTANT)
    // Whether the strip shows a signal; its readings are a dash otherwise.
    Q_PROPERTY(bool active READ active NOTIFY readingsChanged)
    Q_PROPERTY(QString format READ format NOTIFY readingsChanged)
    Q_PROPERTY(QString sampleRate READ sampleRate NOTIFY readingsChanged)
    Q_PROPERTY(QString bitDepth READ bitDepth NOTIFY readingsChanged)
    Q_PROPERTY(QString summary READ summary NOTIFY summaryChanged)
    Q_PROPERTY(QString detail READ detail NOTIFY detailChanged)
    // Which signal information the window should ask for now (the zone, and whether it can ask); its change
    // is the cue to ask again at once.
    Q_PROPERTY(QString signalKey READ signalKey NOTIFY signalKeyChanged)

public:
    explicit SignalModel(ReceiverStore &store, QObject *parent = nullptr);

    static SignalModel *create(QQmlEngine *engine, QJSEngine *);

    ChoiceListModel *indicators() { return &m_indicators; }
    ChoiceListModel *formatLamps() { return &m_formatLamps; }
    bool active() const;
    QString format() const;
    QString sampleRate() const;
    QString bitDepth() const;
    QString summary() const;
    QString detail() const;
    QString signalKey() const;

Q_SIGNALS:
    void readingsChanged();
    void summaryChanged();
    void detailChanged();
    void signalKeyChanged();

private:
    void updateIndicators();
    void updateFormatLamps();

    ReceiverStore &m_store;
    ChoiceListModel m_indicators;
    ChoiceListModel m_formatLamps;
    PropertyWatch m_watch { *this };
};

} // namespace amplora
