#include "core/protocol/SharedNetworkAccess.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QPointer>

namespace amplora {

QNetworkAccessManager &sharedNetworkAccess()
{
    // Tied to the application object so it goes away with it; a later application (tests) gets a new one.
    static QPointer<QNetworkAccessManager> instance;
    if (!instance) {
        instance = new QNetworkAccessManager(QCoreApplication::instance());
    }
    return *instance;
}

} // namespace amplora
