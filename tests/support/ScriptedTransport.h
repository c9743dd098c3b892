#pragma once

#include "core/protocol/ReceiverTransport.h"

#include <QImage>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <coroutine>
#include <optional>
#include <variant>

namespace amplora::test {

// A ReceiverTransport that answers from a script and records what it was asked. Answers are set per request
// path ("main/getStatus", "system/getFeatures", "main/setMute"; "registerForEvents" for the registration and
// "albumArt:" followed by the path for covers). Each path has a queue of answers: they are used in order and
// the last one stays. An answer can be held: the request then waits until the test releases it, which is how
// tests put an answer "in flight" while something else happens.
//
//     auto transport = std::make_shared<ScriptedTransport>();
//     transport->answer("system/getDeviceInfo", DeviceInfo { .modelName = "RX-V481" });
//     transport->fail("zone2/getStatus", YXCError::http(500));
//     transport->answer("main/getStatus", status, ScriptedTransport::held);
//     ...
//     transport->release("main/getStatus");
//
// A fetch with no scripted answer fails (and warns), so a test notices a request it did not expect. Changing
// commands and registrations succeed unless scripted otherwise. In read-only mode changing commands are refused
// before anything is recorded as sent, with the client's refusal text. A held read whose caller cancels is
// abandoned at once (failing as YXCError::cancelled) and counted by abandonedCount().
class ScriptedTransport final : public ReceiverTransport {
public:
    enum Delivery { immediately, held };

    ScriptedTransport() = default;
    ScriptedTransport(const ScriptedTransport &) = delete;
    ScriptedTransport &operator=(const ScriptedTransport &) = delete;
    ~ScriptedTransport() override;

    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

    void answer(const QString &path, YXCPayload payload, Delivery delivery = immediately);
    void fail(const QString &path, YXCError error, Delivery delivery = immediately);
    // For changing commands and the registration: success.
    void accept(const QString &path, Delivery delivery = immediately);
    void cover(const QString &path, std::optional<QImage> image, Delivery delivery = immediately);
    // Forgets the script of a path.
    void clear(const QString &path);
    // Replaces the script of a path (the rig's healthy defaults, say) with this answer or failure.
    void answerOnly(const QString &path, YXCPayload payload, Delivery delivery = immediately)
    {
        clear(path);
        answer(path, std::move(payload), delivery);
    }
    void failOnly(const QString &path, YXCError error, Delivery delivery = immediately)
    {
        clear(path);
        fail(path, std::move(error), delivery);
    }

    // Holds every request of the path from now on, whatever its scripted answer, until switched off.
    void setHolding(const QString &path, bool holding = true);
    // Resumes the oldest held request of the path; false when none waits.
    bool release(const QString &path);
    // Resumes every held request, oldest first (also those held while releasing).
    void releaseAll();
    qsizetype heldCount(const QString &path = {}) const;

    // Every request in order, as its path (changing commands with their arguments: "main/setMute?enable=true").
    const QStringList &log() const { return m_log; }
    qsizetype count(const QString &path) const;
    // Held reads given up because nobody waited for them any more.
    qsizetype abandonedCount(const QString &path) const { return m_abandoned.value(path); }
    // The changing commands that were sent (not refused), in order.
    const QList<YXCCommand> &sent() const { return m_sent; }
    const QList<quint16> &registeredPorts() const { return m_registeredPorts; }
    void clearLog();

    bool isReadOnly() const override { return m_readOnly; }
    QCoro::Task<Result<YXCPayload, YXCError>> fetchPayload(
        YXCCommand command, YXCPayloadType type, Cancellation cancel) override;
    QCoro::Task<Result<Done, YXCError>> send(YXCCommand command) override;
    QCoro::Task<Result<Done, YXCError>> registerForEvents(quint16 port) override;
    QCoro::Task<std::optional<QImage>> albumArt(QString path) override;
    void cancelAlbumArt() override { ++m_coverCancels; }
    int coverCancels() const { return m_coverCancels; }

private:
    using Outcome = std::variant<YXCPayload, YXCError, Done, std::optional<QImage>>;
    struct Step {
        Outcome outcome;
        Delivery delivery;
    };
    struct Waiter {
        QString path;
        std::coroutine_handle<> handle;
        quint64 id = 0;
    };
    class Hold {
    public:
        Hold(ScriptedTransport &transport, QString path)
            : m_transport(transport)
            , m_path(std::move(path))
            , m_id(++transport.m_lastWaiter)
        { }
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> handle) { m_transport.m_waiters.append({ m_path, handle, m_id }); }
        void await_resume() const noexcept { }
        quint64 id() const { return m_id; }

    private:
        ScriptedTransport &m_transport;
        QString m_path;
        quint64 m_id;
    };

    std::optional<Step> next(const QString &path);
    // The scripted outcome of a changing command or registration: success unless a failure is scripted.
    QCoro::Task<Result<Done, YXCError>> acknowledge(QString path);
    static QCoro::Task<Result<Done, YXCError>> refused(QString path);
    static QString logEntry(const YXCCommand &command);

    bool m_readOnly = false;
    QMap<QString, QList<Step>> m_script;
    QStringList m_holding;
    QList<Waiter> m_waiters;
    quint64 m_lastWaiter = 0;
    QMap<QString, qsizetype> m_abandoned;
    QStringList m_log;
    QList<YXCCommand> m_sent;
    QList<quint16> m_registeredPorts;
    int m_coverCancels = 0;
};

} // namespace amplora::test
