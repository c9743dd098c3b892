#pragma once

#include <QHash>
#include <QMutex>
#include <QPointer>

namespace amplora::api {

class HTTPConnection;

// The open connections of one running listener, so that stopping the server closes them all.
class ConnectionRegistry {
public:
    void add(HTTPConnection *connection);
    void remove(HTTPConnection *connection);
    qsizetype count() const;
    // Empties the registry under the lock, then closes each connection outside it.
    void cancelAll();

private:
    mutable QMutex m_mutex;
    QHash<HTTPConnection *, QPointer<HTTPConnection>> m_items;
};

} // namespace amplora::api
