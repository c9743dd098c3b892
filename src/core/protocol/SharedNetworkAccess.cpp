#include "core/protocol/SharedNetworkAccess.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QPointer>

namespace amplora {

QNetworkAccessManager &sharedNetworkAccess()
{
    // Tied to the application object so it goes away with it; a later application (tests) gets a new one.
    static QPointer<QNetworkAccessManager> instance;
    if (!instance) {
        instance = new QNetworkAccessManager(QCoreApplication::instance());
        // Receivers sit on the local network: a proxy from the environment (http_proxy) would only be in the way.
        instance->setProxy(QNetworkProxy::NoProxy);
        // A redirect would take a request to a host nobody chose; every request here talks to one known device.
        instance->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    }
    return *instance;
}

void releaseSharedNetworkAccess()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete &sharedNetworkAccess();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace amplora
