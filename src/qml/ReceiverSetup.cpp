#include "qml/ReceiverSetup.h"

#include "core/discovery/HostAddress.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"
#include "qml/ConnectionModel.h"

namespace amplora {

namespace {

QCoro::Task<> scanThenConnect(QPointer<ReceiverStore> store)
{
    const bool hadAddress = !store->settings().host().trimmed().isEmpty();
    co_await store->scan();
    // The store may be gone, or the search may have found several receivers and chosen none.
    if (store && !hadAddress && !store->settings().host().trimmed().isEmpty()) {
        store->reconnect();
    }
}

QCoro::Task<> probeThenConnect(QPointer<ReceiverStore> store, QString address)
{
    const bool chosen = co_await store->probe(std::move(address));
    if (store && chosen) {
        store->reconnect();
    }
}

} // namespace

ReceiverSetup::ReceiverSetup(QObject *parent)
    : QObject(parent)
{ }

ConnectionModel *ReceiverSetup::connection() const
{
    return m_connection;
}

void ReceiverSetup::setConnection(ConnectionModel *connection)
{
    if (connection == m_connection) {
        return;
    }
    m_connection = connection;
    ReceiverStore *receiverStore = connection ? &connection->store() : nullptr;
    if (m_store) {
        disconnect(m_store, nullptr, this, nullptr);
        disconnect(&m_store->settings(), nullptr, this, nullptr);
    }
    m_store = receiverStore;
    if (m_store) {
        connect(m_store, &ReceiverStore::foundReceiversChanged, this, &ReceiverSetup::receiversChanged);
        connect(&m_store->settings(), &AppSettings::deviceIDChanged, this, &ReceiverSetup::receiversChanged);
    }
    Q_EMIT connectionChanged();
    Q_EMIT receiversChanged();
}

QVariantList ReceiverSetup::receivers() const
{
    QVariantList list;
    if (!m_store) {
        return list;
    }
    const auto saved = m_store->settings().deviceID();
    for (const DiscoveredReceiver &receiver : m_store->foundReceivers()) {
        list.append(QVariantMap { { QStringLiteral("label"), receiver.label() },
            { QStringLiteral("saved"), saved.has_value() && *saved == receiver.deviceID } });
    }
    return list;
}

bool ReceiverSetup::acceptAddress(const QString &address)
{
    const auto host = ReceiverHost::parse(address);
    const QString error = host ? QString() : host.error().description();
    if (error != m_addressError) {
        m_addressError = error;
        Q_EMIT addressErrorChanged();
    }
    return host.ok();
}

void ReceiverSetup::connectTo(const QString &address)
{
    if (m_store && acceptAddress(address)) {
        m_store->useAddress(address.trimmed());
    }
}

void ReceiverSetup::probe(const QString &address)
{
    if (m_store && acceptAddress(address)) {
        probeThenConnect(m_store, address.trimmed());
    }
}

void ReceiverSetup::checkPushEvents()
{
    if (m_store && !m_checkingEvents) {
        runEventCheck(m_store);
    }
}

QCoro::Task<> ReceiverSetup::runEventCheck(QPointer<ReceiverStore> store)
{
    QPointer<ReceiverSetup> self(this);
    m_checkingEvents = true;
    m_eventCheckResult.clear();
    Q_EMIT eventCheckChanged();
    const Result<std::chrono::milliseconds, PushEventCheckError> checked = co_await store->checkPushEvents();
    if (!self) {
        co_return; // the window closed meanwhile
    }
    m_checkingEvents = false;
    m_eventCheckResult = checked ? pushEventsArriveText(checked.value()) : checked.error().description();
    Q_EMIT eventCheckChanged();
}

void ReceiverSetup::findReceivers()
{
    if (m_store) {
        scanThenConnect(m_store);
    }
}

void ReceiverSetup::choose(int index)
{
    if (!m_store || index < 0 || index >= m_store->foundReceivers().size()) {
        return;
    }
    // A copy: choosing may change the list the reference points into.
    const DiscoveredReceiver receiver = m_store->foundReceivers().at(index);
    m_store->choose(receiver);
    m_store->reconnect();
}

} // namespace amplora
