#pragma once

#include "core/protocol/Zone.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <chrono>
#include <functional>
#include <optional>

namespace amplora {

class ReceiverStore;

// What the small overlay near the bottom of the screen shows: the selected zone's new volume (as the knob reads
// it), "Muted", the new input's or sound program's name, for a moment after each change while the main window is
// in the background. Only real changes count: a read that finds what was already known, the first read after
// connecting (or of another receiver) and switching zones show nothing. Times run on the store's clock.
class OnScreenDisplay : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("made by the window host")

    Q_PROPERTY(QString text READ text NOTIFY textChanged)
    Q_PROPERTY(bool visible READ visible NOTIFY visibleChanged)

public:
    static constexpr auto shownFor = std::chrono::milliseconds(1500);

    // `windowInFront` tells whether the application's own window is the active one: then the change is in plain
    // sight (or made right there) and nothing is shown.
    OnScreenDisplay(ReceiverStore &store, std::function<bool()> windowInFront, QObject *parent = nullptr);

    QString text() const { return m_text; }
    bool visible() const { return m_visible; }

Q_SIGNALS:
    void textChanged();
    void visibleChanged();
    // A change to show, each time one is shown; where no overlay can be placed, a notification carries it.
    void changeShown(const QString &text);

private:
    struct Reading {
        Zone zone = Zone::main;
        bool known = false;
        std::optional<double> volume;
        bool muted = false;
        QString input;
        QString program;
    };

    Reading read() const;
    void update();
    QString describe(const Reading &before, const Reading &now) const;
    void show(const QString &text);
    void setVisible(bool visible);

    ReceiverStore &m_store;
    std::function<bool()> m_windowInFront;
    std::optional<Reading> m_last;
    QString m_text;
    bool m_visible = false;
    quint64 m_shown = 0; // counts the changes shown; a timer set for an earlier one finds it moved on
};

} // namespace amplora
