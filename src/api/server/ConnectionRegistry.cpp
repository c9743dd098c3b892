#include "api/server/ConnectionRegistry.h"

#include "api/server/HTTPConnection.h"

#include <QMutexLocker>

namespace amplora::api {

void ConnectionRegistry::add(HTTPConnection *connection)
{
    QMutexLocker lock(&m_mutex);
    m_items.insert(connection, connection);
}

void ConnectionRegistry::remove(HTTPConnection *connection)
{
    QMutexLocker lock(&m_mutex);
    m_items.remove(connection);
}

qsizetype ConnectionRegistry::count() const
{
    QMutexLocker lock(&m_mutex);
    return m_items.size();
}

void ConnectionRegistry::cancelAll()
{
    QHash<HTTPConnection *, QPointer<HTTPConnection>> items;
    {
        QMutexLocker lock(&m_mutex);
        items.swap(m_items);
    }
    for (const QPointer<HTTPConnection> &connection : std::as_const(items)) {
        if (connection) {
            connection->cancel();
        }
    }
}

} // namespace amplora::api
