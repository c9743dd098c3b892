#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace amplora {

class PanelModel;
class ReceiverStore;

// The actions and the list of the receiver setup section: connect to a typed address, search the network, or
// pick one of the receivers found. The section creates one and hands it the view model (the Panel singleton).
class ReceiverSetup : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject *panel READ panel WRITE setPanel NOTIFY panelChanged)
    // One entry per found receiver: "label" (name · model · host) and "saved" (it is the saved receiver).
    Q_PROPERTY(QVariantList receivers READ receivers NOTIFY receiversChanged)
    // The push-event self-test: running, and the line it ended with (empty before the first run).
    Q_PROPERTY(bool checkingEvents READ checkingEvents NOTIFY eventCheckChanged)
    Q_PROPERTY(QString eventCheckResult READ eventCheckResult NOTIFY eventCheckChanged)

public:
    explicit ReceiverSetup(QObject *parent = nullptr);

    QObject *panel() const;
    void setPanel(QObject *panel);
    QVariantList receivers() const;
    bool checkingEvents() const { return m_checkingEvents; }
    QString eventCheckResult() const { return m_eventCheckResult; }

    // Uses the address without its surrounding white space.
    Q_INVOKABLE void connectTo(const QString &address);
    // Searches; when no address was saved before and the search chose one, connects to it.
    Q_INVOKABLE void findReceivers();
    Q_INVOKABLE void choose(int index);
    // Makes the receiver send a push event and shows how soon it came, or why none did.
    Q_INVOKABLE void checkPushEvents();

Q_SIGNALS:
    void panelChanged();
    void receiversChanged();
    void eventCheckChanged();

private:
    QCoro::Task<> runEventCheck(QPointer<ReceiverStore> store);

    QPointer<PanelModel> m_panel;
    bool m_checkingEvents = false;
    QString m_eventCheckResult;
    QPointer<ReceiverStore> m_store;
};

} // namespace amplora
