#include "support/ScriptedTransport.h"

#include <QDebug>
#include <QUrlQuery>

namespace amplora::test {

ScriptedTransport::~ScriptedTransport()
{
    if (!m_waiters.isEmpty()) {
        qWarning() << "ScriptedTransport destroyed with" << m_waiters.size() << "held requests";
    }
}

void ScriptedTransport::answer(const QString &path, YXCPayload payload, Delivery delivery)
{
    m_script[path].append({ std::move(payload), delivery });
}

void ScriptedTransport::fail(const QString &path, YXCError error, Delivery delivery)
{
    m_script[path].append({ std::move(error), delivery });
}

void ScriptedTransport::accept(const QString &path, Delivery delivery)
{
    m_script[path].append({ Done {}, delivery });
}

void ScriptedTransport::cover(const QString &path, std::optional<QImage> image, Delivery delivery)
{
    m_script[QStringLiteral("albumArt:") + path].append({ std::move(image), delivery });
}

void ScriptedTransport::clear(const QString &path)
{
    m_script.remove(path);
}

void ScriptedTransport::setHolding(const QString &path, bool holding)
{
    m_holding.removeAll(path);
    if (holding) {
        m_holding.append(path);
    }
}

bool ScriptedTransport::release(const QString &path)
{
    for (qsizetype i = 0; i < m_waiters.size(); ++i) {
        if (m_waiters[i].path == path) {
            const std::coroutine_handle<> handle = m_waiters.takeAt(i).handle;
            handle.resume();
            return true;
        }
    }
    return false;
}

void ScriptedTransport::releaseAll()
{
    while (!m_waiters.isEmpty()) {
        m_waiters.takeFirst().handle.resume();
    }
}

qsizetype ScriptedTransport::heldCount(const QString &path) const
{
    if (path.isEmpty()) {
        return m_waiters.size();
    }
    return std::count_if(m_waiters.begin(), m_waiters.end(), [&](const Waiter &w) { return w.path == path; });
}

qsizetype ScriptedTransport::count(const QString &path) const
{
    return std::count_if(m_log.begin(), m_log.end(),
        [&](const QString &entry) { return entry == path || entry.startsWith(path + u'?'); });
}

void ScriptedTransport::clearLog()
{
    m_log.clear();
    m_sent.clear();
    m_registeredPorts.clear();
}

std::optional<ScriptedTransport::Step> ScriptedTransport::next(const QString &path)
{
    auto it = m_script.find(path);
    if (it == m_script.end() || it->isEmpty()) {
        return std::nullopt;
    }
    if (it->size() > 1) {
        return it->takeFirst();
    }
    return it->first();
}

QString ScriptedTransport::logEntry(const YXCCommand &command)
{
    const auto items = command.queryItems();
    if (items.isEmpty()) {
        return command.path();
    }
    QUrlQuery query;
    query.setQueryItems(items);
    return command.path() + u'?' + query.toString();
}

QCoro::Task<Result<YXCPayload, YXCError>> ScriptedTransport::fetchPayload(
    YXCCommand command, YXCPayloadType type, Cancellation cancel)
{
    Q_UNUSED(type);
    const QString path = command.path();
    m_log.append(logEntry(command));
    const std::optional<Step> step = next(path);
    if (!step) {
        qWarning().noquote() << "ScriptedTransport: no scripted answer for" << path;
        co_return Failure { YXCError::transport(QStringLiteral("No scripted answer for ") + path) };
    }
    if (step->delivery == held || m_holding.contains(path)) {
        if (cancel.isCancelled()) {
            ++m_abandoned[path];
            co_return Failure { YXCError::cancelled(path) };
        }
        Hold hold(*this, path);
        bool abandoned = false;
        // Taken out of the held requests before it resumes, as a reply the client aborts.
        const Cancellation::Subscription leave = cancel.onCancel([this, id = hold.id(), &abandoned] {
            for (qsizetype i = 0; i < m_waiters.size(); ++i) {
                if (m_waiters[i].id == id) {
                    const Waiter waiter = m_waiters.takeAt(i);
                    ++m_abandoned[waiter.path];
                    abandoned = true;
                    waiter.handle.resume();
                    return;
                }
            }
        });
        co_await hold;
        if (abandoned) {
            co_return Failure { YXCError::cancelled(path) };
        }
    }
    if (const auto *payload = std::get_if<YXCPayload>(&step->outcome)) {
        co_return *payload;
    }
    if (const auto *error = std::get_if<YXCError>(&step->outcome)) {
        co_return Failure { *error };
    }
    co_return Failure { YXCError::unreadable(path, QStringLiteral("scripted answer of the wrong kind")) };
}

QCoro::Task<Result<Done, YXCError>> ScriptedTransport::send(YXCCommand command)
{
    m_log.append(logEntry(command));
    if (m_readOnly && command.isMutating()) {
        return refused(command.path());
    }
    m_sent.append(command);
    return acknowledge(command.path());
}

QCoro::Task<Result<Done, YXCError>> ScriptedTransport::refused(QString path)
{
    co_return Failure { YXCError::readOnlyBlocked(path) };
}

QCoro::Task<Result<Done, YXCError>> ScriptedTransport::registerForEvents(quint16 port)
{
    const QString path = QStringLiteral("registerForEvents");
    m_log.append(path);
    m_registeredPorts.append(port);
    return acknowledge(path);
}

QCoro::Task<Result<Done, YXCError>> ScriptedTransport::acknowledge(QString path)
{
    const std::optional<Step> step = next(path);
    if (step && step->delivery == held) {
        co_await Hold(*this, path);
    }
    if (step) {
        if (const auto *error = std::get_if<YXCError>(&step->outcome)) {
            co_return Failure { *error };
        }
    }
    co_return Done {};
}

QCoro::Task<std::optional<QImage>> ScriptedTransport::albumArt(QString path)
{
    const QString key = QStringLiteral("albumArt:") + path;
    m_log.append(key);
    const std::optional<Step> step = next(key);
    if (step && step->delivery == held) {
        co_await Hold(*this, key);
    }
    if (step) {
        if (const auto *image = std::get_if<std::optional<QImage>>(&step->outcome)) {
            co_return *image;
        }
    }
    co_return std::nullopt;
}

} // namespace amplora::test
