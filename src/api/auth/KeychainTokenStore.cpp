#include "api/auth/KeychainTokenStore.h"

#include "api/Logging.h"

#include <QStringDecoder>
#include <QTimer>
#include <qt6keychain/keychain.h>

#include <coroutine>
#include <memory>

namespace amplora::api {

namespace {

KeychainError jobError(const QKeychain::Job &job)
{
    return KeychainError { static_cast<qint32>(job.error()), job.errorString() };
}

KeychainError timedOut(std::chrono::milliseconds timeout)
{
    return KeychainError { KeychainTokenStore::TimedOut,
        QStringLiteral("The Secret Service did not answer within %1 s (is the keyring locked?).")
            .arg(static_cast<double>(timeout.count()) / 1000.0) };
}

// Starts `job` and resumes the awaiting coroutine when it finishes or `timeout` passes, whichever comes first
// (true when it finished). A job that never finishes is left to delete itself should it ever finish: deleting
// it early would pull the object from under the backend's pending callback.
class FinishedInTime {
public:
    FinishedInTime(QKeychain::Job *job, std::chrono::milliseconds timeout)
        : m_job(job)
        , m_timeout(timeout)
    { }

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle)
    {
        auto waiter = std::make_shared<Waiter>(Waiter { handle, false, false });
        m_waiter = waiter;
        m_job->setAutoDelete(true);
        QObject::connect(m_job, &QKeychain::Job::finished, m_job, [waiter] { waiter->resume(true); });
        // The job is the timer's context: once it has finished and gone, the timer goes with it.
        QTimer::singleShot(m_timeout, m_job, [waiter] { waiter->resume(false); });
        m_job->start();
    }
    bool await_resume() const { return m_waiter->finished; }

private:
    struct Waiter {
        std::coroutine_handle<> handle;
        bool resumed;
        bool finished;
        void resume(bool inTime)
        {
            if (resumed) {
                return;
            }
            resumed = true;
            finished = inTime;
            handle.resume();
        }
    };

    QKeychain::Job *m_job;
    std::chrono::milliseconds m_timeout;
    std::shared_ptr<Waiter> m_waiter;
};

} // namespace

KeychainTokenStore::KeychainTokenStore(QString service, QString account, std::chrono::milliseconds timeout)
    : m_service(std::move(service))
    , m_account(std::move(account))
    , m_timeout(timeout)
{ }

bool KeychainTokenStore::meansNoSecretService(const KeychainError &error)
{
    if (error.status == NoBackendAvailable || error.status == NotImplemented) {
        return true;
    }
    if (error.status != OtherError) {
        return false;
    }
    // QtKeychain gives every D-Bus failure the same code, so the text tells them apart. The bus daemons'
    // refusals (dbus-daemon, dbus-broker) are never translated; GLib's own texts for a missing bus are, which
    // the caller's check of the bus address covers.
    static const QStringList noService {
        QStringLiteral("was not provided by any .service files"),
        QStringLiteral("is not activatable"),
        QStringLiteral("Cannot autolaunch D-Bus"),
        QStringLiteral("\"dbus-launch\""),
    };
    for (const QString &text : noService) {
        if (error.platformMessage.contains(text)) {
            return true;
        }
    }
    return false;
}

QCoro::Task<Result<std::optional<QString>, KeychainError>> KeychainTokenStore::read()
{
    auto *job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(m_account);
    if (!co_await FinishedInTime(job, m_timeout)) {
        co_return Failure { timedOut(m_timeout) };
    }
    if (job->error() == QKeychain::EntryNotFound) {
        co_return std::optional<QString>();
    }
    if (job->error() != QKeychain::NoError) {
        co_return Failure { jobError(*job) };
    }
    const QByteArray data = job->binaryData();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString token = decoder.decode(data);
    if (decoder.hasError() || token.isEmpty()) {
        qCWarning(lcApi) << "The stored API token is not valid UTF-8; treating it as absent";
        co_return std::optional<QString>();
    }
    co_return std::optional<QString>(std::move(token));
}

QCoro::Task<Result<Done, KeychainError>> KeychainTokenStore::save(QString token)
{
    // QtKeychain writes in place when an item exists and adds one otherwise.
    auto *job = new QKeychain::WritePasswordJob(m_service);
    job->setKey(m_account);
    job->setBinaryData(token.toUtf8());
    if (!co_await FinishedInTime(job, m_timeout)) {
        co_return Failure { timedOut(m_timeout) };
    }
    if (job->error() != QKeychain::NoError) {
        co_return Failure { jobError(*job) };
    }
    co_return Done {};
}

QCoro::Task<Result<Done, KeychainError>> KeychainTokenStore::deleteToken()
{
    auto *job = new QKeychain::DeletePasswordJob(m_service);
    job->setKey(m_account);
    if (!co_await FinishedInTime(job, m_timeout)) {
        co_return Failure { timedOut(m_timeout) };
    }
    if (job->error() != QKeychain::NoError && job->error() != QKeychain::EntryNotFound) {
        co_return Failure { jobError(*job) };
    }
    co_return Done {};
}

} // namespace amplora::api
