#pragma once

#include "qml/ChoiceListModel.h"
#include "qml/PropertyWatch.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

class QJSEngine;
class QQmlEngine;

namespace amplora {

class ReceiverStore;

// What the selected zone plays from and how it sounds: its inputs and sound programs, the application's favourite
// buttons among them, and the receiver's own favourites and scene buttons.
class SourcesModel : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Sources)
    QML_SINGLETON

    Q_PROPERTY(QString inputName READ inputName NOTIFY inputNameChanged)
    Q_PROPERTY(QString soundProgramName READ soundProgramName NOTIFY soundProgramNameChanged)
    // The theme icon of the current input.
    Q_PROPERTY(QString sourceSymbol READ sourceSymbol NOTIFY sourceSymbolChanged)
    // Whether the selected zone plays as part of a group of linked receivers, and the group's name (empty when
    // the receiver gave none).
    Q_PROPERTY(bool linked READ linked NOTIFY linkChanged)
    Q_PROPERTY(QString linkGroup READ linkGroup NOTIFY linkChanged)
    // Rows: key (the input id), name, current.
    Q_PROPERTY(amplora::ChoiceListModel *inputs READ inputs CONSTANT)
    // Rows: key (the input id), name, label, symbol, current.
    Q_PROPERTY(amplora::ChoiceListModel *favouriteInputs READ favouriteInputs CONSTANT)
    // Rows: key (the program id), name, current.
    Q_PROPERTY(amplora::ChoiceListModel *soundPrograms READ soundPrograms CONSTANT)
    // Rows: key (the program id), label, current.
    Q_PROPERTY(amplora::ChoiceListModel *favouritePrograms READ favouritePrograms CONSTANT)
    // Rows: key and number (the slot), name.
    Q_PROPERTY(amplora::ChoiceListModel *favourites READ favourites CONSTANT)
    // Rows: key and number, name ("Scene 1").
    Q_PROPERTY(amplora::ChoiceListModel *receiverScenes READ receiverScenes CONSTANT)
    // While the zone listens to the tuner, its presets. Rows: key and number (the slot), name ("FM 98.10 MHz").
    Q_PROPERTY(amplora::ChoiceListModel *tunerPresets READ tunerPresets CONSTANT)

public:
    explicit SourcesModel(ReceiverStore &store, QObject *parent = nullptr);

    static SourcesModel *create(QQmlEngine *engine, QJSEngine *);

    QString inputName() const;
    QString soundProgramName() const;
    QString sourceSymbol() const;
    bool linked() const;
    QString linkGroup() const;
    ChoiceListModel *inputs() { return &m_inputs; }
    ChoiceListModel *favouriteInputs() { return &m_favouriteInputs; }
    ChoiceListModel *soundPrograms() { return &m_soundPrograms; }
    ChoiceListModel *favouritePrograms() { return &m_favouritePrograms; }
    ChoiceListModel *favourites() { return &m_favourites; }
    ChoiceListModel *receiverScenes() { return &m_receiverScenes; }
    ChoiceListModel *tunerPresets() { return &m_tunerPresets; }

    Q_INVOKABLE void selectInput(const QString &id);
    // The keyboard's numbered inputs, in the order the window shows its input buttons: the favourite input buttons,
    // then the other inputs as the "More" menu lists them. Counted from 1; a number past the end does nothing.
    Q_INVOKABLE void selectNumberedInput(int number);
    Q_INVOKABLE void setSoundProgram(const QString &id);
    Q_INVOKABLE void recallFavourite(int number);
    Q_INVOKABLE void recallReceiverScene(int number);
    Q_INVOKABLE void recallTunerPreset(int number);

Q_SIGNALS:
    void inputNameChanged();
    void soundProgramNameChanged();
    void sourceSymbolChanged();
    void linkChanged();

private:
    void updateInputs();
    void updatePrograms();
    void updateFavourites();
    void updateReceiverScenes();
    void updateTunerPresets();

    ReceiverStore &m_store;
    ChoiceListModel m_inputs;
    ChoiceListModel m_favouriteInputs;
    ChoiceListModel m_soundPrograms;
    ChoiceListModel m_favouritePrograms;
    ChoiceListModel m_favourites;
    ChoiceListModel m_receiverScenes;
    ChoiceListModel m_tunerPresets;
    PropertyWatch m_watch { *this };
};

} // namespace amplora
