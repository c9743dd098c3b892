#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace amplora {

class ConnectionModel;
class ReceiverStore;

// The actions and the list of the receiver setup section: connect to a typed address, search the network, or
// pick one of the receivers found. The section creates one and hands it the Connection singleton.
class ReceiverSetup : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(amplora::ConnectionModel *connection READ connection WRITE setConnection NOTIFY connectionChanged)
    // One entry per found receiver: "label" (name · model · host) and "saved" (it is the saved receiver).
    Q_PROPERTY(QVariantList receivers READ receivers NOTIFY receiversChanged)
    // The push-event self-test: running, and the line it ended with (empty before the first run).
    Q_PROPERTY(bool checkingEvents READ checkingEvents NOTIFY eventCheckChanged)
    Q_PROPERTY(QString eventCheckResult READ eventCheckResult NOTIFY eventCheckChanged)
    // Why the typed address was refused; empty when it was taken.
    Q_PROPERTY(QString addressError READ addressError NOTIFY addressErrorChanged)

public:
    explicit ReceiverSetup(QObject *parent = nullptr);

    ConnectionModel *connection() const;
    void setConnection(ConnectionModel *connection);
    QVariantList receivers() const;
    bool checkingEvents() const { return m_checkingEvents; }
    QString eventCheckResult() const { return m_eventCheckResult; }
    QString addressError() const { return m_addressError; }

    // Uses the address (or host name) without its surrounding white space, once it passes the checks.
    Q_INVOKABLE void connectTo(const QString &address);
    // Asks the typed host directly for a receiver, which is then offered and chosen like a found one.
    Q_INVOKABLE void probe(const QString &address);
    // Searches; when no address was saved before and the search chose one, connects to it.
    Q_INVOKABLE void findReceivers();
    Q_INVOKABLE void choose(int index);
    // Makes the receiver send a push event and shows how soon it came, or why none did.
    Q_INVOKABLE void checkPushEvents();

Q_SIGNALS:
    void connectionChanged();
    void receiversChanged();
    void eventCheckChanged();
    void addressErrorChanged();

private:
    QCoro::Task<> runEventCheck(QPointer<ReceiverStore> store);
    // Whether the address passes the checks; sets the error text either way.
    bool acceptAddress(const QString &address);

    QPointer<ConnectionModel> m_connection;
    bool m_checkingEvents = false;
    QString m_eventCheckResult;
    QString m_addressError;
    QPointer<ReceiverStore> m_store;
};

} // namespace amplora
