#include "qml/NetworkGuard.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQmlEngine>
#include <QQmlNetworkAccessManagerFactory>
#include <QUrl>

namespace amplora::NetworkGuard {

namespace {

Q_LOGGING_CATEGORY(lcGuard, "amplora.window")

void logRefused(const QUrl &url)
{
    // Quoted, so that a control character in the URL cannot forge a log line; cut short, so one cannot flood it.
    qCWarning(lcGuard) << "Refused to load" << url.toDisplayString(QUrl::RemoveUserInfo).left(200)
                       << "in a window: only the application's own resources load there";
}

class Interceptor final : public QQmlAbstractUrlInterceptor {
public:
    QUrl intercept(const QUrl &url, DataType type) override
    {
        if (allows(url, type)) {
            return url;
        }
        logRefused(url);
        return {};
    }
};

// A reply that has already failed; it announces so once its receiver has connected.
class RefusedReply final : public QNetworkReply {
public:
    RefusedReply(QNetworkAccessManager::Operation operation, const QNetworkRequest &request, QObject *parent)
        : QNetworkReply(parent)
    {
        setRequest(request);
        setUrl(request.url());
        setOperation(operation);
        setError(ContentAccessDenied, QStringLiteral("Only the application's own resources load in a window."));
        setFinished(true);
        QNetworkReply::open(ReadOnly | Unbuffered);
        QMetaObject::invokeMethod(
            this,
            [this] {
                Q_EMIT errorOccurred(ContentAccessDenied);
                Q_EMIT finished();
            },
            Qt::QueuedConnection);
    }

    void abort() override { }

protected:
    qint64 readData(char *, qint64) override { return -1; }
};

class RefusingAccessManager final : public QNetworkAccessManager {
public:
    using QNetworkAccessManager::QNetworkAccessManager;

protected:
    QNetworkReply *createRequest(Operation operation, const QNetworkRequest &request, QIODevice *data) override
    {
        const QString scheme = request.url().scheme();
        if (scheme == QLatin1String("qrc") || scheme == QLatin1String("file")) {
            return QNetworkAccessManager::createRequest(operation, request, data);
        }
        logRefused(request.url());
        return new RefusedReply(operation, request, this);
    }
};

// Called on Qt's loader threads as well as the main thread; it keeps no state.
class RefusingAccessFactory final : public QQmlNetworkAccessManagerFactory {
public:
    QNetworkAccessManager *create(QObject *parent) override { return new RefusingAccessManager(parent); }
};

} // namespace

void install(QQmlEngine &engine)
{
    // An engine owns neither; these hold no state, so one of each serves every engine of the process.
    static Interceptor interceptor;
    static RefusingAccessFactory factory;
    engine.addUrlInterceptor(&interceptor);
    engine.setNetworkAccessManagerFactory(&factory);
}

bool allows(const QUrl &url, QQmlAbstractUrlInterceptor::DataType type)
{
    if (url.isEmpty()) {
        return true;
    }
    const QString scheme = url.scheme();
    // A relative URL is resolved against the document that names it, which passed here itself; one that names
    // a host ("//host/x.png") is no file of ours.
    if (scheme.isEmpty()) {
        return url.host().isEmpty();
    }
    if (scheme == QLatin1String("qrc") || scheme == QLatin1String("image")) {
        return true;
    }
    // Code and module directories load from disk: Qt's modules live there, and so do a test's files. A file as
    // a picture or any other source is nothing a window shows.
    return scheme == QLatin1String("file") && type != QQmlAbstractUrlInterceptor::UrlString;
}

} // namespace amplora::NetworkGuard
